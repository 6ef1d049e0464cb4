// The settings store on the Windows 95 family: Wine reports that family to
// this program when its per-program version is "win98". main() asks for that
// and runs the tests in a second copy of the program, so the setting never
// outlives the run and touches no other program.
#include <gtest/gtest.h>

#include <string>

#include "../../app/settings.h"
#include "../../app/settings_store.h"
#include "../../interp/interp.h"
#include "../../links/comm_port.h"
#include "box_recorder.h"
#include "registry_fixture.h"
#include "settings_stand_ins.h"
#include "windows95_copy.h"

namespace {

class Windows95Family : public ::testing::Test {
protected:
  void SetUp() override {
    startFromCleanSettings();
    ASSERT_FALSE(ntFamily) << "this program tests the Windows 95 family";
  }
  void TearDown() override { clearProgramRegistry(); }
};

TEST_F(Windows95Family, SettingsLiveUnderTheLocalMachine) {
  EXPECT_EQ(HKEY_LOCAL_MACHINE, settingsRoot);
  EXPECT_STREQ("HKEY_LOCAL_MACHINE", settingsRootName);
  putText(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port", "COM4");
  EXPECT_EQ(0, loadSettings()) << "the user's key is not the settings key here";
  putText(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Port", "com9");
  putDword(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Baud", 19200);
  putText(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin", "C:\\Tavrin.exe");
  ASSERT_EQ(1, loadSettings());
  EXPECT_EQ(ComPortNames[8], settings.portName);
  EXPECT_EQ(19200u, settings.baudRate);
  EXPECT_TRUE(settings.runAtStartup);
}

TEST_F(Windows95Family, WinlogonIsNeitherReadNorWritten) {
  putText(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Port", "COM2");
  putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "AutoAdminLogon", "1");
  putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultUserName", "ada");
  strcpy(settings.userName, "left over");
  loadSettings();
  EXPECT_FALSE(settings.autoLogon);
  EXPECT_STREQ("", settings.userName);

  settings.autoLogon = true;
  strcpy(settings.userName, "grace");
  strcpy(settings.password, "hopper");
  BoxRecorder recorder;
  saveSettings();
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(std::string("1", 2), valueData(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "AutoAdminLogon"));
  EXPECT_EQ(std::string("ada", 4), valueData(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultUserName"));
  EXPECT_FALSE(valuePresent(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultPassword"));
}

TEST_F(Windows95Family, FirstRunAndSaveUseTheLocalMachine) {
  BoxRecorder recorder;
  writeDefaultSettings();
  EXPECT_EQ(1200u, dwordValue(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Baud"));
  EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, TEST_SETTINGS_PATH));
  settings.portName = IrdaPortName;
  settings.runAtStartup = true;
  saveSettings();
  EXPECT_EQ(std::string("IrDA", 5), valueData(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Port"));
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  EXPECT_EQ('"' + std::string(path) + "\"" + '\0', valueData(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin"));
  EXPECT_FALSE(valuePresent(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin"));
  ASSERT_EQ(1u, recorder.boxes.size()) << "only the help notice";
}

TEST_F(Windows95Family, MissingSettingsKeyOnSaveNamesTheLocalMachine) {
  settings.portName = ComPortNames[1];
  settings.runAtStartup = true;
  BoxRecorder recorder;
  saveSettings();
  std::vector<RecordedBox> expected = {
      warningBox("Unable to write settings key\nHKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrin")};
  EXPECT_EQ(expected, recorder.boxes);
  EXPECT_FALSE(valuePresent(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin")) << "Run value skipped";
}

// This family knows no access rights: a key opens whatever it asks for, and
// a key that refuses writing shows up as a failed value write.
TEST_F(Windows95Family, KeyRefusingWritesIsReportedValueByValue) {
  settings.portName = ComPortNames[1];
  settings.runAtStartup = true;
  BoxRecorder recorder;
  {
    KeyLock lock(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH);
    saveSettings();
    writeDefaultSettings();
  }
  std::vector<RecordedBox> expected = {
      warningBox("Error saving settings in registry.\n(Baud)"),
      noticeBox("Creating Help Files", "Help"),
      warningBox("Error saving default settings in registry.\n(Baud)")};
  EXPECT_EQ(expected, recorder.boxes);
  EXPECT_TRUE(valuePresent(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin"));
}

}  // namespace

int main(int argc, char** argv) {
  if (!isWindows95Family()) return runCopyAsWindows95Family();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
