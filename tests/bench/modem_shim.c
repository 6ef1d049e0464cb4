/*
 * LD_PRELOAD library for the serial test bench: lets Wine's serial code run
 * on a pseudo-terminal.
 *
 * A Linux pty has no modem lines, so TIOCMGET and friends fail with ENOTTY,
 * and Wine's WaitCommEvent then fails on the port. This library forwards
 * every ioctl to the C library; only when the real call fails with ENOTTY
 * does it stand in for the modem-line requests: TIOCMGET reports CTS, DSR
 * and CD up, plus the DTR and RTS outputs as last set on that device, and
 * TIOCMSET, TIOCMBIS and TIOCMBIC set those outputs.
 *
 * 64-bit Wine calls ioctl, 32-bit Wine (glibc with 64-bit time) calls
 * __ioctl_time64: both are wrapped.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>

typedef int (*IoctlFunction)(int, unsigned long, void *);

#define INPUT_LINES (TIOCM_CTS | TIOCM_DSR | TIOCM_CD)
#define OUTPUT_LINES (TIOCM_DTR | TIOCM_RTS)
#define DEVICE_SLOTS 64

/* The outputs of each pty this process set lines on, keyed by device number.
   Keyed by device rather than descriptor so that a second handle on the same
   port reads back what the first one set. */
static struct {
  dev_t device;
  int lines;
} outputs[DEVICE_SLOTS];
static int outputCount;
static volatile int tableLock;

static void lockTable(void) {
  while (__atomic_test_and_set(&tableLock, __ATOMIC_ACQUIRE)) {
  }
}

static void unlockTable(void) { __atomic_clear(&tableLock, __ATOMIC_RELEASE); }

/* Returns the slot of the device, adding it when new; -1 when the table is
   full or the descriptor cannot be examined. Call with the table locked. */
static int deviceSlot(int fd) {
  struct stat info;
  int i;
  if (fstat(fd, &info) != 0) return -1;
  for (i = 0; i < outputCount; i++)
    if (outputs[i].device == info.st_rdev) return i;
  if (outputCount == DEVICE_SLOTS) return -1;
  outputs[outputCount].device = info.st_rdev;
  outputs[outputCount].lines = 0;
  return outputCount++;
}

/* Answers a modem-line request the device refused; returns -1 with errno
   ENOTTY for every other request. */
static int emulateModemLines(int fd, unsigned long request, void *arg) {
  int *bits = (int *)arg;
  int slot, result = 0;
  if (request != TIOCMGET && request != TIOCMSET && request != TIOCMBIS && request != TIOCMBIC) {
    errno = ENOTTY;
    return -1;
  }
  if (bits == 0) {
    errno = EFAULT;
    return -1;
  }
  lockTable();
  slot = deviceSlot(fd);
  if (slot < 0) {
    result = -1;
  } else if (request == TIOCMGET) {
    *bits = INPUT_LINES | outputs[slot].lines;
  } else if (request == TIOCMSET) {
    outputs[slot].lines = *bits & OUTPUT_LINES;
  } else if (request == TIOCMBIS) {
    outputs[slot].lines |= *bits & OUTPUT_LINES;
  } else {
    outputs[slot].lines &= ~(*bits & OUTPUT_LINES);
  }
  unlockTable();
  if (result != 0) errno = ENOTTY;
  return result;
}

static int forward(const char *name, IoctlFunction *real, int fd, unsigned long request, void *arg) {
  int result;
  if (*real == 0) *real = (IoctlFunction)dlsym(RTLD_NEXT, name);
  if (*real == 0) {
    errno = ENOSYS;
    return -1;
  }
  result = (*real)(fd, request, arg);
  if (result == -1 && errno == ENOTTY) return emulateModemLines(fd, request, arg);
  return result;
}

int ioctl(int fd, unsigned long request, ...) {
  static IoctlFunction real;
  va_list args;
  void *arg;
  va_start(args, request);
  arg = va_arg(args, void *);
  va_end(args);
  return forward("ioctl", &real, fd, request, arg);
}

int __ioctl_time64(int fd, unsigned long request, ...) {
  static IoctlFunction real;
  va_list args;
  void *arg;
  va_start(args, request);
  arg = va_arg(args, void *);
  va_end(args);
  return forward("__ioctl_time64", &real, fd, request, arg);
}
