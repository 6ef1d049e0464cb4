// The Configure dialog driven by messages: preselection, the enabling rules
// of both families, the text limits, OK and Cancel.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "../../app/configure_dialog.h"
#include "../../app/port_descriptions.h"
#include "../../app/settings.h"
#include "../../app/settings_store.h"
#include "../../app/sign_in.h"
#include "../../app/ui_language.h"
#include "../../interp/interp.h"
#include "../../links/comm_port.h"
#include "../../res/resource.h"
#include "box_recorder.h"
#include "registry_fixture.h"

// Device Manager's names as the test gives them, in place of SetupAPI's.
std::map<int, std::string> friendlyNames;

void findPortDescriptions(bool present[ComPortNameCount], char (*descriptions)[PortDescriptionSize]) {
  for (const auto& port : friendlyNames) {
    present[port.first - 1] = true;
    lstrcpynA(descriptions[port.first - 1], port.second.c_str(), PortDescriptionSize);
  }
}

namespace {

const char* const TweakUiText =
    "Please use TweakUI to automatically log in to Windows 95/98/ME.\n\n"
    "TweakUI is a free download from Microsoft and can be found\n"
    "by searching for \"TweakUI\" using your favorite search engine";

class ConfigureDialog : public ::testing::Test {
public:
  // Enable state of 1009 and whether it is checked, then of the four log-on
  // controls, then the password shown.
  struct StartUpGroup {
    bool autoEnabled, autoChecked, fieldsEnabled;
    std::string password;
    bool operator==(const StartUpGroup& o) const {
      return autoEnabled == o.autoEnabled && autoChecked == o.autoChecked &&
             fieldsEnabled == o.fieldsEnabled && password == o.password;
    }
  };

protected:
  void SetUp() override {
    settings = Settings{};
    settings.portName = ComPortNames[0];
    settings.baudRate = 1200;
    interpretation = 1;
    ntFamily = true;
  }
  void TearDown() override {
    friendlyNames.clear();
    if (dialog) DestroyWindow(dialog);
    ntFamily = true;
    runForAllUsers = false;
  }

  // Opens the dialog without a modal loop and lets its posted commands run.
  void open() {
    dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFIGURE), nullptr,
                                configureDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    pumpMessages(50);
  }
  void click(int id) {
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
    pumpMessages(30);
  }
  void command(WPARAM id) {
    SendMessageA(dialog, WM_COMMAND, id, 0);
    pumpMessages(30);
  }
  // Types over whatever the port box shows, as a user who selects its text.
  void typePort(const std::string& text) {
    SendMessageA(GetWindow(GetDlgItem(dialog, IDC_PORT), GW_CHILD), EM_SETSEL, 0, -1);
    type(IDC_PORT, text);
  }
  std::string listEntries(int id) {
    std::string entries;
    LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char entry[128];
      SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
      entries += (i ? " " : "") + std::string(entry);
    }
    return entries;
  }
  void type(int id, const std::string& text) {
    HWND field = GetDlgItem(dialog, id);
    if (id == IDC_PORT) field = GetWindow(field, GW_CHILD);  // the combo box's edit field
    for (char c : text) SendMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
    pumpMessages(30);
  }
  std::string text(int id) {
    char buffer[1024];
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
  }
  std::string selectedText(int id) {
    LRESULT s = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (s == CB_ERR) return "(none)";
    char buffer[128];
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, s, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  bool enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }
  bool checked(int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

  bool noteShown() { return (GetWindowLongA(GetDlgItem(dialog, IDC_LOGON_NOTE), GWL_STYLE) & WS_VISIBLE) != 0; }
  StartUpGroup startUpGroup() {
    bool fields = enabled(IDC_USER);
    for (int id : {IDC_USER_LABEL, IDC_PASSWORD_LABEL, IDC_PASSWORD})
      EXPECT_EQ(fields, enabled(id)) << "control " << id << " differs from the user field";
    return {enabled(IDC_AUTO_LOGON), checked(IDC_AUTO_LOGON), fields, text(IDC_PASSWORD)};
  }

  HWND dialog = nullptr;
  // The system lists no ports unless a test adds them.
  SystemPortMap systemPorts;
};

void PrintTo(const ConfigureDialog::StartUpGroup& g, std::ostream* out);

TEST_F(ConfigureDialog, ListsHoldThePortsAndRatesInTableOrder) {
  open();
  ASSERT_EQ(17, SendDlgItemMessageA(dialog, IDC_PORT, CB_GETCOUNT, 0, 0));
  ASSERT_EQ(10, SendDlgItemMessageA(dialog, IDC_BAUD, CB_GETCOUNT, 0, 0));
  char entry[32];
  SendDlgItemMessageA(dialog, IDC_PORT, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ("IrDA", entry);
  for (int n = 1; n <= 16; ++n) {
    SendDlgItemMessageA(dialog, IDC_PORT, CB_GETLBTEXT, n, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ("COM" + std::to_string(n), entry);
  }
  const char* rates[] = {"110", "300", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
  for (int i = 0; i < 10; ++i) {
    SendDlgItemMessageA(dialog, IDC_BAUD, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ(rates[i], entry);
  }
}

TEST_F(ConfigureDialog, PreselectsByPrefixAndOkGivesTheSelection) {
  struct Row {
    const char* port; unsigned rate;
    const char* shownPort; const char* shownRate;
    const char* okPort; unsigned okRate;
  } rows[] = {
      {ComPortNames[0], 1200, "COM1", "1200", ComPortNames[0], 1200},
      {ComPortNames[9], 9600, "COM10", "9600", ComPortNames[9], 9600},
      {ComPortNames[15], 115200, "COM16", "115200", ComPortNames[15], 115200},
      {IrdaPortName, 110, "IrDA", "110", IrdaPortName, 110},
      {nullptr, 0, "COM1", "1200", ComPortNames[0], 1200},
      {ComPortNames[2], 1, "COM3", "110", ComPortNames[2], 110},
      {ComPortNames[2], 600, "COM3", "(none)", ComPortNames[2], 1200},
  };
  for (const Row& row : rows) {
    settings.portName = row.port;
    settings.baudRate = row.rate;
    open();
    EXPECT_EQ(row.shownPort, selectedText(IDC_PORT));
    EXPECT_EQ(row.shownRate, selectedText(IDC_BAUD)) << "rate " << row.rate;
    command(IDOK);
    EXPECT_EQ(row.okPort, settings.portName);
    EXPECT_EQ(row.okRate, settings.baudRate);
    DestroyWindow(dialog);
    dialog = nullptr;
  }
}

TEST_F(ConfigureDialog, TypedTextNamingNoPortFallsBackToTheListsSelection) {
  settings.portName = ComPortNames[6];
  open();
  type(IDC_PORT, "5");
  command(IDOK);
  EXPECT_EQ(ComPortNames[0], settings.portName) << "typing left no entry selected";
}

// Present ports first, in numeric order, once each, with Device Manager's
// name where it has one; then IrDA and the rest of COM1 to COM16.
TEST_F(ConfigureDialog, PortListPutsThePresentPortsFirstWithTheirNames) {
  systemPorts.add("\\Device\\Serial22", "COM23");
  systemPorts.add("\\Device\\Serial16", "COM17");
  systemPorts.add("\\Device\\BthModem0", "com23");
  systemPorts.add("\\Device\\Serial4", "COM5");
  systemPorts.add("\\Device\\Serial299", "COM300");
  systemPorts.add("\\Device\\Parallel0", "LPT1");
  systemPorts.add("\\Device\\Serial255", "COM256");
  friendlyNames = {{5, "USB Serial Port (COM5)"}, {9, "Prolific USB-to-Serial Comm Port"},
                   {23, "Standard Serial over Bluetooth link (COM23)"}};
  settings.portName = ComPortNames[22];
  open();
  std::string rest = " IrDA";
  for (int n = 1; n <= 16; ++n)
    if (n != 5 && n != 9) rest += " COM" + std::to_string(n);
  EXPECT_EQ("COM5 (USB Serial Port) COM9 (Prolific USB-to-Serial Comm Port) COM17 "
            "COM23 (Standard Serial over Bluetooth link) COM256" + rest, listEntries(IDC_PORT));
  EXPECT_EQ("COM23 (Standard Serial over Bluetooth link)", selectedText(IDC_PORT));
  RECT box;
  GetWindowRect(GetDlgItem(dialog, IDC_PORT), &box);
  EXPECT_GT(SendDlgItemMessageA(dialog, IDC_PORT, CB_GETDROPPEDWIDTH, 0, 0), box.right - box.left)
      << "the dropped list shows the long names whole";
  SendDlgItemMessageA(dialog, IDC_PORT, CB_SETCURSEL, 1, 0);
  command(IDOK);
  EXPECT_EQ(ComPortNames[8], settings.portName) << "the stored value is the bare name";
}

TEST_F(ConfigureDialog, PortNamedInTheBoxIsTakenAsTypedListedOrNot) {
  systemPorts.add("\\Device\\Serial22", "COM23");
  struct Row { const char* typed; const char* port; } rows[] = {
      {"COM23", ComPortNames[22]}, {"com200", ComPortNames[199]}, {"COM256", ComPortNames[255]},
      {"irda", IrdaPortName},      {"COM2", ComPortNames[1]},     {"COM257", ComPortNames[0]},
      {"COM0", ComPortNames[0]},   {"port 9", ComPortNames[0]},
  };
  for (const Row& row : rows) {
    settings.portName = ComPortNames[6];
    open();
    typePort(row.typed);
    command(IDOK);
    EXPECT_EQ(row.port, settings.portName) << "typed \"" << row.typed << "\"";
    DestroyWindow(dialog);
    dialog = nullptr;
  }
}

TEST_F(ConfigureDialog, StoredPortThatIsNotListedShowsAsTextAndOkKeepsIt) {
  settings.portName = ComPortNames[22];
  open();
  EXPECT_EQ("COM23", text(IDC_PORT));
  EXPECT_EQ("(none)", selectedText(IDC_PORT));
  command(IDOK);
  EXPECT_EQ(ComPortNames[22], settings.portName);
}

// Where the Winlogon key is read-only (a standard user), the log-on controls
// keep what is stored but are greyed, and the note says how to change them.
TEST_F(ConfigureDialog, EnablingRulesOnTheNtFamily) {
  strcpy(settings.password, "never shown");
  struct Row { bool readOnly, run, autoLogon; StartUpGroup group; } rows[] = {
      {false, false, false, {false, false, false, ""}},
      {false, false, true, {false, false, false, ""}},
      {false, true, false, {true, false, false, ""}},
      {false, true, true, {true, true, true, ""}},
      {true, true, true, {false, true, false, ""}},
      {true, false, true, {false, true, false, ""}},
      {true, true, false, {false, false, false, ""}},
  };
  for (const Row& row : rows) {
    std::unique_ptr<KeyLock> lock;
    if (row.readOnly) lock.reset(new KeyLock(HKEY_LOCAL_MACHINE, TEST_WINLOGON_PATH));
    settings.runAtStartup = row.run;
    settings.autoLogon = row.autoLogon;
    open();
    SCOPED_TRACE(std::string(row.readOnly ? "read-only" : "writable") + " run " + std::to_string(row.run) +
                 " auto " + std::to_string(row.autoLogon));
    EXPECT_EQ(row.group, startUpGroup());
    EXPECT_EQ(row.readOnly, noteShown());
    command(IDOK);
    EXPECT_EQ(row.readOnly ? row.autoLogon : row.run && row.autoLogon, settings.autoLogon)
        << "OK keeps what could not be changed";
  }
}

// Ticked while the sign-in list names Tavrin; greyed, with a note, where
// nothing is registered (the zip) or the list is read-only (a standard
// user). OK with it ticked stores the person's settings for sign-in and
// puts Tavrin beside the other names; cleared, it takes Tavrin out alone.
TEST_F(ConfigureDialog, SignInChoiceShowsTheListAndOkChangesItWhereItMay) {
  const std::string notInstalled =
      "Tavrin can be used at sign-in only when it is installed from its Windows Installer package (MSI).";
  const std::string needsAdmin = "To change sign-in use, exit Tavrin and start it with Run as administrator.";
  struct Row { bool registered, readOnly; const char* list; bool ticked, click; std::string note; const char* after; } rows[] = {
      {true, false, "osk", false, true, "", "osk,Tavrin"},
      {true, false, "osk,TAVRIN", true, true, "", "osk"},
      {true, false, "Tavrin", true, false, "", "Tavrin"},
      {false, false, "osk,Tavrin", true, false, notInstalled, "osk,Tavrin"},
      {true, true, "osk", false, false, needsAdmin, "osk"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    clearProgramRegistry();
    putText(HKEY_CURRENT_USER, TEST_SETTINGS_PATH, "Port", "COM1");
    putText(HKEY_LOCAL_MACHINE, TEST_ACCESSIBILITY_PATH, "Configuration", row.list);
    if (row.registered) putText(HKEY_LOCAL_MACHINE, TEST_ACCESSIBILITY_PATH "\\ATs\\Tavrin", "ATExe", "Tavrin.exe");
    std::unique_ptr<KeyLock> lock(row.readOnly ? new KeyLock(HKEY_LOCAL_MACHINE, TEST_ACCESSIBILITY_PATH) : nullptr);
    settings.portName = ComPortNames[2];
    settings.baudRate = 19200;
    interpretation = 2;
    open();
    EXPECT_EQ(row.note.empty(), enabled(IDC_SIGN_IN));
    EXPECT_EQ(row.ticked, checked(IDC_SIGN_IN));
    EXPECT_EQ(!row.note.empty(), (GetWindowLongA(GetDlgItem(dialog, IDC_SIGN_IN_NOTE), GWL_STYLE) & WS_VISIBLE) != 0);
    EXPECT_EQ(row.note, row.note.empty() ? "" : text(IDC_SIGN_IN_NOTE));
    if (row.click) click(IDC_SIGN_IN);
    command(IDOK);
    BoxRecorder recorder;
    saveSettings();
    lock.reset();
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(row.after + std::string(1, 0), valueData(HKEY_LOCAL_MACHINE, TEST_ACCESSIBILITY_PATH, "Configuration"));
    const bool stored = row.note.empty() && row.ticked != row.click;
    const char* const signInPath = TEST_SETTINGS_PATH "\\SignIn";
    EXPECT_EQ(stored ? std::string("COM3\0|19200|2", 13) : "|0|0",
              valueData(HKEY_LOCAL_MACHINE, signInPath, "Port") + "|" +
                  std::to_string(dwordValue(HKEY_LOCAL_MACHINE, signInPath, "Baud")) + "|" +
                  std::to_string(dwordValue(HKEY_LOCAL_MACHINE, signInPath, "Interpretation")));
    DestroyWindow(dialog);
    dialog = nullptr;
  }
  clearProgramRegistry();
}

TEST_F(ConfigureDialog, ClicksFollowTheRulesOnTheNtFamily) {
  strcpy(settings.password, "stored");
  strcpy(settings.userName, "ada");
  open();
  click(IDC_RUN_AT_STARTUP);
  EXPECT_EQ((StartUpGroup{true, false, false, ""}), startUpGroup());
  click(IDC_AUTO_LOGON);
  EXPECT_EQ((StartUpGroup{true, true, true, ""}), startUpGroup()) << "the stored password is never shown";
  SetDlgItemTextA(dialog, IDC_PASSWORD, "typed");
  click(IDC_AUTO_LOGON);
  EXPECT_EQ((StartUpGroup{true, false, false, ""}), startUpGroup());
  EXPECT_EQ("ada", text(IDC_USER)) << "the user field keeps its text";
  click(IDC_AUTO_LOGON);
  EXPECT_EQ("", text(IDC_PASSWORD)) << "the typed password is gone";
  click(IDC_RUN_AT_STARTUP);
  EXPECT_EQ((StartUpGroup{false, false, false, ""}), startUpGroup());
  command(IDOK);
  EXPECT_FALSE(settings.runAtStartup);
  EXPECT_FALSE(settings.autoLogon);
  EXPECT_STREQ("", settings.password);
  EXPECT_STREQ("ada", settings.userName);
}

TEST_F(ConfigureDialog, RunAtStartUpIsTickedAndGreyedUnderTheAllUsersValue) {
  runForAllUsers = true;
  open();
  EXPECT_TRUE(checked(IDC_RUN_AT_STARTUP));
  EXPECT_FALSE(enabled(IDC_RUN_AT_STARTUP));
  EXPECT_EQ((StartUpGroup{true, false, false, ""}), startUpGroup()) << "automatic log-on stays available";
  command(IDOK);
  EXPECT_TRUE(settings.runAtStartup);
}

TEST_F(ConfigureDialog, AutoLogonIsNotAvailableOnTheWindows95Family) {
  ntFamily = false;
  settings.runAtStartup = true;
  strcpy(settings.password, "stored");
  BoxRecorder recorder;
  open();
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ((StartUpGroup{true, false, false, ""}), startUpGroup());
  click(IDC_AUTO_LOGON);
  ASSERT_EQ(1u, recorder.boxes.size());
  EXPECT_EQ(noticeBox(TweakUiText, "Not available"), recorder.boxes[0]);
  EXPECT_EQ((StartUpGroup{false, false, false, ""}), startUpGroup());
  EXPECT_FALSE(noteShown());
  click(IDC_RUN_AT_STARTUP);
  click(IDC_RUN_AT_STARTUP);
  EXPECT_TRUE(enabled(IDC_AUTO_LOGON)) << "switching Run at Start Up off and on enables it again";
  EXPECT_EQ(1u, recorder.boxes.size());
  command(IDOK);
  EXPECT_FALSE(settings.autoLogon);
}

TEST_F(ConfigureDialog, UserNameOf257CharactersIsCutTo256ByOk) {
  settings.runAtStartup = true;
  settings.autoLogon = true;
  open();
  type(IDC_USER, std::string(258, 'n'));
  EXPECT_EQ(257u, text(IDC_USER).size()) << "the field takes 257 characters and no more";
  type(IDC_PASSWORD, std::string(300, 'p'));
  command(IDOK);
  EXPECT_EQ(std::string(256, 'n'), settings.userName);
  EXPECT_EQ(std::string(256, 'p'), settings.password);
}

TEST_F(ConfigureDialog, CancelKeepsEverySettingTheInterpretationIncluded) {
  settings.portName = ComPortNames[3];
  settings.baudRate = 4800;
  settings.runAtStartup = true;
  strcpy(settings.userName, "ada");
  settings.playSounds = true;
  open();
  EXPECT_TRUE(checked(IDC_PLAY_SOUNDS));
  click(IDC_PLAY_SOUNDS);
  EXPECT_TRUE(checked(IDC_ANSI_EXTENDED));
  EXPECT_FALSE(checked(IDC_ASCII_EXTENDED));
  click(IDC_ASCII_EXTENDED);
  EXPECT_EQ(1, interpretation.load()) << "the live setting waits for OK";
  SendDlgItemMessageA(dialog, IDC_PORT, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(dialog, IDC_BAUD, CB_SETCURSEL, 9, 0);
  click(IDC_RUN_AT_STARTUP);
  type(IDC_USER, "x");
  command(IDCANCEL);
  EXPECT_EQ(1, interpretation.load());
  EXPECT_EQ(ComPortNames[3], settings.portName);
  EXPECT_EQ(4800u, settings.baudRate);
  EXPECT_TRUE(settings.runAtStartup);
  EXPECT_STREQ("ada", settings.userName);
  EXPECT_TRUE(settings.playSounds);
  DestroyWindow(dialog);
  open();
  click(IDC_PLAY_SOUNDS);
  command(IDOK);
  EXPECT_FALSE(settings.playSounds) << "OK takes the sound check box";
}

TEST_F(ConfigureDialog, StoredInterpretationChecksItsButtonAndOkStoresTheCheckedOne) {
  struct Row { int stored; int checkedId; } rows[] = {
      {0, IDC_ASCII_EXTENDED}, {1, IDC_ANSI_EXTENDED}, {2, IDC_UNICODE_TEXT},
      {3, IDC_ANSI_EXTENDED},  {-1, IDC_ANSI_EXTENDED},
  };
  const int buttons[] = {IDC_ASCII_EXTENDED, IDC_ANSI_EXTENDED, IDC_UNICODE_TEXT};
  for (const Row& row : rows) {
    interpretation = row.stored;
    open();
    for (int id : buttons) EXPECT_EQ(id == row.checkedId, checked(id)) << "stored " << row.stored << ", button " << id;
    click(row.stored == 0 ? IDC_UNICODE_TEXT : IDC_ASCII_EXTENDED);
    EXPECT_EQ(row.stored, interpretation.load()) << "nothing changes before OK";
    command(IDOK);
    EXPECT_EQ(row.stored == 0 ? 2 : 0, interpretation.load());
    DestroyWindow(dialog);
    dialog = nullptr;
  }
}

// In every language each text, measured in the dialog's own font, fits the
// box it is given: the search's status with each of its longer texts, and
// the log-on note and the sign-in notes, which the dialog shows only where
// they apply.
TEST_F(ConfigureDialog, EveryTextFitsItsControlInEveryLanguage) {
  for (WORD language : {LANG_ENGLISH, LANG_GERMAN, LANG_FRENCH, LANG_SPANISH, LANG_DUTCH, LANG_ITALIAN, LANG_SWEDISH}) {
    setUiLanguage(language == LANG_ENGLISH ? MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)
                                           : MAKELANGID(language, SUBLANG_NEUTRAL));
    HRSRC found = FindResourceExW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_CONFIGURE),
                                  uiLanguage());
    dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                        static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(nullptr, found))),
                                        nullptr, configureDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    HDC dc = GetDC(dialog);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    int round = 0;
    for (int status : {IDS_SEARCH_SILENT, IDS_SEARCH_NO_PORTS, IDS_SEARCH_RATE_UNKNOWN}) {
      wchar_t text[512];
      formatText(text, 512, status, L"COM16", 115200u);
      SetDlgItemTextW(dialog, IDC_SEARCH_STATUS, text);
      loadText(round++ % 2 ? IDS_SIGN_IN_NEEDS_ADMIN : IDS_SIGN_IN_NOT_INSTALLED, text, 512);
      SetDlgItemTextW(dialog, IDC_SIGN_IN_NOTE, text);
      for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        wchar_t className[16], label[512];
        GetClassNameW(control, className, 16);
        // A check box's text has its box less the check mark and its gap.
        const bool checkBox = lstrcmpiW(className, L"Button") == 0 &&
                              (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        if (lstrcmpiW(className, L"Static") != 0 && !checkBox) continue;
        GetWindowTextW(control, label, 512);
        RECT box;
        GetClientRect(control, &box);
        if (checkBox) box.right -= GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE) * 2;
        RECT needed = box;
        DrawTextW(dc, label, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        EXPECT_LE(needed.bottom - needed.top, box.bottom - box.top) << language << " " << GetDlgCtrlID(control);
        EXPECT_LE(needed.right - needed.left, box.right - box.left) << language << " " << GetDlgCtrlID(control);
      }
    }
    SelectObject(dc, oldFont);
    ReleaseDC(dialog, dc);
    DestroyWindow(dialog);
    dialog = nullptr;
  }
  setUiLanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
}

TEST_F(ConfigureDialog, ModalRunEndsWithOneForOkAndTwoForCancel) {
  struct Row { WPARAM command; INT_PTR result; } rows[] = {{IDOK, 1}, {IDCANCEL, 2}};
  for (const Row& row : rows) {
    settings.baudRate = 115200;
    BoxRecorder recorder(row.command);
    INT_PTR result = runConfigureDialog();
    EXPECT_EQ(1, recorder.configureShown);
    EXPECT_EQ(row.result, result);
    EXPECT_EQ(115200u, settings.baudRate);
  }
}

TEST_F(ConfigureDialog, FocusStartsOnThePortListAndEscapeCancels) {
  open();
  HWND focus = GetFocus();
  EXPECT_TRUE(focus == GetDlgItem(dialog, IDC_PORT) || GetParent(focus) == GetDlgItem(dialog, IDC_PORT));
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  SetFocus(GetDlgItem(dialog, IDC_RUN_AT_STARTUP));
  MSG msg = {GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
  EXPECT_TRUE(IsDialogMessageA(dialog, &msg));
  pumpMessages(30);
  EXPECT_FALSE(IsWindowVisible(dialog)) << "Esc ends the dialog";
}

void PrintTo(const ConfigureDialog::StartUpGroup& g, std::ostream* out) {
  *out << "{auto " << (g.autoEnabled ? "enabled" : "disabled") << ", "
       << (g.autoChecked ? "checked" : "unchecked") << ", fields "
       << (g.fieldsEnabled ? "enabled" : "disabled") << ", password \"" << g.password << "\"}";
}

}  // namespace
