// The string table as the program loads it: every English text character for
// character, and every language with every string, dialog and the menu of
// its own, each string with the placeholders of the English one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <regex>
#include <string>
#include <vector>

#include "../../app/held_text.h"
#include "../../app/ui_language.h"
#include "held_input.h"
#include "resource.h"

namespace {

const int FirstId = IDS_TWEAKUI, LastId = IDS_BUTTON_MIDDLE;
const LANGID Languages[] = {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL),
                            MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL),  MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL),
                            MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL),   MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL),
                            MAKELANGID(LANG_SWEDISH, SUBLANG_NEUTRAL)};

std::wstring text(int id) {
  wchar_t buffer[1024];
  loadText(id, buffer, 1024);
  return buffer;
}

// The placeholders of a text, sorted: "%1", "%2!u!".
std::vector<std::wstring> placeholders(const std::wstring& text) {
  static const std::wregex placeholder(L"%[0-9]+(![^!]*!)?");
  std::vector<std::wstring> found(std::wsregex_token_iterator(text.begin(), text.end(), placeholder),
                                  std::wsregex_token_iterator());
  std::sort(found.begin(), found.end());
  return found;
}

bool hasOwn(LANGID language, int type, int id) {
  return FindResourceExW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(id), language);
}

class StringTable : public ::testing::Test {
protected:
  void TearDown() override { setUiLanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)); }
};

TEST_F(StringTable, LoadsEveryEnglishTextExactly) {
  struct Row { int id; const wchar_t* text; } rows[] = {
      {4, L"Please use TweakUI to automatically log in to Windows 95/98/ME.\n\n"
          L"TweakUI is a free download from Microsoft and can be found\n"
          L"by searching for \"TweakUI\" using your favorite search engine"},
      {5, L"Not available"},
      {6, L"Creating Help Files"},
      {7, L"Help"},
      {8, L"Error"},
      {9, L"Error saving default settings in registry.\n(%1)"},
      {11, L"Unable to create settings key\n%1\\%2"},
      {12, L"Unable to create run key\n%1\\%2"},
      {13, L"Error saving settings in registry.\n(%1)"},
      {14, L"Unable to set start-up key."},
      {15, L"Unable to access start-up key.\n%1\\%2"},
      {16, L"Unable to write settings key\n%1\\%2"},
      {17, L"Unable to access auto-login key.\n%1\\%2"},
      {18, L"Tavrin is already running."},
      {19, L"Unable to open %1\nPlease check communications settings."},
      {20, L"Tavrin: Please configure"},
      {21, L"Tavrin: %1 @ %2!u! Baud"},
      {22, L"Tavrin cannot type into \"%1\" because that window runs as administrator."},
      {34, L"Tavrin: IrDA"},
      {35, L"Ver %1!u!.%2!u!"},
      {40, L"Tavrin"},
      {41, L"Use this computer from a communication aid"},
      {50, L"Tavrin: The secure desktop is using the device"},
  };
  setUiLanguage(Languages[0]);
  for (const Row& row : rows) EXPECT_EQ(row.text, text(row.id)) << "string " << row.id;
  for (int id : {0, 1, 2, 3, 10, LastId + 1}) EXPECT_EQ(L"", text(id)) << id;
}

// A language that lacked a string, a dialog or the menu would show English
// there; one with other placeholders would show the wrong value or none.
TEST_F(StringTable, EveryLanguageHasEveryStringDialogAndMenuWithTheEnglishPlaceholders) {
  std::vector<std::wstring> english;
  setUiLanguage(Languages[0]);
  for (int id = FirstId; id <= LastId; ++id) english.push_back(text(id));
  for (LANGID language : Languages) {
    SCOPED_TRACE(language);
    for (int dialog : {IDD_CONFIGURE, IDD_SPLASH, IDD_ABOUT}) EXPECT_TRUE(hasOwn(language, 5, dialog)) << dialog;
    EXPECT_TRUE(hasOwn(language, 4, IDM_TRAY));
    setUiLanguage(language);
    for (int id = FirstId; id <= LastId; ++id) {
      if (english[id - FirstId].empty()) continue;
      EXPECT_TRUE(hasOwn(language, 6, id / 16 + 1)) << "string block of " << id;
      const std::wstring own = text(id);
      EXPECT_FALSE(own.empty()) << "string " << id;
      EXPECT_EQ(placeholders(english[id - FirstId]), placeholders(own)) << "string " << id;
    }
  }
}

// The letter after the one "&" of a text, as Alt reaches it; 0 for none.
wchar_t accessKey(const std::wstring& text) {
  const size_t amp = text.find(L'&');
  return amp != std::wstring::npos && amp + 1 < text.size() ? towupper(text[amp + 1]) : 0;
}

// The Find button shows its stop text while the search runs: Alt and the
// letter that started the search must also stop it.
TEST_F(StringTable, FindAndItsStopTextShareOneAccessKeyInEveryLanguage) {
  for (LANGID language : Languages) {
    setUiLanguage(language);
    const wchar_t key = accessKey(text(IDS_FIND_DEVICE));
    EXPECT_NE(0, key) << language;
    EXPECT_EQ(key, accessKey(text(IDS_STOP_FINDING))) << language;
  }
}

TEST_F(StringTable, PlaceholdersTakeTheValuesInTheLanguagesOrder) {
  wchar_t shown[128];
  setUiLanguage(MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL));
  formatText(shown, 128, IDS_PORT_STATUS, L"COM3", 9600u);
  EXPECT_STREQ(L"Tavrin: COM3 mit 9600 Baud", shown);
  setUiLanguage(MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL));
  formatText(shown, 128, IDS_VERSION_LABEL, 2u, 1u);
  EXPECT_STREQ(L"Version 2.1", shown);
}

std::wstring held(unsigned state) {
  wchar_t sentence[128];
  describeHeld(state, sentence, 128);
  return sentence;
}

const unsigned PENDING = 1u << HELD_PENDING_SHIFT, DOWN = 1u << HELD_BUTTONS_SHIFT;
const unsigned Several = MODIFIER_CTRL | MODIFIER_SHIFT * PENDING | (BUTTON_LEFT | BUTTON_RIGHT) * DOWN;

TEST_F(StringTable, HeldStateGivesOneSentenceWithKeyCapsAndSidesOrNothing) {
  const struct Row { LANGID language; unsigned state; const wchar_t* sentence; } rows[] = {
      {Languages[0], MODIFIER_CTRL * PENDING, L"Held for the next key: Ctrl."},
      {Languages[0], MODIFIER_CTRL | MODIFIER_ALT, L"Locked: Ctrl+Alt."},
      {Languages[0], BUTTON_LEFT * DOWN, L"Mouse button held down: left."},
      {Languages[0], Several, L"Locked: Ctrl; held for the next key: Shift; mouse button held down: left, right."},
      {Languages[0], 0, L""},
      {Languages[1], MODIFIER_CTRL * PENDING, L"Für die nächste Taste eingerastet: Strg."},
      {Languages[1], MODIFIER_CTRL | MODIFIER_ALT, L"Gesperrt: Strg+Alt."},
      {Languages[1], BUTTON_LEFT * DOWN, L"Maustaste gedrückt: links."},
      {Languages[1], Several, L"Gesperrt: Strg; eingerastet: Umschalt; Maustaste gedrückt: links, rechts."},
      {Languages[1], 0, L""},
  };
  for (const Row& row : rows) {
    setUiLanguage(row.language);
    EXPECT_EQ(row.sentence, held(row.state)) << row.language << " " << std::hex << row.state;
  }
}

// The tooltip holds 127 characters: the longest status and the longest
// sentence (each key free, locked or pending, any buttons) fit together.
TEST_F(StringTable, LongestStatusAndHeldSentenceFitTheTooltipInEveryLanguage) {
  const ModifierSet keys[] = {MODIFIER_CTRL, MODIFIER_ALT, MODIFIER_SHIFT, MODIFIER_WIN};
  for (LANGID language : Languages) {
    setUiLanguage(language);
    wchar_t port[128];
    size_t status = formatText(port, 128, IDS_PORT_STATUS, L"COM256", 115200u), sentence = 0;
    status = std::max({status, text(IDS_PLEASE_CONFIGURE).size(), text(IDS_IRDA_STATUS).size()});
    for (unsigned mix = 0; mix < 81 * 8; ++mix) {
      unsigned state = mix / 81 * DOWN;
      for (unsigned k = 0, rest = mix % 81; k < 4; ++k, rest /= 3) state |= keys[k] * (rest % 3 == 2 ? PENDING : rest % 3);
      EXPECT_EQ(held(state).empty(), state == 0) << language << " " << std::hex << state;
      sentence = std::max(sentence, held(state).size());
    }
    EXPECT_LE(status + 1 + sentence, 127u) << language;
  }
}

TEST(UiLanguage, DisplayLanguageOfAnyCountryPicksItsLanguageAndOthersEnglish) {
  struct Row { LANGID display, shown; } rows[] = {
      {0x0407, 0x0007}, {0x0807, 0x0007}, {0x040C, 0x000C}, {0x0C0A, 0x000A}, {0x0813, 0x0013},
      {0x0410, 0x0010}, {0x081D, 0x001D}, {0x0809, 0x0409}, {0x0411, 0x0409}, {0x0416, 0x0409},
  };
  for (const Row& row : rows) EXPECT_EQ(row.shown, tavrinLanguageFor(row.display)) << std::hex << row.display;
}

}  // namespace
