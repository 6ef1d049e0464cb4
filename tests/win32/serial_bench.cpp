#include "serial_bench.h"

#include <stdlib.h>
#include <string.h>

#include "link_recorder.h"

namespace {

const DWORD CommandBoundMs = 10000;

std::string benchFile(const char* name) {
  const char* folder = getenv("TAVRIN_SERIAL_BENCH");
  return std::string(folder ? folder : ".") + "\\" + name;
}

int fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int writeWholeFile(const std::string& path, const char* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, 0);
  CloseHandle(file);
  return ok && written == strlen(text);
}

std::string readWholeFile(const std::string& path) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
  if (file == INVALID_HANDLE_VALUE) return text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, 0) && got > 0) text.append(chunk, got);
  CloseHandle(file);
  return text;
}

}  // namespace

int serialBenchPresent() {
  return getenv("TAVRIN_SERIAL_PORT") && getenv("TAVRIN_SERIAL_PEER") && getenv("TAVRIN_SERIAL_BENCH");
}

const char* serialBenchPort() {
  const char* port = getenv("TAVRIN_SERIAL_PORT");
  return port ? port : "COM5";
}

std::string serialBenchCommand(const char* command) {
  std::string pending = benchFile("command.tmp"), request = benchFile("command");
  DeleteFileA(benchFile("reply").c_str());
  if (!writeWholeFile(pending, command)) return std::string();
  if (!MoveFileExA(pending.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) return std::string();
  DWORD start = GetTickCount();
  while (fileExists(request)) {
    if (GetTickCount() - start > CommandBoundMs) return std::string();
    Sleep(2);
  }
  return readWholeFile(benchFile("reply"));
}

HANDLE openLinePeer() {
  const char* peer = getenv("TAVRIN_SERIAL_PEER");
  if (!peer) return INVALID_HANDLE_VALUE;
  return CreateFileA(peer, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
}

int writeLinePeer(HANDLE peer, const void* data, DWORD size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(peer, next, size, &written, 0) || written == 0) return 0;
    next += written;
    size -= written;
  }
  return 1;
}

namespace {

DWORD WINAPI writeStream(LPVOID parameter) {
  LineStream* stream = static_cast<LineStream*>(parameter);
  const char chunk[] = "streaming...";
  while (!stream->stop) {
    if (!writeLinePeer(stream->peer, chunk, sizeof chunk - 1)) return 1;
    Sleep(1);
  }
  return 0;
}

}  // namespace

int startLineStream(LineStream* stream, HANDLE peer) {
  stream->peer = peer;
  stream->stop = 0;
  stream->thread = CreateThread(0, 0, writeStream, stream, 0, 0);
  return stream->thread != 0;
}

int stopLineStream(LineStream* stream) {
  InterlockedExchange(&stream->stop, 1);
  int ended = WaitForSingleObject(stream->thread, CommandBoundMs) == WAIT_OBJECT_0;
  CloseHandle(stream->thread);
  stream->thread = 0;
  return ended;
}

HANDLE openPortForInspection() {
  std::string path = std::string("\\\\.\\") + serialBenchPort();
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, 0, OPEN_EXISTING, 0, 0);
}

int runningOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != 0;
}

int syncSerialReader(HANDLE peer) {
  const char marker = '\xA5';
  int seen = 0;
  for (int attempt = 0; attempt < 40 && !seen; attempt++) {
    if (!writeLinePeer(peer, &marker, 1)) return 0;
    seen = waitForRecords(1, 250);
  }
  if (!seen) return 0;
  int count;
  do {
    count = recorderCount();
    Sleep(100);
  } while (recorderCount() != count);
  recorderReset();
  return 1;
}
