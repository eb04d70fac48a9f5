// Test-only faults for the tool's I/O on its target, preloaded into a run of
// the host build (LD_PRELOAD). The tool writes its target with pwrite and reads
// it back with pread only.
//   SET_CONFIG_CUT_AFTER=K  the writes go through up to K bytes in all; the
//                           write that would pass K puts down its bytes up to
//                           K, then the run is killed as a power cut stops it
//   SET_CONFIG_CUT_TORN=M   with a cut: the byte at K is put down half
//                           programmed first, the bits of M left set
//   SET_CONFIG_HOLD=F       the first write waits, after creating the file F,
//                           until a file F.go exists (at most 20 s)
//   SET_CONFIG_FAULT=pread_eio  every pread fails with EIO, as a flash device
//                           that cannot be read back; pread_eof: every pread
//                           reads nothing
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using pwrite_function = ssize_t (*)(int, const void *, size_t, off_t);

ssize_t real_pwrite(int fd, const void *data, size_t count, off_t offset) {
  static pwrite_function real = (pwrite_function)dlsym(RTLD_NEXT, "pwrite");
  return real(fd, data, count, offset);
}

void hold_first_write() {
  static bool held = false;
  const char *marker = getenv("SET_CONFIG_HOLD");
  if (held || !marker) return;
  held = true;
  (void)close(open(marker, O_WRONLY | O_CREAT, 0644));
  char go[4096];
  int length = snprintf(go, sizeof go, "%s.go", marker);
  if (length < 0 || (size_t)length >= sizeof go) return;
  const timespec pause{0, 10000000L};  // 10 ms
  for (int waited = 0; waited < 2000 && access(go, F_OK) != 0; waited++) nanosleep(&pause, nullptr);
}

ssize_t faulty_pwrite(int fd, const void *data, size_t count, off_t offset) {
  hold_first_write();
  static long done = 0;
  const char *limit = getenv("SET_CONFIG_CUT_AFTER");
  if (!limit) return real_pwrite(fd, data, count, offset);
  long cut = atol(limit);
  if (done + (long)count <= cut) {
    ssize_t written = real_pwrite(fd, data, count, offset);
    if (written > 0) done += written;
    return written;
  }
  size_t kept = cut > done ? (size_t)(cut - done) : 0;
  if (kept > 0) (void)real_pwrite(fd, data, kept, offset);
  const char *torn = getenv("SET_CONFIG_CUT_TORN");
  if (torn) {
    uint8_t half = (uint8_t)(((const uint8_t *)data)[kept] | strtoul(torn, nullptr, 0));
    (void)real_pwrite(fd, &half, 1, offset + (off_t)kept);
  }
  (void)raise(SIGKILL);
  return -1;
}

ssize_t faulty_pread(int fd, void *buffer, size_t count, off_t offset) {
  const char *fault = getenv("SET_CONFIG_FAULT");
  if (fault && strcmp(fault, "pread_eio") == 0) {
    errno = EIO;
    return -1;
  }
  if (fault && strcmp(fault, "pread_eof") == 0) return 0;
  return syscall(SYS_pread64, fd, buffer, count, offset);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ssize_t pwrite(int fd, const void *data, size_t count, off_t offset) {
  return faulty_pwrite(fd, data, count, offset);
}

extern "C" __attribute__((visibility("default"))) ssize_t pwrite64(int fd, const void *data, size_t count,
                                                                   off_t offset) {
  return faulty_pwrite(fd, data, count, offset);
}

extern "C" __attribute__((visibility("default"))) ssize_t pread(int fd, void *buffer, size_t count, off_t offset) {
  return faulty_pread(fd, buffer, count, offset);
}

extern "C" __attribute__((visibility("default"))) ssize_t pread64(int fd, void *buffer, size_t count, off_t offset) {
  return faulty_pread(fd, buffer, count, offset);
}
