// The help page writer in scratch folders of the real file system. Opening
// the page is observed at the opener, replaced here by a stand-in that
// records each command line instead of starting a viewer.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "help_content.h"
#include "help_opener.h"
#include "help_page.h"
#include "ui_language.h"

std::vector<std::string> helpCommands;
int startIsAProgram = 1;

int runHelpCommand(const char* commandLine) {
  helpCommands.push_back(commandLine);
  return std::string(commandLine).rfind("start ", 0) == 0 ? startIsAProgram : 1;
}

namespace {

const char PAGE[] = "Tavrin Help.html";

std::string readFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
  CloseHandle(file);
  return content;
}

void writeFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Compares without printing the bytes: a picture's dump helps nobody.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << actual.size() << " bytes where " << expected.size()
                                       << " were expected, first difference at byte " << at;
}

std::string blob(const HelpBlob& b) { return std::string(reinterpret_cast<const char*>(b.data), b.size); }

// Picture 0 (the tooltip) or 1 (the menu) as carried for a language.
std::string picture(int index, int language = 0) { return blob(HelpPictures[language][index].bytes); }

std::string carriedPage(int language = 0) {
  std::string page;
  for (const HelpBlob& piece : HelpPagePieces[language]) page += blob(piece);
  return page;
}

std::string versionMark(const std::string& version, const std::string& language = "en") {
  return "<!-- Tavrin " + version + " " + language + " -->\n";
}

// The page as written: the carried text and the version that wrote it.
std::string writtenPage() { return carriedPage() + versionMark(HelpPageVersion); }

// The sources the program's data is generated from (the test runs under
// Wine, whose drive Z: is the Unix root).
std::string sourceFile(const char* name) { return readFile(std::string("Z:" TAVRIN_RES_DIR "/") + name); }

const char SHELL_FOLDERS[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// While alive, the shell reports folder as the user's local application
// data folder; the value found before is put back at the end.
class LocalDataFolder {
 public:
  explicit LocalDataFolder(const std::string& folder) {
    DWORD size = sizeof saved;
    had = RegGetValueA(HKEY_CURRENT_USER, SHELL_FOLDERS, "Local AppData", RRF_RT_ANY | RRF_NOEXPAND, &type,
                       saved, &size) == ERROR_SUCCESS;
    set(REG_EXPAND_SZ, folder.c_str(), folder.size() + 1);
  }
  ~LocalDataFolder() {
    if (had)
      set(type, saved, std::strlen(saved) + 1);
    else
      RegDeleteKeyValueA(HKEY_CURRENT_USER, SHELL_FOLDERS, "Local AppData");
  }

 private:
  static void set(DWORD type, const char* data, size_t size) {
    RegSetKeyValueA(HKEY_CURRENT_USER, SHELL_FOLDERS, "Local AppData", type, data, static_cast<DWORD>(size));
  }
  bool had = false;
  DWORD type = REG_EXPAND_SZ;
  char saved[MAX_PATH] = {};
};

class HelpPage : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    scratch = std::string(temp) + "tavrin-help-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(scratch.c_str(), nullptr)) << scratch;
    ASSERT_TRUE(CreateDirectoryA((scratch + "\\local").c_str(), nullptr));
    localData = std::make_unique<LocalDataFolder>(scratch + "\\local");
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.c_str()));
    helpCommands.clear();
    startIsAProgram = 1;
  }
  void TearDown() override {
    localData.reset();
    SetCurrentDirectoryA(saved);
    removeTree(scratch);
  }
  static void removeTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = dir + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          removeTree(path);
        else
          DeleteFileA(path.c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
  }
  std::string in(const std::string& name) const { return scratch + "\\" + name; }
  std::string startLine(const std::string& dir) const { return "start \"" + dir + "\\" + PAGE + "\""; }

  // The page's folder in the user's local application data.
  std::string fallback() const { return scratch + "\\local\\Tavrin"; }

  char saved[MAX_PATH] = {};
  std::string scratch;
  std::unique_ptr<LocalDataFolder> localData;
};

TEST_F(HelpPage, FirstCallWritesThePageAndPicturesByteExactAndOpensThePage) {
  openHelpPage("Tavrin");
  EXPECT_EQ(readFile(in(PAGE)), writtenPage());
  EXPECT_TRUE(sameBytes(readFile(in("current.gif")), picture(0)));
  EXPECT_TRUE(sameBytes(readFile(in("menu.gif")), picture(1)));
  EXPECT_EQ(helpCommands, std::vector<std::string>{startLine(scratch)});
  EXPECT_FALSE(exists(fallback())) << "a folder that takes the page is the only one written";
}

TEST_F(HelpPage, PageIsWrittenInTheChosenLanguage) {
  setUiLanguage(MAKELANGID(LANG_SWEDISH, SUBLANG_NEUTRAL));
  openHelpPage("Tavrin");
  setUiLanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  EXPECT_EQ(readFile(in(PAGE)), carriedPage(6) + versionMark(HelpPageVersion, "sv"));
  EXPECT_NE(carriedPage(6), carriedPage(0));
  EXPECT_TRUE(sameBytes(readFile(in("current-sv.gif")), picture(0, 6)));
  EXPECT_TRUE(sameBytes(readFile(in("menu-sv.gif")), picture(1, 6)));
}

// Each language's page shows pictures of Tavrin in that language under
// names no other language gives its pictures, so that neither a page left
// by another language nor a browser's copy shows the wrong ones.
TEST_F(HelpPage, EachLanguagesPageNamesItsOwnPictures) {
  std::vector<std::string> names;
  for (int language = 0; language < HELP_LANGUAGE_COUNT; ++language) {
    const std::string page = carriedPage(language);
    for (int i = 0; i < HELP_PICTURE_COUNT; ++i) {
      const std::string name = HelpPictures[language][i].name;
      EXPECT_NE(page.find("src=\"" + name + "\""), std::string::npos) << name;
      EXPECT_EQ(std::count(names.begin(), names.end(), name), 0) << name << " is another language's too";
      names.push_back(name);
      EXPECT_TRUE(language == 0 || picture(i, language) != picture(i)) << name << " is the English picture";
    }
    int images = 0;
    for (size_t at = page.find("<img "); at != std::string::npos; at = page.find("<img ", at + 1)) ++images;
    EXPECT_EQ(HELP_PICTURE_COUNT, images) << "no other pictures in language " << language;
  }
}

// Each language's piece or picture where it has one, else the English one.
TEST_F(HelpPage, CarriedDataIsTheSourceFilesByteForByte) {
  const char* const codes[HELP_LANGUAGE_COUNT] = {"", "de/", "fr/", "es/", "nl/", "it/", "sv/"};
  for (int language = 0; language < HELP_LANGUAGE_COUNT; ++language) {
    auto source = [&](const char* name) {
      const std::string own = std::string("help/") + codes[language] + name;
      const bool present = GetFileAttributesA(("Z:" TAVRIN_RES_DIR "/" + own).c_str()) != INVALID_FILE_ATTRIBUTES;
      return sourceFile((present ? own : std::string("help/") + name).c_str());
    };
    std::string expected;
    for (const char* piece : {"1-configure.html", "2-connect.html", "3-troubleshooting.html", "4-end.html"})
      expected += source(piece);
    EXPECT_EQ(carriedPage(language), expected) << codes[language];
    EXPECT_TRUE(sameBytes(picture(0, language), source("current.gif"))) << codes[language];
    EXPECT_TRUE(sameBytes(picture(1, language), source("menu.gif"))) << codes[language];
  }
  const std::string page = carriedPage();
  EXPECT_EQ(page.find('\r'), std::string::npos) << "lines end with a lone LF";
  for (const char* needed : {"<title>Using Tavrin</title>", "<html lang=\"en\">", "<h1>", "<h2>", "<h3>",
                             "forced-colors", "Device Manager", "USB-serial adapter", "Outgoing", "Find my device",
                             "Unicode", "Show hidden", "administrator", "<kbd>Windows</kbd>+<kbd>B</kbd>"})
    EXPECT_NE(page.find(needed), std::string::npos) << needed;
  for (const char* gone : {"modem", "interrupt", "odd", "bgcolor"}) EXPECT_EQ(page.find(gone), std::string::npos) << gone;
}

struct GifShape {
  std::string signature;
  int width = 0, height = 0, globalColours = 0, frames = 0, interlacedFrames = 0;
  bool wellFormed = false;
};

size_t skipSubBlocks(const std::string& gif, size_t at) {
  while (at < gif.size() && gif[at] != 0) at += 1 + static_cast<unsigned char>(gif[at]);
  return at + 1;
}

// Reads the header, the global colour table's size and every frame of a GIF.
GifShape readGifShape(const std::string& gif) {
  GifShape shape;
  auto byte = [&](size_t at) { return at < gif.size() ? static_cast<unsigned char>(gif[at]) : 0; };
  if (gif.size() < 13) return shape;
  shape.signature = gif.substr(0, 6);
  shape.width = byte(6) | byte(7) << 8;
  shape.height = byte(8) | byte(9) << 8;
  if (byte(10) & 0x80) shape.globalColours = 2 << (byte(10) & 7);
  size_t at = 13 + 3 * shape.globalColours;
  while (at < gif.size()) {
    const unsigned char block = byte(at);
    if (block == 0x3B) {
      shape.wellFormed = true;
      break;
    }
    if (block == 0x21) {
      at = skipSubBlocks(gif, at + 2);
    } else if (block == 0x2C) {
      ++shape.frames;
      const unsigned char packed = byte(at + 9);
      if (packed & 0x40) ++shape.interlacedFrames;
      at += 10 + ((packed & 0x80) ? 3 * (2 << (packed & 7)) : 0);
      at = skipSubBlocks(gif, at + 1);  // past the LZW code size and the data
    } else {
      break;
    }
  }
  return shape;
}

// The page shows its pictures at 250 by 125; each, in every language, is a
// GIF89a with a 256-colour global table and one interlaced frame.
TEST_F(HelpPage, CarriedPicturesHaveTheirFormat) {
  for (const auto& pictures : HelpPictures) {
    for (const HelpPicture& picture : pictures) {
      const char* name = picture.name;
      const GifShape shape = readGifShape(blob(picture.bytes));
      EXPECT_TRUE(shape.wellFormed) << name;
      EXPECT_EQ(shape.signature, "GIF89a") << name;
      EXPECT_EQ(shape.width, 250) << name;
      EXPECT_EQ(shape.height, 125) << name;
      EXPECT_EQ(shape.globalColours, 256) << name;
      EXPECT_EQ(shape.frames, 1) << name;
      EXPECT_EQ(shape.interlacedFrames, 1) << name;
    }
  }
}

// A page written by this version or a newer one is left as it is, pictures
// included; an older one (one without the mark came before the mark) is
// replaced with its pictures, and so is one in another language. The page
// opens either way.
TEST_F(HelpPage, LaterCallsReplaceOnlyAPageOfAnOlderVersion) {
  const struct {
    std::string page;
    bool replaced;
  } rows[] = {{"left alone" + versionMark(HelpPageVersion), false},
              {"left alone" + versionMark("999.0.0"), false},
              {"left alone" + versionMark("0.9.9"), true},
              {"left alone" + versionMark(HelpPageVersion, "de"), true},
              {"left alone", true}};
  for (const auto& row : rows) {
    helpCommands.clear();
    openHelpPage("Tavrin");
    for (const char* name : {"current.gif", "menu.gif"}) writeFile(in(name), "left alone");
    writeFile(in(PAGE), row.page);
    openHelpPage("Tavrin");
    EXPECT_EQ(readFile(in(PAGE)), row.replaced ? writtenPage() : row.page);
    EXPECT_TRUE(sameBytes(readFile(in("menu.gif")), row.replaced ? picture(1) : "left alone")) << row.page;
    EXPECT_EQ(helpCommands, (std::vector<std::string>{startLine(scratch), startLine(scratch)}));
  }
}

TEST_F(HelpPage, ExistingPageWithoutPicturesDoesNotGetThemBack) {
  openHelpPage("Tavrin");
  ASSERT_TRUE(DeleteFileA(in("current.gif").c_str()));
  ASSERT_TRUE(DeleteFileA(in("menu.gif").c_str()));
  openHelpPage("Tavrin");
  EXPECT_FALSE(exists(in("current.gif")));
  EXPECT_FALSE(exists(in("menu.gif")));
}

TEST_F(HelpPage, WithoutAStartProgramTheCommandInterpreterOpensThePage) {
  startIsAProgram = 0;
  openHelpPage("Tavrin");
  const std::string page = scratch + "\\" + PAGE;
  EXPECT_EQ(helpCommands, (std::vector<std::string>{"start \"" + page + "\"", "CMD /C \"" + page + "\""}));
}

// A current folder that cannot take the page (a standard user in Program
// Files\Tavrin) gets nothing; the page and its pictures go into the user's
// local application data, made when missing, and open from there. Not even
// root may create files under /proc, which Wine shows as Z:\proc.
TEST_F(HelpPage, FolderThatCannotTakeThePageSendsItToLocalApplicationData) {
  struct Case {
    const char* why;
    std::string folder;
  };
  const Case cases[] = {{"files cannot be created", "Z:\\proc"},
                        {"the page's name is taken by a folder", scratch + "\\taken"}};
  ASSERT_TRUE(CreateDirectoryA(cases[1].folder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((cases[1].folder + "\\" + PAGE).c_str(), nullptr));
  for (const Case& c : cases) {
    removeTree(fallback());
    helpCommands.clear();
    ASSERT_TRUE(SetCurrentDirectoryA(c.folder.c_str())) << c.why;
    openHelpPage("Tavrin");
    EXPECT_FALSE(exists(c.folder + "\\current.gif")) << c.why;
    EXPECT_EQ(readFile(fallback() + "\\" + PAGE), writtenPage()) << c.why;
    EXPECT_TRUE(sameBytes(readFile(fallback() + "\\current.gif"), picture(0))) << c.why;
    EXPECT_TRUE(sameBytes(readFile(fallback() + "\\menu.gif"), picture(1))) << c.why;
    EXPECT_EQ(helpCommands, std::vector<std::string>{startLine(fallback())}) << c.why;
  }
}

// There, too, a page that exists is opened as it is; and where neither
// folder takes the page, nothing is written and nothing is opened.
TEST_F(HelpPage, LocalApplicationDataFollowsTheSameRules) {
  ASSERT_TRUE(SetCurrentDirectoryA("Z:\\proc"));
  openHelpPage("Tavrin");
  writeFile(fallback() + "\\" + PAGE, "left alone" + versionMark(HelpPageVersion));
  openHelpPage("Tavrin");
  EXPECT_TRUE(sameBytes(readFile(fallback() + "\\" + PAGE), "left alone" + versionMark(HelpPageVersion)));
  EXPECT_EQ(helpCommands, (std::vector<std::string>{startLine(fallback()), startLine(fallback())}));

  helpCommands.clear();
  LocalDataFolder unwritable("Z:\\proc\\tavrin");
  openHelpPage("Tavrin");
  EXPECT_FALSE(exists(std::string("Z:\\proc\\") + PAGE));
  EXPECT_TRUE(helpCommands.empty());
}

// A folder of the given length (its full path) inside the scratch folder.
std::string makeFolderOfLength(const std::string& base, size_t length) {
  std::string path = base;
  while (path.size() + 1 < length) {
    const size_t room = length - path.size() - 1;
    path += "\\" + std::string(room > 60 ? 60 : room, 'd');
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return "";
  }
  return path.size() == length ? path : "";
}

// The names are composed in fixed buffers: 200 bytes for the directory, 240
// for each file name. A directory that does not fit with its "\" gets
// nothing, rather than a file under a cut name: the page goes into local
// application data instead.
TEST_F(HelpPage, DirectoryTooLongForTheNameGetsNothing) {
  struct Case {
    size_t length;
    bool written;
  };
  for (Case c : {Case{198, true}, Case{199, false}, Case{230, false}}) {
    const std::string dir = makeFolderOfLength(scratch, c.length);
    ASSERT_EQ(dir.size(), c.length) << "could not make a folder of " << c.length << " characters";
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    helpCommands.clear();
    removeTree(fallback());
    openHelpPage("Tavrin");
    EXPECT_EQ(exists(dir + "\\" + PAGE), c.written) << c.length << " characters";
    EXPECT_EQ(exists(dir + "\\current.gif"), c.written) << c.length << " characters";
    EXPECT_EQ(exists(fallback() + "\\" + PAGE), !c.written) << c.length << " characters";
    EXPECT_EQ(helpCommands, std::vector<std::string>{startLine(c.written ? dir : fallback())})
        << c.length << " characters";
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.c_str()));
  }
}

// A root folder already ends in "\": none is added. The root of drive C:
// of the test's own Wine prefix serves; files found there already are left
// alone and the case is skipped, saying why.
TEST_F(HelpPage, RootFolderGetsNoSecondBackslash) {
  const char* const files[] = {"C:\\Tavrin Help.html", "C:\\current.gif", "C:\\menu.gif"};
  for (const char* file : files)
    if (exists(file)) GTEST_SKIP() << file << " exists already; it is not this test's to replace";
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  openHelpPage("Tavrin");
  const std::string page = readFile(files[0]);
  for (const char* file : files) DeleteFileA(file);
  EXPECT_EQ(helpCommands, std::vector<std::string>{"start \"C:\\Tavrin Help.html\""});
  EXPECT_EQ(page, writtenPage());
}

}  // namespace
