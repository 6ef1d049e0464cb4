// Measures Tavrin's latency from a byte on the line to the key it types, on
// one clock: the program writes single bytes into the device's end of the
// line (a second COM port of the same Wine prefix) and its own low-level
// keyboard hook stamps the key-down Tavrin injects. For a baseline it times
// its own keybd_event through the same hook; the difference is what Tavrin
// adds. Run by tools/latency-bench.sh.
//
//   key-latency DEVICE_PORT [COUNT]      e.g. key-latency COM2 500
//
// Exit code 0 when every byte and every baseline event was seen, 1 when one
// was lost or Tavrin did not answer, 2 for bad arguments.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "latency_stats.h"

namespace {

const DWORD SeenBoundMs = 2000;
// The pause before each byte, so that every byte finds Tavrin's reader back
// in its wait, as a person's device would.
const DWORD GapMs = 5;

HANDLE keySeen;
LARGE_INTEGER seenAt;
volatile LONG hookReady;

LRESULT CALLBACK stampKeyDown(int code, WPARAM message, LPARAM lParam) {
  const KBDLLHOOKSTRUCT* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && (key->flags & LLKHF_INJECTED) && !(key->flags & LLKHF_UP)) {
    QueryPerformanceCounter(&seenAt);
    SetEvent(keySeen);
  }
  return CallNextHookEx(nullptr, code, message, lParam);
}

// The hook runs on a thread of its own that does nothing but pump its
// messages, so the stamp is taken as soon as the system calls it.
DWORD WINAPI hookThread(LPVOID) {
  MSG msg;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, stampKeyDown, GetModuleHandleA(nullptr), 0);
  InterlockedExchange(&hookReady, hook ? 1 : -1);
  if (!hook) return 1;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  UnhookWindowsHookEx(hook);
  return 0;
}

HANDLE openDevicePort(const char* name) {
  char path[32];
  snprintf(path, sizeof path, "\\\\.\\%s", name);
  HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return port;
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  if (GetCommState(port, &dcb)) {
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    SetCommState(port, &dcb);
  }
  return port;
}

bool writeByte(HANDLE port, BYTE value) {
  DWORD written = 0;
  return WriteFile(port, &value, 1, &written, nullptr) && written == 1;
}

// Writes a letter until Tavrin types one: its port is open and its reader
// runs. The letters still on their way are let through before timing starts.
bool waitForTavrin(HANDLE port, DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < limitMs) {
    ResetEvent(keySeen);
    if (!writeByte(port, 'z')) return false;
    if (WaitForSingleObject(keySeen, 250) == WAIT_OBJECT_0) {
      Sleep(500);
      return true;
    }
  }
  return false;
}

// Latencies in microseconds from the write of each byte to the hook's stamp
// of its key-down.
std::vector<double> timeBytes(HANDLE port, int count) {
  std::vector<double> latencies;
  for (int i = 0; i < count; ++i) {
    Sleep(GapMs);
    ResetEvent(keySeen);
    LARGE_INTEGER sent;
    QueryPerformanceCounter(&sent);
    if (!writeByte(port, static_cast<BYTE>('a' + i % 26))) break;
    if (WaitForSingleObject(keySeen, SeenBoundMs) != WAIT_OBJECT_0) break;
    latencies.push_back(ticksToMicroseconds(seenAt.QuadPart - sent.QuadPart));
  }
  return latencies;
}

// The same for this program's own keybd_event of the same letters.
std::vector<double> timeOwnEvents(int count) {
  std::vector<double> latencies;
  for (int i = 0; i < count; ++i) {
    Sleep(GapMs);
    const BYTE vk = static_cast<BYTE>('A' + i % 26);
    const BYTE scan = static_cast<BYTE>(MapVirtualKeyA(vk, 0));
    ResetEvent(keySeen);
    LARGE_INTEGER sent;
    QueryPerformanceCounter(&sent);
    keybd_event(vk, scan, 0, 0);
    const bool seen = WaitForSingleObject(keySeen, SeenBoundMs) == WAIT_OBJECT_0;
    keybd_event(vk, scan, KEYEVENTF_KEYUP, 0);
    if (!seen) break;
    latencies.push_back(ticksToMicroseconds(seenAt.QuadPart - sent.QuadPart));
  }
  return latencies;
}

void report(const char* what, const std::vector<double>& latencies, int wanted) {
  printf("%-9s %4u/%d  p50 %8.1f us  p99 %8.1f us  max %8.1f us\n", what,
         static_cast<unsigned>(latencies.size()), wanted, percentile(latencies, 0.5),
         percentile(latencies, 0.99), percentile(latencies, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 2 ? atoi(argv[2]) : 500;
  if (argc < 2 || argc > 3 || count <= 0) {
    fprintf(stderr, "usage: key-latency DEVICE_PORT [COUNT]\n");
    return 2;
  }
  keySeen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE hooks = CreateThread(nullptr, 0, hookThread, nullptr, 0, nullptr);
  while (hooks && hookReady == 0) Sleep(1);
  if (!keySeen || hookReady != 1) {
    fprintf(stderr, "key-latency: the keyboard hook could not be installed\n");
    return 1;
  }
  HANDLE port = openDevicePort(argv[1]);
  if (port == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "key-latency: cannot open %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  if (!waitForTavrin(port, 60000)) {
    fprintf(stderr, "key-latency: Tavrin typed nothing for the bytes written into %s\n", argv[1]);
    return 1;
  }
  const std::vector<double> tavrin = timeBytes(port, count);
  Sleep(500);
  const std::vector<double> baseline = timeOwnEvents(count);
  CloseHandle(port);

  report("tavrin", tavrin, count);
  report("baseline", baseline, count);
  printf("added     p50 %8.1f us  p99 %8.1f us\n", percentile(tavrin, 0.5) - percentile(baseline, 0.5),
         percentile(tavrin, 0.99) - percentile(baseline, 0.99));
  const bool complete = tavrin.size() == static_cast<size_t>(count) && baseline.size() == static_cast<size_t>(count);
  return complete ? 0 : 1;
}
