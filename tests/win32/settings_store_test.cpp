// The settings store against Wine's registry, NT family: load, first-run
// defaults, save, and every message box reached by making its key or value
// fail.
#include <gtest/gtest.h>

#include "../../app/link_objects.h"
#include "../../app/link_settings.h"
#include "../../app/settings.h"
#include "../../app/settings_store.h"
#include "../../interp/interp.h"
#include "../../links/comm_port.h"
#include "box_recorder.h"
#include "registry_fixture.h"
#include "settings_stand_ins.h"

namespace {

const char* const UnableToOpenCom1 = "Unable to open COM1\nPlease check communications settings.";

class SettingsStore : public ::testing::Test {
protected:
  void SetUp() override {
    startFromCleanSettings();
    ASSERT_TRUE(ntFamily) << "this program tests the NT family";
  }
  void TearDown() override { clearProgramRegistry(); }

  void storeSettings(const char* port, DWORD baud, DWORD interp) {
    putText(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port", port);
    putDword(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud", baud);
    putDword(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Interpretation", interp);
  }

  std::string ownPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
  }
};

TEST_F(SettingsStore, StoredPortTextsGiveTheirConstantNames) {
  struct Row { const char* stored; const char* expected; } rows[] = {
      {"COM3", ComPortNames[2]},  {"com12", ComPortNames[11]}, {"COM16", ComPortNames[15]},
      {"COM0", ComPortNames[0]},  {"COM17", ComPortNames[16]}, {"COM99", ComPortNames[98]},
      {"COM", ComPortNames[0]},   {"irda", IrdaPortName},      {"IRDA", IrdaPortName},
      {"LPT1", ComPortNames[0]},  {"COM100", ComPortNames[99]}, {"COM09", ComPortNames[8]},
      {"cOm7", ComPortNames[6]},  {"IrDA1", ComPortNames[0]},  {"", ComPortNames[0]},
      {"COM23", ComPortNames[22]}, {"com23", ComPortNames[22]}, {"COM256", ComPortNames[255]},
      {"COM257", ComPortNames[0]}, {"COM:", ComPortNames[0]},  {"COM2x", ComPortNames[0]},
      {"COM 2", ComPortNames[0]},  {"COM-1", ComPortNames[0]},  {"COM099", ComPortNames[98]},
      {"COM0256", ComPortNames[0]},  // seven characters: more than the value may hold
  };
  for (const Row& row : rows) {
    storeSettings(row.stored, 9600, 1);
    settings.portName = nullptr;
    ASSERT_EQ(1, loadSettings()) << row.stored;
    EXPECT_EQ(row.expected, settings.portName) << "stored \"" << row.stored << "\"";
  }
}

TEST_F(SettingsStore, MissingValuesTakeTheirDefaultsIndependently) {
  struct Row { bool port, baud, interp; const char* portName; unsigned baudRate; int interp_; } rows[] = {
      {true, true, true, ComPortNames[4], 9600, 0},
      {false, true, true, ComPortNames[0], 9600, 0},
      {true, false, true, ComPortNames[4], 1200, 0},
      {true, true, false, ComPortNames[4], 9600, 1},
      {false, false, false, ComPortNames[0], 1200, 1},
  };
  for (const Row& row : rows) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Morvane");
    storeSettings("COM5", 9600, 0);
    if (!row.port) removeValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port");
    if (!row.baud) removeValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud");
    if (!row.interp) removeValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Interpretation");
    interpretation = 7;
    ASSERT_EQ(1, loadSettings());
    EXPECT_EQ(row.portName, settings.portName);
    EXPECT_EQ(row.baudRate, settings.baudRate);
    EXPECT_EQ(row.interp_, interpretation.load());
  }
  // Settings stored before the sound choice existed play the tones.
  EXPECT_TRUE(settings.playSounds);
  putDword(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Sounds", 0);
  ASSERT_EQ(1, loadSettings());
  EXPECT_FALSE(settings.playSounds);
}

TEST_F(SettingsStore, RateOutsideTheTableIsKeptAsStored) {
  storeSettings("COM2", 600, 1);
  ASSERT_EQ(1, loadSettings());
  EXPECT_EQ(600u, settings.baudRate);
}

TEST_F(SettingsStore, ValuesTooLargeForTheirLimitReadAsMissing) {
  storeSettings("COM2", 9600, 0);
  BYTE eight[8] = {0x80, 0x25, 0, 0, 0, 0, 0, 0};
  putBinary(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud", eight, sizeof eight);
  putBinary(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Interpretation", eight, sizeof eight);
  ASSERT_EQ(1, loadSettings());
  EXPECT_EQ(1200u, settings.baudRate);
  EXPECT_EQ(1, interpretation.load());
}

TEST_F(SettingsStore, MissingSettingsKeyIsTheFirstRun) {
  EXPECT_EQ(0, loadSettings());
}

TEST_F(SettingsStore, RunValuePresenceSetsRunAtStartup) {
  storeSettings("COM1", 1200, 1);
  settings.runAtStartup = true;
  loadSettings();
  EXPECT_FALSE(settings.runAtStartup);
  putText(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", "C:\\Tools\\Tavrin.exe");
  loadSettings();
  EXPECT_TRUE(settings.runAtStartup);
  putText(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", "\"C:\\Program Files\\Tavrin\\Tavrin.exe\"");
  settings.runAtStartup = false;
  loadSettings();
  EXPECT_TRUE(settings.runAtStartup) << "a quoted path counts as well";
  // A path longer than any fixed buffer still counts as present.
  putText(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", "C:\\" + std::string(250, 'x') + "\\Tavrin.exe");
  settings.runAtStartup = false;
  loadSettings();
  EXPECT_TRUE(settings.runAtStartup);
}

// An installer's presets under HKEY_LOCAL_MACHINE fill what the user's own
// key lacks, value by value; they alone end the first run. The secure
// desktop's load takes the sign-in settings in place of the user's key,
// which it never reads.
TEST_F(SettingsStore, EachValueFallsBackToTheMachineDefaultThenToTheBuiltIn) {
  struct Value { const char* port; DWORD baud, interp; };  // null/0: absent
  auto put = [](HKEY root, const char* path, const Value& value) {
    if (value.port) putText(root, path, "Port", value.port);
    if (value.baud) putDword(root, path, "Baud", value.baud);
    if (value.interp) putDword(root, path, "Interpretation", value.interp);
  };
  struct Row { bool ownKey; Value own, machine; int loaded; const char* port; unsigned baud; int interp; } rows[] = {
      {true, {"COM5", 9600, 3}, {"COM3", 4800, 2}, 1, ComPortNames[4], 9600, 3},
      {false, {}, {"COM3", 4800, 2}, 1, ComPortNames[2], 4800, 2},
      {true, {"IrDA", 0, 0}, {nullptr, 4800, 0}, 1, IrdaPortName, 4800, 1},
      {false, {}, {nullptr, 0, 2}, 1, ComPortNames[0], 1200, 2},
      {true, {}, {}, 1, ComPortNames[0], 1200, 1},
      {false, {}, {}, 0, ComPortNames[0], 1200, 1},
  };
  for (const Row& row : rows) {
    clearProgramRegistry();
    if (row.ownKey) putText(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Unrelated", "");
    if (!row.ownKey) putText(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Unrelated", "");
    put(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, row.own);
    put(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, row.machine);
    interpretation = 7;
    EXPECT_EQ(row.loaded, loadSettings()) << "row of " << row.port << " " << row.baud;
    EXPECT_EQ(row.port, settings.portName);
    EXPECT_EQ(row.baud, settings.baudRate);
    EXPECT_EQ(row.interp, interpretation.load());
    EXPECT_EQ(row.ownKey, keyPresent(HKEY_CURRENT_USER, TEST_SETTINGS_PATH)) << "the load writes nothing";

    clearProgramRegistry();
    put(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, {"COM9", 110, 4});
    put(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH "\\SignIn", row.own);
    put(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, row.machine);
    interpretation = 7;
    loadSignInSettings();
    EXPECT_EQ(row.port, settings.portName) << "sign-in row of " << row.port << " " << row.baud;
    EXPECT_EQ(row.baud, settings.baudRate);
    EXPECT_EQ(row.interp, interpretation.load());
  }
}

// At start-up a per-user Run value that names another program is pointed
// at this one; beside the installer's all-users value it goes.
TEST_F(SettingsStore, ForeignOrDoubledRunValueIsMendedAtLoad) {
  const std::string own = ownPath();
  std::string upper = own;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  struct Row { bool allUsers; std::string stored, after; bool run; size_t writes; } rows[] = {
      {false, "C:\\Old\\Tavrin.exe", '"' + own + '"', true, 1},
      {false, "\"C:\\Program Files (x86)\\Tavrin\\Tavrin.exe\"", '"' + own + '"', true, 1},
      {false, own, own, true, 0},
      {false, '"' + upper + '"', '"' + upper + '"', true, 0},
      {false, "", "", false, 0},
      {true, "C:\\Old\\Tavrin.exe", "", true, 0},
      {true, '"' + own + '"', "", true, 0},
      {true, "", "", true, 0},
  };
  storeSettings("COM1", 1200, 1);
  for (const Row& row : rows) {
    removeValue(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin");
    removeValue(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin");
    if (row.allUsers) putText(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin", '"' + own + '"');
    if (!row.stored.empty()) putText(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", row.stored);
    resetStandIns();
    settings.runAtStartup = !row.run;
    loadSettings();
    std::string after = valueData(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin");
    EXPECT_EQ(row.after, after.empty() ? after : after.substr(0, after.size() - 1)) << row.stored;
    EXPECT_EQ(row.run, settings.runAtStartup) << row.stored;
    EXPECT_EQ(row.allUsers, runForAllUsers);
    EXPECT_EQ(row.writes, writtenValues.size()) << row.stored;
  }
  // A rewrite that fails leaves the box unticked: ticked means it starts.
  putText(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", "C:\\Old\\Tavrin.exe");
  removeValue(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin");
  failingValueName = "Tavrin";
  loadSettings();
  EXPECT_FALSE(settings.runAtStartup);
}

TEST_F(SettingsStore, AutoAdminLogonTextDecidesAutoLogon) {
  struct Row { const char* text; bool expected; } rows[] = {
      {"1", true}, {"0", false}, {"", true}, {"yes", true}, {nullptr, false}};
  storeSettings("COM1", 1200, 1);
  for (const Row& row : rows) {
    removeValue(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "AutoAdminLogon");
    if (row.text) putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "AutoAdminLogon", row.text);
    settings.autoLogon = !row.expected;
    loadSettings();
    EXPECT_EQ(row.expected, settings.autoLogon) << (row.text ? row.text : "(missing)");
  }
}

TEST_F(SettingsStore, UserNameIsReadWhenItFitsAndThePasswordNever) {
  storeSettings("COM1", 1200, 1);
  std::string longest(256, 'u');
  putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultUserName", longest);
  putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultPassword", "secret");
  strcpy(settings.password, "left over");
  {
    // A standard user may only read the key.
    KeyLock lock(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH);
    loadSettings();
  }
  EXPECT_EQ(longest, settings.userName);
  EXPECT_STREQ("", settings.password);

  BYTE unterminated[257];
  memset(unterminated, 'n', sizeof unterminated);
  putBinary(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultUserName", unterminated, sizeof unterminated);
  loadSettings();
  EXPECT_STREQ("", settings.userName) << "data without a terminator is not taken";
}

TEST_F(SettingsStore, FirstRunStoresDefaultsAfterTheHelpPage) {
  settings.runAtStartup = true;
  interpretation = 0;
  BoxRecorder recorder;
  writeDefaultSettings();
  EXPECT_EQ(1, helpPageOpened);
  ASSERT_EQ(1u, recorder.boxes.size());
  EXPECT_EQ(noticeBox("Creating Help Files", "Help"), recorder.boxes[0]);
  EXPECT_EQ(ComPortNames[0], settings.portName);
  EXPECT_EQ(1200u, settings.baudRate);
  EXPECT_EQ(1, interpretation.load());
  EXPECT_TRUE(settings.runAtStartup) << "kept from the load";
  DWORD type;
  EXPECT_EQ(std::string("COM1", 5), valueData(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port", &type));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(1200u, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud"));
  valueData(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud", &type);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(1u, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Interpretation"));
  EXPECT_TRUE(keyPresent(HKEY_CURRENT_USER, TEST_RUN_PATH));
  EXPECT_FALSE(valuePresent(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin"));
  EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH));
}

TEST_F(SettingsStore, DefaultWriteFailureStopsTheSequenceWithMessage9) {
  struct Row { const char* failing; std::vector<std::string> written; } rows[] = {
      {"Baud", {"Baud"}},
      {"Port", {"Baud", "Port"}},
      {"Interpretation", {"Baud", "Port", "Interpretation"}},
  };
  for (const Row& row : rows) {
    clearProgramRegistry();
    resetStandIns();
    failingValueName = row.failing;
    BoxRecorder recorder;
    writeDefaultSettings();
    EXPECT_EQ(row.written, writtenValues);
    ASSERT_EQ(2u, recorder.boxes.size()) << row.failing;
    EXPECT_EQ(warningBox(std::string("Error saving default settings in registry.\n(") + row.failing + ")"),
              recorder.boxes[1]);
    EXPECT_TRUE(keyPresent(HKEY_CURRENT_USER, TEST_RUN_PATH)) << "the Run key step still runs";
  }
}

TEST_F(SettingsStore, LockedSettingsKeyOnFirstRunGivesMessage11) {
  KeyLock lock(HKEY_CURRENT_USER, TEST_SETTINGS_PATH);
  EXPECT_EQ(0, loadSettings()) << "a key that does not open counts as the first run";
  BoxRecorder recorder;
  writeDefaultSettings();
  ASSERT_EQ(2u, recorder.boxes.size());
  EXPECT_EQ(warningBox("Unable to create settings key\nHKEY_CURRENT_USER\\Software\\Morvane\\Tavrin"),
            recorder.boxes[1]);
  EXPECT_TRUE(writtenValues.empty());
}

TEST_F(SettingsStore, LockedRunKeyOnFirstRunGivesMessage12) {
  KeyLock lock(HKEY_CURRENT_USER, TEST_RUN_PATH);
  BoxRecorder recorder;
  writeDefaultSettings();
  ASSERT_EQ(2u, recorder.boxes.size());
  EXPECT_EQ(warningBox("Unable to create run key\nHKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
            recorder.boxes[1]);
  EXPECT_EQ(1200u, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud"));
}

class SettingsSave : public SettingsStore {
protected:
  void SetUp() override {
    SettingsStore::SetUp();
    prepare();
  }
  // Nothing of the log-on is stored yet, and the dialog gave new values.
  void prepare() {
    clearProgramRegistry();
    storeSettings("COM1", 1200, 1);
    loadSettings();
    settings.portName = ComPortNames[4];
    settings.baudRate = 9600;
    interpretation = 0;
    settings.runAtStartup = true;
    settings.autoLogon = true;
    strcpy(settings.userName, "ada");
    strcpy(settings.password, "lovelace");
  }
  std::string winlogon(const char* name) {
    std::string data = valueData(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, name);
    return data.empty() ? data : data.substr(0, data.size() - 1);
  }
};

TEST_F(SettingsSave, StoresEveryValueWithTheProgramsOwnPath) {
  // The current directory is not the program's folder (as at log-in).
  char before[MAX_PATH];
  GetCurrentDirectoryA(sizeof before, before);
  SetCurrentDirectoryA("C:\\");
  BoxRecorder recorder;
  saveSettings();
  SetCurrentDirectoryA(before);
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(std::string("COM5", 5), valueData(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port"));
  EXPECT_EQ(9600u, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud"));
  EXPECT_EQ(0u, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Interpretation"));
  DWORD type;
  EXPECT_EQ('"' + ownPath() + "\"" + '\0', valueData(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", &type))
      << "the path is quoted whole";
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ("1", winlogon("AutoAdminLogon"));
  EXPECT_EQ("1", winlogon("ForceAutoLogon"));
  EXPECT_EQ("ada", winlogon("DefaultUserName"));
  EXPECT_FALSE(valuePresent(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultPassword"));
  EXPECT_EQ(std::vector<std::string>{"store DefaultPassword=lovelace"}, secretCalls);
  EXPECT_EQ(std::string(sizeof settings.password, '\0'), std::string(settings.password, sizeof settings.password))
      << "the typed password does not stay in memory";
}

TEST_F(SettingsSave, UnderTheAllUsersValueNoPerUserValueIsWritten) {
  putText(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin", '"' + ownPath() + '"');
  putText(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", '"' + ownPath() + '"');
  runForAllUsers = true;
  BoxRecorder recorder;
  saveSettings();
  runForAllUsers = false;
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_FALSE(valuePresent(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin"));
  EXPECT_TRUE(valuePresent(HKEY_LOCAL_MACHINE, TEST_RUN_PATH, "Tavrin")) << "the installer's value stays";
}

TEST_F(SettingsSave, PortAndInterpretationReadBackAsSaved) {
  struct Row { const char* port; int interp; const char* stored; } rows[] = {
      {ComPortNames[22], 2, "COM23"}, {ComPortNames[255], 0, "COM256"},
      {ComPortNames[16], 1, "COM17"}, {IrdaPortName, 2, "IrDA"},
  };
  for (const Row& row : rows) {
    settings.portName = row.port;
    interpretation = row.interp;
    BoxRecorder recorder;
    saveSettings();
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(std::string(row.stored) + '\0', valueData(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port"));
    settings.portName = nullptr;
    interpretation = 7;
    ASSERT_EQ(1, loadSettings());
    EXPECT_EQ(row.port, settings.portName) << row.stored;
    EXPECT_EQ(row.interp, interpretation.load()) << row.stored;
  }
}

TEST_F(SettingsSave, RunAtStartupOffDeletesThePresentValueAndIsQuietWhenAbsent) {
  settings.runAtStartup = false;
  settings.autoLogon = false;
  memset(settings.password, 0, sizeof settings.password);
  putText(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", "C:\\" + std::string(300, 'x') + "\\Tavrin.exe");
  BoxRecorder recorder;
  saveSettings();
  EXPECT_FALSE(valuePresent(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin"));
  saveSettings();
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ("0", winlogon("AutoAdminLogon"));
  EXPECT_EQ("0", winlogon("ForceAutoLogon"));
  EXPECT_EQ("ada", winlogon("DefaultUserName"));
  EXPECT_EQ(std::vector<std::string>{"delete DefaultPassword"}, secretCalls);
}

TEST_F(SettingsSave, FailedValueWritesGiveMessage13And14) {
  struct Row { const char* failing; const char* box; std::vector<std::string> written; } rows[] = {
      {"Baud", "Error saving settings in registry.\n(Baud)",
       {"Baud", "Tavrin", "AutoAdminLogon", "ForceAutoLogon", "DefaultUserName"}},
      {"Interpretation", "Error saving settings in registry.\n(Interpretation)",
       {"Baud", "Port", "Interpretation", "Tavrin", "AutoAdminLogon", "ForceAutoLogon", "DefaultUserName"}},
      {"Sounds", "Error saving settings in registry.\n(Sounds)",
       {"Baud", "Port", "Interpretation", "Sounds", "Tavrin", "AutoAdminLogon", "ForceAutoLogon", "DefaultUserName"}},
      {"Tavrin", "Unable to set start-up key.",
       {"Baud", "Port", "Interpretation", "Sounds", "Tavrin", "AutoAdminLogon", "ForceAutoLogon", "DefaultUserName"}},
      {"DefaultPassword", "Error saving settings in registry.\n(DefaultPassword)",
       {"Baud", "Port", "Interpretation", "Sounds", "Tavrin", "AutoAdminLogon", "ForceAutoLogon", "DefaultUserName"}},
      {"AutoAdminLogon", "Error saving settings in registry.\n(AutoAdminLogon)",
       {"Baud", "Port", "Interpretation", "Sounds", "Tavrin", "AutoAdminLogon"}},
      {"DefaultUserName", "Error saving settings in registry.\n(DefaultUserName)",
       {"Baud", "Port", "Interpretation", "Sounds", "Tavrin", "AutoAdminLogon", "ForceAutoLogon",
        "DefaultUserName"}},
  };
  for (const Row& row : rows) {
    prepare();
    resetStandIns();
    failingValueName = row.failing;
    BoxRecorder recorder;
    saveSettings();
    EXPECT_EQ(row.written, writtenValues) << row.failing;
    ASSERT_EQ(1u, recorder.boxes.size()) << row.failing;
    EXPECT_EQ(warningBox(row.box), recorder.boxes[0]);
  }
}

TEST_F(SettingsSave, FailedRunValueDeleteGivesMessage14) {
  settings.runAtStartup = false;
  putText(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin", "C:\\Tavrin.exe");
  failingValueName = "Tavrin";
  BoxRecorder recorder;
  saveSettings();
  ASSERT_EQ(1u, recorder.boxes.size());
  EXPECT_EQ(warningBox("Unable to set start-up key."), recorder.boxes[0]);
}

TEST_F(SettingsSave, LockedSettingsKeyGivesMessage16AndLeavesTheRunValue) {
  KeyLock lock(HKEY_CURRENT_USER, TEST_SETTINGS_PATH);
  BoxRecorder recorder;
  saveSettings();
  ASSERT_EQ(1u, recorder.boxes.size());
  EXPECT_EQ(warningBox("Unable to write settings key\nHKEY_CURRENT_USER\\Software\\Morvane\\Tavrin"),
            recorder.boxes[0]);
  EXPECT_FALSE(valuePresent(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin"));
  EXPECT_EQ("1", winlogon("AutoAdminLogon")) << "the Winlogon step still runs";
}

TEST_F(SettingsSave, LockedRunKeyGivesMessage15) {
  KeyLock lock(HKEY_CURRENT_USER, TEST_RUN_PATH);
  BoxRecorder recorder;
  saveSettings();
  ASSERT_EQ(1u, recorder.boxes.size());
  EXPECT_EQ(warningBox("Unable to access start-up key.\nHKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
            recorder.boxes[0]);
  EXPECT_EQ(9600u, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud"));
  EXPECT_EQ("1", winlogon("AutoAdminLogon"));
}

TEST_F(SettingsSave, LockedWinlogonKeyGivesMessage17AfterTheRest) {
  KeyLock lock(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH);
  BoxRecorder recorder;
  saveSettings();
  ASSERT_EQ(1u, recorder.boxes.size());
  EXPECT_EQ(warningBox("Unable to access auto-login key.\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"),
            recorder.boxes[0]);
  EXPECT_EQ(9600u, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud"));
  EXPECT_TRUE(valuePresent(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin"));
}

// The Winlogon key is locked: any attempt to open it for writing would end
// in message 17, so a row without a box touched no log-on value.
TEST_F(SettingsSave, OnlyAChangedLogOnOpensTheWinlogonKey) {
  struct Row { bool autoLogon; const char* user; const char* typed; bool attempts; } rows[] = {
      {true, "ada", "", false},
      {true, "ada", "new", true},
      {true, "grace", "", true},
      {false, "ada", "", true},
  };
  for (const Row& row : rows) {
    putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "AutoAdminLogon", "1");
    putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultUserName", "ada");
    loadSettings();
    settings.autoLogon = row.autoLogon;
    strcpy(settings.userName, row.user);
    strcpy(settings.password, row.typed);
    resetStandIns();
    KeyLock lock(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH);
    BoxRecorder recorder;
    saveSettings();
    SCOPED_TRACE(std::string(row.user) + " typed \"" + row.typed + "\" auto " + std::to_string(row.autoLogon));
    EXPECT_EQ(std::vector<std::string>({"Baud", "Port", "Interpretation", "Sounds"}), writtenValues);
    EXPECT_TRUE(secretCalls.empty());
    ASSERT_EQ(row.attempts ? 1u : 0u, recorder.boxes.size());
    if (row.attempts) {
      EXPECT_EQ(warningBox("Unable to access auto-login key.\nHKEY_LOCAL_MACHINE\\" TEST_WINLOGON_PATH), recorder.boxes[0]);
    }
  }
}

// An earlier version's plain-text password stays until the password is
// replaced or automatic log-on is turned off; an empty box keeps it.
TEST_F(SettingsSave, SecretReplacesThePlainPasswordAndGoesWhenLogOnIsOff) {
  putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultPassword", "old");
  settings.password[0] = 0;
  saveSettings();
  EXPECT_EQ("old", winlogon("DefaultPassword")) << "a new user name alone keeps the stored password";
  EXPECT_TRUE(secretCalls.empty());
  strcpy(settings.password, "new");
  saveSettings();
  EXPECT_FALSE(valuePresent(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultPassword"));
  EXPECT_EQ(std::vector<std::string>{"store DefaultPassword=new"}, secretCalls);
  putText(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultPassword", "old");
  settings.autoLogon = false;
  BoxRecorder recorder;
  saveSettings();
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ("0", winlogon("AutoAdminLogon"));
  EXPECT_FALSE(valuePresent(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH, "DefaultPassword"));
  EXPECT_EQ(std::vector<std::string>({"store DefaultPassword=new", "delete DefaultPassword"}), secretCalls);
}

TEST_F(SettingsStore, ClosedPortStatusWarnsWithMessage19ButIrdaDoesNot) {
  CCommPort neverOpened;
  struct Row { const char* port; const char* tip; size_t boxes; } rows[] = {
      {ComPortNames[0], "Tavrin: Please configure", 1},
      {IrdaPortName, "Tavrin: IrDA", 0},
  };
  for (const Row& row : rows) {
    settings.portName = row.port;
    BoxRecorder recorder;
    updateTrayStatus(neverOpened);
    EXPECT_EQ(row.tip, trayTip());
    ASSERT_EQ(row.boxes, recorder.boxes.size());
    if (row.boxes) {
      EXPECT_EQ(warningBox(UnableToOpenCom1), recorder.boxes[0]);
    }
  }
}

}  // namespace

namespace {

// configureSettings as the tray calls it. The test prefix has no device on
// COM7, so the serial port stays closed and the warning box of the status
// update shows at the end of every call.
class ConfigureRequest : public SettingsStore {
protected:
  void SetUp() override {
    SettingsStore::SetUp();
    storeSettings("COM7", 4800, 1);
    aboutOpen = 0;
    configureOpen = 0;
  }
  void TearDown() override {
    aboutOpen = 0;
    SettingsStore::TearDown();
  }
  // The start-up load, its warning box dismissed.
  void startUp() {
    BoxRecorder recorder;
    configureSettings(true);
  }
};

const char* const UnableToOpenCom7 = "Unable to open COM7\nPlease check communications settings.";

TEST_F(ConfigureRequest, StartUpWithStoredSettingsShowsNoDialog) {
  BoxRecorder recorder(IDCANCEL);
  configureSettings(true);
  EXPECT_EQ(0, recorder.configureShown);
  EXPECT_EQ(ComPortNames[6], settings.portName);
  EXPECT_EQ(4800u, settings.baudRate);
  EXPECT_EQ(std::vector<RecordedBox>{warningBox(UnableToOpenCom7)}, recorder.boxes);
  EXPECT_EQ("Tavrin: Please configure", trayTip());
  EXPECT_EQ(0, helpPageOpened);
}

TEST_F(ConfigureRequest, FirstRunCancelledKeepsTheDefaultsStored) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Morvane");
  BoxRecorder recorder(IDCANCEL);
  configureSettings(true);
  EXPECT_EQ(1, recorder.configureShown);
  EXPECT_EQ(1, helpPageOpened);
  std::vector<RecordedBox> expected = {noticeBox("Creating Help Files", "Help"),
                                       warningBox(UnableToOpenCom1)};
  EXPECT_EQ(expected, recorder.boxes);
  EXPECT_EQ(std::string("COM1", 5), valueData(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port"));
  EXPECT_EQ(0, configureOpen);
}

// A new user on a PC with presets: no help page, no notice, no dialog, the
// port opened at once; their own key appears with their first OK.
TEST_F(ConfigureRequest, FirstRunWithMachineDefaultsShowsNothingAndWritesNothing) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Morvane");
  RegDeleteKeyA(HKEY_CURRENT_USER, TEST_RUN_PATH);
  putText(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Port", "COM7");
  putDword(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Baud", 9600);
  putDword(HKEY_LOCAL_MACHINE, TEST_SETTINGS_PATH, "Interpretation", 2);
  {
    BoxRecorder recorder(IDCANCEL);
    configureSettings(true);
    EXPECT_EQ(0, recorder.configureShown);
    EXPECT_EQ(0, helpPageOpened);
    EXPECT_EQ(std::vector<RecordedBox>{warningBox(UnableToOpenCom7)}, recorder.boxes);
  }
  EXPECT_EQ(ComPortNames[6], settings.portName);
  EXPECT_EQ(9600u, settings.baudRate);
  EXPECT_EQ(2, interpretation.load());
  EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, TEST_SETTINGS_PATH));
  settings.runAtStartup = true;
  BoxRecorder recorder(IDOK);
  configureSettings(false);
  EXPECT_EQ(std::vector<RecordedBox>{warningBox(UnableToOpenCom7)}, recorder.boxes);
  EXPECT_EQ(9600u, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud"));
  EXPECT_EQ('"' + ownPath() + "\"" + '\0', valueData(HKEY_CURRENT_USER, TEST_RUN_PATH, "Tavrin"))
      << "the Run key is created with the first value";
}

TEST_F(ConfigureRequest, OkSavesAndCancelChangesNothingStored) {
  startUp();
  struct Row { WPARAM command; DWORD storedBaud; } rows[] = {{IDCANCEL, 4800}, {IDOK, 4800}};
  for (const Row& row : rows) {
    putDword(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud", 1234);
    BoxRecorder recorder(row.command);
    configureSettings(false);
    EXPECT_EQ(1, recorder.configureShown);
    DWORD expected = row.command == IDOK ? row.storedBaud : 1234;
    EXPECT_EQ(expected, dwordValue(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Baud"));
    EXPECT_EQ(std::vector<RecordedBox>{warningBox(UnableToOpenCom7)}, recorder.boxes);
  }
}

TEST_F(ConfigureRequest, OpenDialogOrAboutBoxOnlyRefreshesTheStatus) {
  startUp();
  for (int* flag : {&configureOpen, static_cast<int*>(nullptr)}) {
    if (flag) *flag = 1; else aboutOpen = 1;
    BoxRecorder recorder(IDOK);
    configureSettings(false);
    EXPECT_EQ(0, recorder.configureShown);
    EXPECT_EQ(std::vector<RecordedBox>{warningBox(UnableToOpenCom7)}, recorder.boxes);
    configureOpen = 0;
    aboutOpen = 0;
  }
}

TEST_F(ConfigureRequest, IrdaSelectionClosesTheSerialPortQuietly) {
  storeSettings("IrDA", 4800, 1);
  BoxRecorder recorder;
  configureSettings(true);
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ("Tavrin: IrDA", trayTip());
  EXPECT_EQ(0, commPort.isOpen());
}

}  // namespace
