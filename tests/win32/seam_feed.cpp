#include "seam_feed.h"

#include "interp.h"

namespace {

struct Job {
  void (*body)(void*);
  void* context;
};

DWORD WINAPI runJob(LPVOID param) {
  Job* job = static_cast<Job*>(param);
  job->body(job->context);
  return 0;
}

void feedBytes(void* context) {
  const std::string* bytes = static_cast<const std::string*>(context);
  for (unsigned char byte : *bytes) onLinkByte(byte);
}

}  // namespace

bool runOnWorker(void (*body)(void*), void* context, DWORD limitMs) {
  // Static so that a worker left behind by a failed test still has its job.
  static Job job;
  job = Job{body, context};
  HANDLE thread = CreateThread(nullptr, 0, runJob, &job, 0, nullptr);
  if (!thread) return false;
  const bool finished = WaitForSingleObject(thread, limitMs) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return finished;
}

bool feedFromWorker(const std::string& bytes, DWORD limitMs) {
  static std::string pending;
  pending = bytes;
  return runOnWorker(feedBytes, &pending, limitMs);
}

std::string esc(const char* text) { return std::string("\x1b") + text + "."; }
