// The Configure dialog's template as the program carries it: frame, font,
// and every control in creation (tab) order with its id, kind, text,
// position and style.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "../../app/ui_language.h"
#include "../../res/resource.h"

namespace {

struct Item {
  DWORD style;
  int x, y, cx, cy;
  int id;
  int classAtom;
  std::string text;
};

struct Template {
  DWORD style;
  int cx, cy;
  std::string title, font;
  int pointSize;
  std::vector<Item> items;
};

class Reader {
public:
  explicit Reader(const BYTE* at) : at(at) {}
  WORD word() { WORD w; memcpy(&w, at, 2); at += 2; return w; }
  DWORD dword() { DWORD d; memcpy(&d, at, 4); at += 4; return d; }
  std::string text() {
    std::string s;
    for (WORD c = word(); c; c = word()) s += static_cast<char>(c);
    return s;
  }
  // A name or an ordinal (0xFFFF then the number); returns the ordinal or -1.
  int nameOrOrdinal(std::string* name) {
    WORD first = word();
    if (first == 0xFFFF) return word();
    if (first == 0) return 0;
    at -= 2;
    *name = text();
    return -1;
  }
  void alignDword(const BYTE* base) { at = base + ((at - base + 3) & ~3); }
  const BYTE* at;
};

const LANGID English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

Template loadTemplate(LANGID language = English) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceExA(module, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(IDD_CONFIGURE), language);
  const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  Template t{};
  if (!base) return t;
  Reader r(base);
  // DLGTEMPLATEEX: version 1, then the 0xFFFF signature.
  if (r.word() != 1 || r.word() != 0xFFFF) return t;
  r.dword(), r.dword();  // help id, extended style
  t.style = r.dword();
  int count = r.word();
  r.word(), r.word();
  t.cx = static_cast<short>(r.word());
  t.cy = static_cast<short>(r.word());
  std::string ignored;
  r.nameOrOrdinal(&ignored);
  r.nameOrOrdinal(&ignored);
  t.title = r.text();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.word();
    r.word(), r.word();  // weight, italic and character set
    t.font = r.text();
  }
  for (int i = 0; i < count; ++i) {
    r.alignDword(base);
    Item item{};
    r.dword(), r.dword();  // help id, extended style
    item.style = r.dword();
    item.x = static_cast<short>(r.word());
    item.y = static_cast<short>(r.word());
    item.cx = static_cast<short>(r.word());
    item.cy = static_cast<short>(r.word());
    item.id = static_cast<int>(r.dword());
    std::string className;
    item.classAtom = r.nameOrOrdinal(&className);
    // A class given by name is the same class as its predefined ordinal.
    if (lstrcmpiA(className.c_str(), "Button") == 0) item.classAtom = 0x80;
    if (lstrcmpiA(className.c_str(), "Edit") == 0) item.classAtom = 0x81;
    if (lstrcmpiA(className.c_str(), "Static") == 0) item.classAtom = 0x82;
    if (lstrcmpiA(className.c_str(), "ComboBox") == 0) item.classAtom = 0x85;
    r.nameOrOrdinal(&item.text);
    WORD extra = r.word();
    r.at += extra;
    t.items.push_back(item);
  }
  return t;
}

const int Button = 0x80, Edit = 0x81, Static = 0x82, ComboBox = 0x85;

TEST(ConfigureTemplate, FrameIsACentredModalPopupWithoutSystemMenu) {
  Template t = loadTemplate();
  EXPECT_EQ("Configure", t.title);
  EXPECT_EQ(420, t.cx);
  EXPECT_EQ(329, t.cy);
  EXPECT_EQ(8, t.pointSize);
  EXPECT_EQ("MS Shell Dlg 2", t.font);
  DWORD wanted = DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION;
  EXPECT_EQ(wanted, t.style & wanted);
  EXPECT_EQ(0u, t.style & WS_SYSMENU);
}

TEST(ConfigureTemplate, ControlsInCreationOrderWithTheirPlaceAndStyle) {
  struct Row {
    int id, atom;
    const char* text;
    int x, y, cx, cy;
    DWORD type;    // compared under the kind's type mask
    DWORD flags;   // must all be set
    DWORD absent;  // must all be clear
  };
  const DWORD BS = BS_TYPEMASK, SS = SS_TYPEMASK, CB = 3;
  const DWORD dropList = CBS_DROPDOWNLIST, dropDown = CBS_DROPDOWN;
  const Row rows[] = {
      {-1, Button, "&Port", 6, 3, 140, 29, BS_GROUPBOX, 0, 0},
      {IDC_PORT, ComboBox, "", 11, 13, 130, 146, dropDown,
       WS_VSCROLL | CBS_DISABLENOSCROLL | CBS_NOINTEGRALHEIGHT | WS_TABSTOP, CBS_SORT},
      {-1, Button, "&Baud", 151, 3, 65, 29, BS_GROUPBOX, 0, 0},
      {IDC_BAUD, ComboBox, "", 156, 13, 55, 155, dropList, CBS_UPPERCASE | WS_TABSTOP, CBS_SORT},
      {IDC_FIND, Button, "&Find my device", 6, 36, 110, 14, BS_PUSHBUTTON, WS_TABSTOP, WS_DISABLED},
      {IDC_SEARCH_STATUS, Static, "", 6, 53, 210, 34, SS_LEFT, SS_NOPREFIX, 0},
      {-1, Button, "Start Up", 6, 90, 210, 100, BS_GROUPBOX, 0, 0},
      {IDC_RUN_AT_STARTUP, Button, "&Run at Start Up", 12, 101, 198, 10, BS_AUTOCHECKBOX, WS_TABSTOP, WS_DISABLED},
      {IDC_AUTO_LOGON, Button, "&Automatically Log In as:", 12, 114, 198, 10, BS_AUTOCHECKBOX, WS_DISABLED, 0},
      {IDC_USER_LABEL, Static, "&User:", 24, 130, 54, 10, SS_LEFT, WS_DISABLED, 0},
      {IDC_USER, Edit, "", 80, 128, 100, 13, 0, WS_BORDER | ES_AUTOHSCROLL | WS_DISABLED, ES_PASSWORD},
      {IDC_PASSWORD_LABEL, Static, "Pass&word:", 24, 147, 54, 10, SS_LEFT, WS_DISABLED, 0},
      {IDC_PASSWORD, Edit, "", 80, 145, 100, 13, 0, WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD | WS_DISABLED, 0},
      {IDC_LOGON_NOTE, Static, "To change automatic log-on, exit Tavrin and start it with Run as administrator.",
       12, 162, 198, 25, SS_LEFT, 0, 0},
      {-1, Button, "Extended Character Interpretation", 6, 194, 210, 48, BS_GROUPBOX, 0, 0},
      {IDC_ASCII_EXTENDED, Button, "A&SCII Extended e.g. Brisvane", 15, 207, 195, 10, BS_AUTORADIOBUTTON, WS_GROUP, WS_DISABLED},
      {IDC_ANSI_EXTENDED, Button, "A&NSI Extended", 15, 218, 195, 10, BS_AUTORADIOBUTTON, 0, WS_DISABLED | WS_GROUP},
      {IDC_UNICODE_TEXT, Button, "Uni&code (UTF-8)", 15, 229, 195, 10, BS_AUTORADIOBUTTON, 0, WS_DISABLED | WS_GROUP},
      {-1, Button, "Sign-in", 6, 246, 210, 53, BS_GROUPBOX, WS_GROUP, 0},
      {IDC_SIGN_IN, Button, "Use Tavrin at s&ign-in and on secure screens", 12, 257, 198, 10, BS_AUTOCHECKBOX,
       WS_TABSTOP, WS_DISABLED},
      {IDC_SIGN_IN_NOTE, Static, "", 12, 270, 198, 25, SS_LEFT, 0, 0},
      {IDC_PLAY_SOUNDS, Button, "Play a sound when a &key is locked or released", 12, 303, 204, 20, BS_AUTOCHECKBOX,
       BS_MULTILINE | WS_GROUP | WS_TABSTOP, WS_DISABLED},
      {-1, Button, "Instructions", 222, 3, 192, 296, BS_GROUPBOX, WS_GROUP, 0},
      {-1, Static, "Select the port you wish to use then set the Baud to\nmatch your communications device.",
       228, 16, 180, 30, SS_CENTER, 0, 0},
      {-1, Static, "Check 'Run at Start Up' if you want this program to\nrun automatically each time you start your computer\nor log in.",
       228, 52, 180, 40, SS_CENTER, 0, 0},
      {-1, Static, "Check 'Automatically Log In' and enter a user name\nand password to automatically log into your system.\n(This may not be available on your computer.)",
       228, 98, 180, 48, SS_CENTER, 0, 0},
      {-1, Static, "Select ASCII, ANSI or Unicode (UTF-8).\nMost newer devices will use Unicode.", 228, 152, 180, 30,
       SS_CENTER, 0, 0},
      {-1, Static, "Check 'Use Tavrin at sign-in' to sign in, unlock\nthe computer and answer User Account Control\nfrom your device.",
       228, 188, 180, 56, SS_CENTER, 0, 0},
      {-1, Static, "Select OK to use the new values or Cancel to\nquit without making any changes.",
       228, 250, 180, 40, SS_CENTER, 0, 0},
      {IDOK, Button, "OK", 302, 304, 54, 14, BS_DEFPUSHBUTTON, WS_TABSTOP | WS_GROUP, WS_DISABLED},
      {IDCANCEL, Button, "Cancel", 360, 304, 54, 14, BS_PUSHBUTTON, WS_TABSTOP, WS_DISABLED},
  };
  Template t = loadTemplate();
  ASSERT_EQ(sizeof rows / sizeof rows[0], t.items.size());
  for (size_t i = 0; i < t.items.size(); ++i) {
    const Row& row = rows[i];
    const Item& item = t.items[i];
    SCOPED_TRACE("control " + std::to_string(i) + " \"" + row.text + "\"");
    EXPECT_EQ(row.id, item.id);
    EXPECT_EQ(row.atom, item.classAtom);
    EXPECT_EQ(row.text, item.text);
    EXPECT_EQ(row.x, item.x);
    EXPECT_EQ(row.y, item.y);
    EXPECT_EQ(row.cx, item.cx);
    EXPECT_EQ(row.cy, item.cy);
    DWORD mask = row.atom == Button ? BS : row.atom == Static ? SS : row.atom == ComboBox ? CB : 0;
    EXPECT_EQ(row.type, item.style & mask);
    EXPECT_EQ(row.flags, item.style & row.flags);
    EXPECT_EQ(0u, item.style & row.absent);
    EXPECT_TRUE(item.style & WS_VISIBLE);
  }
}

// The Find button's text as the dialog puts it back after a search, each
// character cut to a byte as the reader cuts the template's texts.
std::string findTextAfterASearch(LANGID language) {
  wchar_t text[64];
  setUiLanguage(language);
  loadText(IDS_FIND_DEVICE, text, 64);
  setUiLanguage(English);
  std::string bytes;
  for (const wchar_t* c = text; *c; ++c) bytes += static_cast<char>(*c);
  return bytes;
}

// In every language Alt and one letter reach each choice and labelled field;
// a letter used twice would reach only the first. The Find button keeps its
// letter after a search has changed its text.
TEST(ConfigureTemplate, EveryLanguageGivesEachControlItsOwnAccessKey) {
  for (WORD language : {LANG_ENGLISH, LANG_GERMAN, LANG_FRENCH, LANG_SPANISH, LANG_DUTCH, LANG_ITALIAN, LANG_SWEDISH}) {
    const LANGID id = language == LANG_ENGLISH ? English : MAKELANGID(language, SUBLANG_NEUTRAL);
    const Template t = loadTemplate(id);
    std::string letters;
    for (const Item& item : t.items) {
      if (item.id == IDC_FIND) {
        EXPECT_EQ(findTextAfterASearch(id), item.text) << language;
      }
      const size_t amp = item.text.find('&');
      if (amp == std::string::npos) continue;
      const char letter = static_cast<char>(toupper(item.text[amp + 1]));
      EXPECT_EQ(std::string::npos, letters.find(letter)) << language << ": " << item.text;
      letters += letter;
    }
    EXPECT_EQ(12u, letters.size()) << language << ": " << letters;
  }
}

}  // namespace
