// The real opener: a command line either starts a process or reports 0.
#include <gtest/gtest.h>

#include <string>

#include "help_opener.h"

namespace {

TEST(HelpOpener, StartsACommandAndReportsOne) {
  EXPECT_EQ(runHelpCommand("cmd.exe /c exit 0"), 1);
}

TEST(HelpOpener, ReportsZeroWhenNoProcessCanBeCreated) {
  EXPECT_EQ(runHelpCommand("no-such-program-for-the-help-page.exe"), 0);
  // Longer than the command buffer: refused rather than cut.
  EXPECT_EQ(runHelpCommand(("cmd.exe /c rem " + std::string(300, 'x')).c_str()), 0);
}

}  // namespace
