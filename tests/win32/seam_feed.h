// Feeds bytes to the interpreter the way a link does: on a worker thread of
// its own, one onLinkByte call per byte.
#pragma once

#include <windows.h>

#include <string>

// Returns false when the worker did not finish within limitMs (it is then
// left running: the test that called it fails).
bool feedFromWorker(const std::string& bytes, DWORD limitMs = 5000);

// Runs body on a new thread and waits for it at most limitMs.
bool runOnWorker(void (*body)(void*), void* context, DWORD limitMs = 5000);

// The bytes of an escape sequence: ESC, the text and the full stop.
std::string esc(const char* text);
