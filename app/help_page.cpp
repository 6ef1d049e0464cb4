#include "help_page.h"

#include <windows.h>

#include <cstdio>

#include "help_content.h"
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

}  // namespace

void openHelpPage(const char* productName) {
  char directory[DIRECTORY_SIZE];
  char page[NAME_SIZE];
  if (!currentDirectoryWithSlash(directory)) return;
  if (!compose(page, "%s%s Help.html", directory, productName)) return;

  HANDLE file = CreateFileA(page, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  // A page that was there already is left as it is, pictures included.
  if (GetLastError() != ERROR_ALREADY_EXISTS) {
    writePicture(directory, "current.gif", CurrentGif);
    writePicture(directory, "menu.gif", MenuGif);
    for (const HelpBlob& piece : HelpPagePieces) writeBlob(file, piece);
  }
  CloseHandle(file);
  openPage(page);
}
