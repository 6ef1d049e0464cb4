#include "help_page.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "help_content.h"
#include "ui_language.h"
#include "help_opener.h"

namespace {

const DWORD DIRECTORY_SIZE = 200;
const int NAME_SIZE = 240;
const int COMMAND_SIZE = 256;

// The current directory with a "\" at its end. Returns 0 when it cannot be
// read or does not fit with that "\": a cut name would put the files, and
// open a page, somewhere the user never asked for.
int currentDirectoryWithSlash(char (&directory)[DIRECTORY_SIZE]) {
  const DWORD length = GetCurrentDirectoryA(DIRECTORY_SIZE, directory);
  if (length == 0 || length >= DIRECTORY_SIZE) return 0;
  if (directory[length - 1] == '\\') return 1;
  if (length + 1 >= DIRECTORY_SIZE) return 0;
  directory[length] = '\\';
  directory[length + 1] = '\0';
  return 1;
}

// snprintf that reports a cut result as a failure.
template <int N, typename... Args>
int compose(char (&out)[N], const char* format, Args... args) {
  const int written = std::snprintf(out, N, format, args...);
  return written >= 0 && written < N;
}

void writeBlob(HANDLE file, const HelpBlob& blob) {
  DWORD written = 0;
  WriteFile(file, blob.data, static_cast<DWORD>(blob.size), &written, nullptr);
}

// An existing picture is replaced; one that cannot be created is skipped.
void writePicture(const char* directory, const char* name, const HelpBlob& picture) {
  char path[NAME_SIZE];
  if (!compose(path, "%s%s", directory, name)) return;
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  writeBlob(file, picture);
  CloseHandle(file);
}

void openPage(const char* page) {
  char command[COMMAND_SIZE];
  // Where "start" is a program of its own it opens the page; elsewhere the
  // command interpreter opens it with the program registered for HTML.
  if (compose(command, "start \"%s\"", page) && runHelpCommand(command)) return;
  if (compose(command, "CMD /C \"%s\"", page)) runHelpCommand(command);
}

// The page ends with the version of the program that wrote it.
const char VersionMark[] = "<!-- Tavrin ";
const DWORD PageReadLimit = 65536;

// "2.1.0" as one number that orders versions; 0 for text that is none.
unsigned long versionNumber(const char* text) {
  unsigned major = 0, minor = 0, patch = 0;
  if (std::sscanf(text, "%u.%u.%u", &major, &minor, &patch) != 3) return 0;
  return (major & 0x3FF) << 20 | (minor & 0x3FF) << 10 | (patch & 0x3FF);
}

// True when the page was written by this version of the program or a newer
// one. A page without the mark comes from a version that wrote none.
bool pageIsCurrent(HANDLE file) {
  static char text[PageReadLimit + 1];
  DWORD got = 0;
  if (!ReadFile(file, text, PageReadLimit, &got, nullptr)) return false;
  text[got] = 0;
  const char* mark = std::strstr(text, VersionMark);
  if (!mark || versionNumber(mark + sizeof VersionMark - 1) < versionNumber(HelpPageVersion)) return false;
  // A page in another language is replaced too.
  char language[8];
  return compose(language, " %s -->", uiLanguageCode()) && std::strstr(mark, language);
}

void writePage(HANDLE file) {
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  for (const HelpBlob& piece : HelpPagePieces[uiLanguageIndex()]) writeBlob(file, piece);
  char mark[64];
  if (!compose(mark, "%s%s %s -->\n", VersionMark, HelpPageVersion, uiLanguageCode())) return;
  DWORD written = 0;
  WriteFile(file, mark, static_cast<DWORD>(std::strlen(mark)), &written, nullptr);
}

// Writes the page into directory (which ends in "\") unless the page there
// is this version's or a newer one's, in this language, and puts its name
// into page. Returns
// 0 when the folder cannot take the page: nothing is written then.
int writeHelpFiles(const char* directory, const char* productName, char (&page)[NAME_SIZE]) {
  if (!compose(page, "%s%s Help.html", directory, productName)) return 0;
  HANDLE file = CreateFileA(page, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  // A current page is left as it is, pictures included; an older one (an
  // upgrade's leftover) or one in another language is replaced, and the
  // pictures of this language are written beside it.
  if (GetLastError() != ERROR_ALREADY_EXISTS || !pageIsCurrent(file)) {
    for (const HelpPicture& picture : HelpPictures[uiLanguageIndex()])
      writePicture(directory, picture.name, picture.bytes);
    writePage(file);
  }
  CloseHandle(file);
  return 1;
}

typedef HRESULT(WINAPI* FolderPathLookup)(HWND, int, HANDLE, DWORD, LPSTR);

// The user's local application data folder with the product's folder in it
// (made when missing) and a "\" at its end. The lookup is taken from the
// shell at run time: shells of the Windows 95 family may lack it, and then
// there is no such folder.
int localDataDirectory(const char* productName, char (&directory)[DIRECTORY_SIZE]) {
  HMODULE shell = GetModuleHandleA("shell32.dll");
  if (!shell) shell = LoadLibraryA("shell32.dll");
  if (!shell) return 0;
  const FolderPathLookup lookup =
      reinterpret_cast<FolderPathLookup>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathA")));
  char base[MAX_PATH];
  if (!lookup || lookup(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK)
    return 0;
  if (!compose(directory, "%s\\%s", base, productName)) return 0;
  if (!CreateDirectoryA(directory, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return 0;
  return compose(directory, "%s\\%s\\", base, productName);
}

}  // namespace

void openHelpPage(const char* productName) {
  char directory[DIRECTORY_SIZE];
  char page[NAME_SIZE];
  // Started from the Start menu, the current folder is the program's, which
  // a standard user cannot write to: the page then goes where the user can.
  if ((currentDirectoryWithSlash(directory) && writeHelpFiles(directory, productName, page)) ||
      (localDataDirectory(productName, directory) && writeHelpFiles(directory, productName, page)))
    openPage(page);
}
