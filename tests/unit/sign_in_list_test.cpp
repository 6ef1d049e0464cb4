// Editing the machine's sign-in list: Tavrin added beside the other names
// once, in any case, and taken out alone.
#include <gtest/gtest.h>

#include <string>

#include "../../app/sign_in_list.h"

namespace {

TEST(SignInList, AddAndRemoveKeepEveryOtherNameOnce) {
  struct Row { const char* list; bool has; const char* added; const char* removed; } rows[] = {
      {"", false, "Tavrin", ""},
      {"osk", false, "osk,Tavrin", "osk"},
      {"osk,Narrator", false, "osk,Narrator,Tavrin", "osk,Narrator"},
      {"Tavrin", true, "Tavrin", ""},
      {"osk,TAVRIN,Narrator", true, "osk,TAVRIN,Narrator", "osk,Narrator"},
      {"tavrin,osk,Tavrin", true, "tavrin,osk", "osk"},
      {" osk , tavrin ,,", true, "osk,tavrin", "osk"},
      {"Tavrin2,xTavrin", false, "Tavrin2,xTavrin,Tavrin", "Tavrin2,xTavrin"},
      {",,", false, "Tavrin", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("list \"") + row.list + "\"");
    char out[64];
    EXPECT_EQ(row.has, signInListHas(row.list, "Tavrin"));
    EXPECT_TRUE(addToSignInList(row.list, "Tavrin", out, sizeof out));
    EXPECT_STREQ(row.added, out);
    EXPECT_TRUE(signInListHas(out, "tavrin"));
    EXPECT_TRUE(removeFromSignInList(row.list, "Tavrin", out, sizeof out));
    EXPECT_STREQ(row.removed, out);
    EXPECT_FALSE(signInListHas(out, "Tavrin"));
  }
}

TEST(SignInList, ResultThatDoesNotFitIsRefused) {
  char out[16];  // "Narrator,Tavrin" and its zero
  EXPECT_TRUE(addToSignInList("Narrator", "Tavrin", out, sizeof out));
  EXPECT_FALSE(addToSignInList("Narrator", "Tavrin", out, sizeof out - 1));
  EXPECT_FALSE(removeFromSignInList("Narrator,Magnifier,Tavrin", "Tavrin", out, sizeof out));
}

}  // namespace
