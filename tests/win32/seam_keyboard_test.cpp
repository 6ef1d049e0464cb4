// Bytes typed through the interpreter into the real seam, observed by a
// low-level keyboard hook: virtual key, scan code, extended/injected/up
// flags and the extra information of every injected event.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "interp.h"
#include "keyboard_layout.h"
#include "platform.h"
#include "seam_feed.h"
#include "seam_hooks.h"
#include "unicode_text.h"
#include "windows95_copy.h"

namespace {

// Scan codes of the US English layout as Windows reports them.
const DWORD SC_A = 0x1e, SC_B = 0x30, SC_E = 0x12, SC_X = 0x2d, SC_ENTER = 0x1c;
const DWORD SC_SHIFT = 0x2a, SC_CTRL = 0x1d, SC_ALT = 0x38, SC_DELETE = 0x53, SC_LWIN = 0x5b;
const DWORD SC_NUMPAD[10] = {0x52, 0x4f, 0x50, 0x51, 0x4b, 0x4c, 0x4d, 0x47, 0x48, 0x49};

const DWORD EXT = LLKHF_EXTENDED;
// The extra information: repeat count 1, the scan code in bits 16..23, the
// Alt context in bit 29, previous state and transition for a key-up.
const ULONG_PTR ALT_CONTEXT = 0x20000000;
ULONG_PTR downInfo(DWORD scan) { return (scan << 16) | 1; }
ULONG_PTR upInfo(DWORD scan) { return 0xC0000000 | (scan << 16) | 1; }

HookRecord down(DWORD vk, DWORD scan, DWORD flags = 0) { return keyDown(vk, scan, downInfo(scan), flags); }
HookRecord up(DWORD vk, DWORD scan, DWORD flags = 0) { return keyUp(vk, scan, upInfo(scan), flags); }
HookRecord altDown(DWORD vk, DWORD scan) { return keyDown(vk, scan, downInfo(scan) | ALT_CONTEXT); }
HookRecord altUp(DWORD vk, DWORD scan) { return keyUp(vk, scan, upInfo(scan) | ALT_CONTEXT); }

// Wine's X11 driver gives no keycode the virtual keys VK_NUMPAD0..9 (it maps
// the keypad to the navigation keys, whatever the X keymap), so its
// MapVirtualKeyA answers 0 for them and the extra information carries scan 0.
const char* const WINE_KEYPAD =
    "Wine's X11 driver maps no key to VK_NUMPAD0..9, so MapVirtualKeyA gives scan code 0";

HookRecord keypad(bool isUp, int digit) {
  const DWORD scan = SC_NUMPAD[digit];
  HookRecord record = isUp ? altUp(0x60 + digit, scan) : altDown(0x60 + digit, scan);
  record.knownDifference = WINE_KEYPAD;
  record.knownScan = 0;
  record.knownExtra = (isUp ? 0xC0000000 : 0) | ALT_CONTEXT | 1;
  return record;
}

void tapKeypad(std::vector<HookRecord>& records, int digit) {
  records.push_back(keypad(false, digit));
  records.push_back(keypad(true, digit));
}

std::vector<HookRecord> extendedCharacter(int hundreds, int tens, int units) {
  std::vector<HookRecord> records{altDown(0x12, SC_ALT)};
  tapKeypad(records, 0);
  tapKeypad(records, hundreds);
  tapKeypad(records, tens);
  tapKeypad(records, units);
  records.push_back(keyUp(0x12, SC_ALT, upInfo(SC_ALT)));
  return records;
}

// A Unicode unit reaches the hook as VK_PACKET with the unit for its scan
// code and no extra information.
const char* const WINE_UNICODE_UP = "Wine 8 leaves LLKHF_UP clear on the key-up of a Unicode unit";

void typeUnit(std::vector<HookRecord>& records, DWORD unit) {
  records.push_back(keyDown(VK_PACKET, unit, 0));
  HookRecord up = keyUp(VK_PACKET, unit, 0);
  up.knownDifference = WINE_UNICODE_UP;
  up.knownScan = unit;
  up.knownExtra = 0;
  up.knownFlags = LLKHF_INJECTED;
  records.push_back(up);
}

std::vector<HookRecord> unicodeUnits(std::initializer_list<DWORD> units) {
  std::vector<HookRecord> records;
  for (DWORD unit : units) typeUnit(records, unit);
  return records;
}

struct KeyRow {
  const char* name;
  std::string input;
  std::vector<HookRecord> expected;
  int interpretation = 1;
};

std::vector<KeyRow> keyRows() {
  return {
      {"plain letters", "ab",
       {keyDown(0x41, SC_A, 0x001e0001), keyUp(0x41, SC_A, 0xc01e0001),
        keyDown(0x42, SC_B, 0x00300001), keyUp(0x42, SC_B, 0xc0300001)}},
      {"capital letter", "A",
       {down(0x10, SC_SHIFT), down(0x41, SC_A), up(0x41, SC_A), up(0x10, SC_SHIFT)}},
      {"named key enter", esc("enter"), {down(0x0d, SC_ENTER), up(0x0d, SC_ENTER)}},
      {"del is extended", esc("del"), {down(0x2e, SC_DELETE, EXT), up(0x2e, SC_DELETE, EXT)}},
      {"kpdel is not extended", esc("kpdel"), {down(0x2e, SC_DELETE), up(0x2e, SC_DELETE)}},
      {"modifiers around an extended key stay unflagged", esc(",combine,ctrl,del"),
       {down(0x11, SC_CTRL), down(0x2e, SC_DELETE, EXT), up(0x2e, SC_DELETE, EXT), up(0x11, SC_CTRL)}},
      {"locked ctrl is pressed again for each key and released by rel",
       esc(",lock,ctrl") + "a" + esc(",rel"),
       {down(0x11, SC_CTRL), down(0x11, SC_CTRL), down(0x41, SC_A), up(0x41, SC_A), up(0x11, SC_CTRL)}},
      {"held alt sets the context bit until alt is up", esc(",hold,alt") + "x",
       {altDown(0x12, SC_ALT), altDown(0x58, SC_X), altUp(0x58, SC_X), up(0x12, SC_ALT)}},
      {"held leftwinkey is extended", esc(",hold,leftwinkey") + "e",
       {down(0x5b, SC_LWIN, EXT), down(0x45, SC_E), up(0x45, SC_E), up(0x5b, SC_LWIN, EXT)}},
      {"extended character 0xE9 as Alt + keypad 0 2 3 3", "\xe9", extendedCharacter(2, 3, 3)},
      {"Unicode text: two, three and four bytes, the last as a surrogate pair",
       "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", unicodeUnits({0xe9, 0x20ac, 0xd83d, 0xde00}), 2},
      {"Unicode text: an invalid byte as its Windows-1252 character", "\x80", unicodeUnits({0x20ac}), 2},
  };
}

class SeamKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(recorder.installed()) << "the low-level hooks could not be installed";
    interpretation = 1;
  }
  HookRecorder recorder;
};

TEST_F(SeamKeyboard, EveryRowReachesTheHooksAsExpected) {
  std::string report, notes;
  for (const KeyRow& row : keyRows()) {
    recorder.clear();
    interpretation = row.interpretation;
    ASSERT_TRUE(feedFromWorker(row.input)) << "row \"" << row.name << "\": the worker did not finish";
    report += compareRecords(row.name, row.expected, recorder.settle(), &notes);
  }
  // Known differences are shown on the console and in the test's XML
  // report, never passed over in silence.
  if (!notes.empty()) {
    std::printf("%s", notes.c_str());
    RecordProperty("known_differences", notes);
  }
  EXPECT_TRUE(report.empty()) << report;
}

// A wide text as its UTF-16 units in hexadecimal, for readable messages.
std::string units(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) {
    char unit[8];
    std::snprintf(unit, sizeof unit, "%04x ", static_cast<unsigned>(*text));
    out += unit;
  }
  return out;
}

// UTF-8 from the device arrives as text in a Unicode window that has the
// focus, the character beyond U+FFFF included.
TEST_F(SeamKeyboard, UnicodeWindowReceivesTheText) {
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 200, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  SetForegroundWindow(edit);
  SetFocus(edit);
  pumpMessagesFor(200, true);
  interpretation = 2;
  const std::wstring expected = L"caf\u00e9 \u20ac\u0436\U0001F600!";
  ASSERT_TRUE(feedFromWorker("caf\xc3\xa9 \xe2\x82\xac\xd0\xb6\xf0\x9f\x98\x80!"));
  wchar_t text[64] = L"";
  for (int i = 0; i < 50 && expected != text; ++i) {
    pumpMessagesFor(100, true);
    GetWindowTextW(edit, text, 64);
  }
  DestroyWindow(edit);
  EXPECT_EQ(units(text), units(expected.c_str()));
}

// Without Unicode input the seam sends nothing and answers with the ANSI
// code, which the interpreter types by Alt and the keypad; what the code page
// lacks types nothing. Checked in a copy of this program that Wine runs as
// the Windows 95 family.
TEST(SeamWindows95Family, UnicodeTextFallsBackToAnsiCodes) {
  if (!isWindows95Family()) {
    const int status = runCopyAsWindows95Family(" --gtest_filter=SeamWindows95Family.*");
    if (status == CopySkipped) GTEST_SKIP() << "the Windows 95 family copy skipped its checks";
    EXPECT_EQ(status, 0);
    return;
  }
  if (GetACP() != 1252) skipCopy("the answers below are those of code page 1252");
  HookRecorder recorder;
  ASSERT_TRUE(recorder.installed());
  EXPECT_EQ(emitUnicodeUnit(0xe9, 0), 0xe9);
  EXPECT_EQ(emitUnicodeUnit(0x20ac, 0), 0x80);
  EXPECT_EQ(emitUnicodeUnit(0x0436, 0), -1);
  EXPECT_EQ(emitUnicodeUnit(0x0100, 0), -1) << "a best-fit stand-in (A for A-macron) would type another letter";
  EXPECT_EQ(emitUnicodeUnit(0xd83d, 0), -1);
  EXPECT_TRUE(recorder.settle().empty()) << "a refused unit sent an event";

  interpretation = 2;
  ASSERT_TRUE(feedFromWorker("\xd0\xb6\xf0\x9f\x98\x80\xc3\xa9"));
  std::string notes;
  const std::string report = compareRecords("é after two characters outside the code page",
                                            extendedCharacter(2, 3, 3), recorder.settle(), &notes);
  EXPECT_TRUE(report.empty()) << report;
}

// Every row of the interpreter's table of the bytes 0x80..0x9F is the
// platform's own code page 1252; the bytes that code page leaves undefined
// come back as the control of the same value and have no row.
TEST(Windows1252, UpperRowsAreThePlatformsCodePage) {
  for (int i = 0; i < 32; ++i) {
    const char byte = static_cast<char>(0x80 + i);
    wchar_t unit = 0;
    ASSERT_EQ(MultiByteToWideChar(1252, 0, &byte, 1, &unit, 1), 1) << "byte " << 0x80 + i;
    const unsigned expected = unit == 0x80 + i ? 0 : unit;
    EXPECT_EQ(Windows1252Upper[i], expected) << "byte 0x" << std::hex << 0x80 + i;
  }
}

// The seam hands the interpreter the platform's own answers; these are the
// ones the rows above rely on.
TEST_F(SeamKeyboard, LayoutAnswersComeFromThePlatform) {
  const KeyboardLayout layout = layoutInFront();
  EXPECT_EQ(scanCodeOf(layout, 0x41), static_cast<int>(SC_A));
  EXPECT_EQ(virtualKeyAt(layout, SC_A), 0x41);
  const LayoutKey question = keyForCharacter(layout, '?');
  EXPECT_EQ(question.vk, 0xbf);
  EXPECT_EQ(question.shiftState, 1);
  EXPECT_EQ(keyForCharacter(layout, 'A').shiftState, 1);
  EXPECT_EQ(keyForCharacter(layout, 0xe9).vk, NO_KEY) << "no key of the US layout types 0xE9";
  EXPECT_EQ(readSystemLanguage(), static_cast<int>(GetSystemDefaultLangID()));
}

// Stand-ins for import slots of user32 call the real function by this.
template <typename F>
F realUser32(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

// Wine answers GetKeyboardLayout for any thread with the caller's layout, so
// a stand-in for its import slot notes the thread whose layout is asked for.
DWORD volatile layoutAskedFor = 0;

HKL WINAPI getKeyboardLayoutStandIn(DWORD thread) {
  layoutAskedFor = thread;
  static auto real = realUser32<HKL(WINAPI*)(DWORD)>("GetKeyboardLayout");
  return real(thread);
}

// A stand-in for keybd_event's import slot: once armed, Tavrin's Ctrl key-up
// lets another program switch (switchAfterShortcut), and returns only once
// that switch is done, so the text after it must come in the new state
// however slow the machine is.
HANDLE ctrlReleased = nullptr;
HANDLE switchDone = nullptr;

VOID WINAPI keybdEventStandIn(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra) {
  static auto real = realUser32<VOID(WINAPI*)(BYTE, BYTE, DWORD, ULONG_PTR)>("keybd_event");
  real(vk, scan, flags, extra);
  if (ctrlReleased && vk == VK_CONTROL && (flags & KEYEVENTF_KEYUP)) {
    SetEvent(ctrlReleased);
    WaitForSingleObject(switchDone, 5000);
  }
}

// The thread's window takes the focus when the thread gets WM_APP (then
// sets the event in its wParam, if any), and types what its keys stand for.
DWORD WINAPI focusWindowThread(void* window) {
  HWND& own = *static_cast<HWND*>(window);
  own = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 100, nullptr, nullptr,
                        GetModuleHandleA(nullptr), nullptr);
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_APP) {
      if (SetForegroundWindow(own)) SetFocus(own);
      if (msg.wParam) SetEvent(reinterpret_cast<HANDLE>(msg.wParam));
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DestroyWindow(own);
  return 0;
}

// The focus moves first, so that the new focus's thread gets the Caps Lock
// key and keeps its own key state right.
DWORD WINAPI switchAfterShortcut(void* thread) {
  WaitForSingleObject(ctrlReleased, 5000);
  HANDLE focused = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<uintptr_t>(thread)), WM_APP,
                     reinterpret_cast<WPARAM>(focused), 0);
  WaitForSingleObject(focused, 5000);
  CloseHandle(focused);
  keybd_event(VK_CAPITAL, 0x3a, 0, 0);
  keybd_event(VK_CAPITAL, 0x3a, KEYEVENTF_KEYUP, 0);
  // The toggle changes once the low-level hooks have passed the key on.
  for (int i = 0; i < 2000 && !(GetKeyState(VK_CAPITAL) & 1); ++i) Sleep(1);
  SetEvent(switchDone);
  return 0;
}

// Text right after the device's own shortcut comes in the state the system
// is in once that shortcut has taken effect: on Tavrin's Ctrl+C the focus
// moves to a window of another thread (and so of its own layout) and
// another program turns Caps Lock on, while what Tavrin knew of the focus
// and Caps Lock before its shortcut is still fresh. That window gets "a",
// typed with Shift against Caps Lock, looked up in its thread's layout.
TEST_F(SeamKeyboard, TextAfterOwnShortcutComesInTheNewFocusAndCapsLock) {
  HWND windows[2] = {};
  DWORD ids[2] = {};
  HANDLE threads[3];
  for (int i = 1; i >= 0; --i) {  // the first window takes the focus last
    threads[i] = CreateThread(nullptr, 0, focusWindowThread, &windows[i], 0, &ids[i]);
    pumpMessagesFor(300);
  }
  ASSERT_TRUE(windows[0] && windows[1]);
  EXPECT_TRUE(feedFromWorker("x"));  // Tavrin learns the focus and Caps Lock
  ctrlReleased = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  switchDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  threads[2] = CreateThread(nullptr, 0, switchAfterShortcut, reinterpret_cast<void*>(uintptr_t{ids[1]}), 0, nullptr);
  EXPECT_TRUE(feedFromWorker(esc(",combine,ctrl,c") + "a"));
  pumpMessagesFor(300);
  char text[16] = "";
  GetWindowTextA(windows[1], text, sizeof text);
  EXPECT_STREQ(text, "a");
  EXPECT_EQ(layoutAskedFor, ids[1]);
  keybd_event(VK_CAPITAL, 0x3a, 0, 0);
  keybd_event(VK_CAPITAL, 0x3a, KEYEVENTF_KEYUP, 0);
  for (int i = 0; i < 3; ++i) {
    if (i < 2) PostThreadMessageA(ids[i], WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(threads[i], 5000), WAIT_OBJECT_0);
    CloseHandle(threads[i]);
  }
  CloseHandle(ctrlReleased);
  CloseHandle(switchDone);
  ctrlReleased = switchDone = nullptr;
}

// Wine's VkKeyScanExW, MapVirtualKeyExW and ToUnicodeEx ignore the layout
// handle: stand-ins for their import slots answer some keys of a German
// layout, and leave the rest to Wine's US English one.
const HKL GERMAN = reinterpret_cast<HKL>(0x04070407);

SHORT WINAPI vkKeyScanExStandIn(WCHAR c, HKL layout) {
  if (layout == GERMAN && c == L'@') return 0x651;                      // AltGr+Q
  if (layout == GERMAN && (c == L'^' || c == L'`')) return c == L'^' ? 0xdc : 0x1dd;  // dead keys
  return realUser32<SHORT(WINAPI*)(WCHAR, HKL)>("VkKeyScanExW")(c, layout);
}

UINT WINAPI mapVirtualKeyExStandIn(UINT code, UINT type, HKL layout) {
  if (layout == GERMAN && code == 0xdc && type == MAPVK_VK_TO_CHAR) return 0x8000005e;
  return realUser32<UINT(WINAPI*)(UINT, UINT, HKL)>("MapVirtualKeyExW")(code, type, layout);
}

int WINAPI toUnicodeExStandIn(UINT vk, UINT scan, const BYTE* state, LPWSTR text, int size, UINT flags, HKL layout) {
  if (layout == GERMAN && vk == 0xdd) return text[0] = L'`', -1;
  return realUser32<int(WINAPI*)(UINT, UINT, const BYTE*, LPWSTR, int, UINT, HKL)>("ToUnicodeEx")(
      vk, scan, state, text, size, flags, layout);
}

TEST(KeyboardLayout, AnswersForAGermanLayout) {
  const LayoutKey at = layoutKeyOf(L'@', GERMAN, true);
  EXPECT_TRUE(at.vk == 'Q' && at.shiftState == 6 && at.flags == 0) << "AltGr+Q, no dead key";
  EXPECT_EQ(layoutKeyOf(L'^', GERMAN, true).flags, LAYOUT_DEAD_KEY) << "the plain state, by MapVirtualKeyExW";
  EXPECT_EQ(layoutKeyOf(L'`', GERMAN, true).flags, LAYOUT_DEAD_KEY) << "the Shift state, by ToUnicodeEx";
  EXPECT_EQ(layoutKeyOf(L'z', GERMAN, true).flags, LAYOUT_CAPS_KEY);
}

}  // namespace

// The import slots of user32 that the tests above stand in for.
#ifdef _WIN64
#define IMPORT_SLOT(name, bytes) "__imp_" #name
#else
#define IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#endif
#define STAND_IN(pointer, name, bytes, standIn) \
  extern "C" decltype(&standIn) pointer asm(IMPORT_SLOT(name, bytes)); \
  decltype(&standIn) pointer = standIn;
STAND_IN(getKeyboardLayoutImport, GetKeyboardLayout, 4, getKeyboardLayoutStandIn)
STAND_IN(keybdEventImport, keybd_event, 16, keybdEventStandIn)
STAND_IN(vkKeyScanExImport, VkKeyScanExW, 8, vkKeyScanExStandIn)
STAND_IN(mapVirtualKeyExImport, MapVirtualKeyExW, 12, mapVirtualKeyExStandIn)
STAND_IN(toUnicodeExImport, ToUnicodeEx, 28, toUnicodeExStandIn)
