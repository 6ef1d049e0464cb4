// The entry point: one instance, the start-up, the loop and the shutdown
// (app/lifecycle.cpp has their order).
#include <windows.h>
#include <shellapi.h>

#include "../res/resource.h"
#include "lifecycle.h"
#include "sign_in.h"
#include "ui_language.h"

namespace {

const char ProductName[] = "Tavrin";

// The broker passes the registered parameters as they are; any case counts.
RunMode modeOfCommandLine() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!words) return PERSON_MODE;
  RunMode mode = PERSON_MODE;
  for (int i = 1; i < count; ++i)
    if (lstrcmpiW(words[i], L"/securedesktop") == 0) mode = SECURE_DESKTOP_MODE;
  LocalFree(words);
  return mode;
}

// Returns true when another instance of the same mode already runs (and has
// been told so to the person; a second secure-desktop Tavrin just ends).
// The two modes never stop each other. Without a mutex at all the program
// runs unguarded.
bool anotherInstanceRuns(RunMode mode) {
  const bool secure = mode == SECURE_DESKTOP_MODE;
  instanceMutex = CreateMutexA(nullptr, TRUE, secure ? "Tavrin.SecureDesktop" : ProductName);
  if (!instanceMutex || GetLastError() != ERROR_ALREADY_EXISTS) return false;
  if (secure) return true;
  wchar_t message[256];
  loadText(IDS_ALREADY_RUNNING, message, 256);
  MessageBoxW(nullptr, message, L"Tavrin", MB_OK | MB_ICONINFORMATION);
  return true;
}

void runMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  // The installer's switches do their work and end, without a window and
  // beside a running Tavrin.
  const int switchResult = runSignInSwitch(commandLine);
  if (switchResult >= 0) return switchResult;
  const RunMode mode = modeOfCommandLine();
  if (anotherInstanceRuns(mode)) return 0;
  startUp(instance, mode);
  runMessageLoop();
  // After Exit; after the end of the session the window procedure has done
  // it already and this does nothing.
  shutDown();
  return 0;
}
