// The string table as the program loads it: every text of the settings,
// the Configure dialog and the tray status, character for character.
#include <gtest/gtest.h>

#include "../../app/message_box.h"

namespace {

TEST(StringTable, LoadsEveryTextExactly) {
  struct Row { int id; const char* text; } rows[] = {
      {4, "Please use TweakUI to automatically log in to Windows 95/98/ME.\n\n"
          "TweakUI is a free download from Microsoft and can be found\n"
          "by searching for \\\"TweakUI\\\" using your favorite search engine"},
      {5, "Not available"},
      {6, "Creating Help Files"},
      {7, "Help"},
      {8, "Error"},
      {9, "Error saving default settings in registry.\n(%s)"},
      {11, "Unable to create settings key\n%s\\%s"},
      {12, "Unable to create run key\n%s\\%s"},
      {13, "Error saving settings in registry.\n(%s)"},
      {14, "Unable to set start-up key."},
      {15, "Unable to access start-up key.\n%s\\%s"},
      {16, "Unable to write settings key\n%s\\%s"},
      {17, "Unable to access auto-login key.\n%s\\%s"},
      {18, " is already running."},
      {19, "Unable to open %s\nPlease check communications settings."},
      {20, ": Please configure"},
      {21, ": %s @ %d Baud"},
      {22, " cannot type into \"%s\" because it runs as administrator."},
  };
  for (const Row& row : rows) {
    char text[256];
    loadText(row.id, text, sizeof text);
    EXPECT_STREQ(row.text, text) << "string " << row.id;
  }
}

TEST(StringTable, HasNoStringBesideTheListedOnes) {
  char text[256];
  for (int id : {0, 1, 2, 3, 10, 34}) EXPECT_EQ(0, loadText(id, text, sizeof text)) << id;
}

TEST(StringTable, CaptionBufferOfSixteenBytesHoldsEveryCaption) {
  char caption[16];
  for (int id : {5, 7, 8}) {
    int length = loadText(id, caption, sizeof caption);
    EXPECT_LT(length, 15) << "caption " << id << " would be cut";
  }
}

}  // namespace
