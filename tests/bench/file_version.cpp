// A Windows-side helper for the package tests: prints a program's version
// resource as the system reads it (GetFileVersionInfoA), one "Name=value"
// line each: the fixed FileVersion as four numbers, then every text of the
// resource's first translation.
//
//   file-version FILE
//
// Exit code 0 when the file has a version resource, 1 otherwise.
#include <windows.h>

#include <stdio.h>

#include <vector>

namespace {

const char* const TEXT_NAMES[] = {"CompanyName",   "FileDescription", "FileVersion", "LegalCopyright",
                                  "ProductName",   "ProductVersion",  "OriginalFilename"};

struct Translation {
  WORD language;
  WORD codePage;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: file-version FILE\n");
    return 2;
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
  if (size == 0) return 1;
  std::vector<char> info(size);
  if (!GetFileVersionInfoA(argv[1], 0, size, info.data())) return 1;

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return 1;
  printf("Fixed=%u.%u.%u.%u\n", unsigned(HIWORD(fixed->dwFileVersionMS)), unsigned(LOWORD(fixed->dwFileVersionMS)),
         unsigned(HIWORD(fixed->dwFileVersionLS)), unsigned(LOWORD(fixed->dwFileVersionLS)));

  Translation* translation = nullptr;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                      &length) ||
      length < sizeof(Translation))
    return 1;
  for (const char* name : TEXT_NAMES) {
    char path[128];
    snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation->language, translation->codePage,
             name);
    char* text = nullptr;
    if (VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&text), &length) && text)
      printf("%s=%s\n", name, text);
  }
  return 0;
}
