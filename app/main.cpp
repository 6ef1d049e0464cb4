// The entry point: one instance, the start-up, the loop and the shutdown
// (app/lifecycle.cpp has their order).
#include <windows.h>

#include "../res/resource.h"
#include "lifecycle.h"
#include "sign_in.h"
#include "ui_language.h"

namespace {

const char ProductName[] = "Tavrin";

// Returns true when another instance already runs (and has been told so to
// the user). Without a mutex at all the program runs unguarded.
bool anotherInstanceRuns() {
  instanceMutex = CreateMutexA(nullptr, TRUE, ProductName);
  if (!instanceMutex || GetLastError() != ERROR_ALREADY_EXISTS) return false;
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
  if (anotherInstanceRuns()) return 0;
  startUp(instance);
  runMessageLoop();
  // After Exit; after the end of the session the window procedure has done
  // it already and this does nothing.
  shutDown();
  return 0;
}
