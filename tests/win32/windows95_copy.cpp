#include "windows95_copy.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

namespace {

const char* const AppDefaults = "Software\\Wine\\AppDefaults\\";

std::string ownFileName() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string full = path;
  return full.substr(full.find_last_of('\\') + 1);
}

bool setVersion(const std::string& key, const char* version) {
  HKEY handle;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LONG result = RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                     static_cast<DWORD>(strlen(version) + 1));
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

}  // namespace

bool isWindows95Family() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  return version.dwPlatformId != VER_PLATFORM_WIN32_NT;
}

int runCopyAsWindows95Family(const char* arguments) {
  const std::string key = AppDefaults + ownFileName();
  if (!setVersion(key, "win98")) {
    fprintf(stderr, "cannot set the per-program version under HKCU\\%s\n", key.c_str());
    return 1;
  }
  std::string commandLine = std::string(GetCommandLineA()) + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  DWORD exitCode = 1;
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
      fprintf(stderr, "the Windows 95 family copy did not end within two minutes\n");
      TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  } else {
    fprintf(stderr, "cannot start the Windows 95 family copy: error %lu\n", GetLastError());
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
  return static_cast<int>(exitCode);
}

void skipCopy(const char* reason) {
  fprintf(stderr, "SKIP in the Windows 95 family copy: %s\n", reason);
  fflush(stderr);
  ExitProcess(CopySkipped);
}
