// Test-only faults for the programs' I/O, preloaded into a run of the host
// build (LD_PRELOAD). set_config writes its target with pwrite, syncs it with
// fsync and reads it back with pread only; show_config opens its payload
// outputs with open.
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
//   SET_CONFIG_FAULT=fsync_eio  every fsync fails with EIO, as a device that
//                           cannot flush what it took
//   SET_CONFIG_FAULT=close_eio  the close of a descriptor that took a pwrite
//                           (the target) fails with EIO, as a device that
//                           reports a lost write at the close; the descriptor
//                           is closed all the same, as the kernel does
//   SET_CONFIG_READ_FAIL=P and SET_CONFIG_READ_FAIL_AFTER=N  a descriptor
//                           opened on the path P reads N bytes, then every
//                           read of it fails with EIO: a pipe, a device or a
//                           pseudo file that breaks off in the middle
//   SET_CONFIG_WRITE_LOG=F  each pwrite is logged in the file F as a line
//                           "would write N bytes from 0x%x to 0x%x", as a
//                           check (-n) describes the writes of a run
//   SET_CONFIG_READ_ONLY=P  an open of the path P for writing, and any pwrite
//                           or fsync, ends the process with status 99: a run
//                           that must not write
//   SET_CONFIG_RELINK=N and SET_CONFIG_RELINK_TO=T  an open that may create
//                           the file N first puts a symbolic link to T in N's
//                           place: another process changing what the name
//                           stands for between a check of it and the open
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
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
using fd_function = int (*)(int);
using open_function = int (*)(const char *, int, ...);
using read_function = ssize_t (*)(int, void *, size_t);

ssize_t real_pwrite(int fd, const void *data, size_t count, off_t offset) {
  static pwrite_function real = (pwrite_function)dlsym(RTLD_NEXT, "pwrite");
  return real(fd, data, count, offset);
}

bool fault_is(const char *name) {
  const char *fault = getenv("SET_CONFIG_FAULT");
  return fault && strcmp(fault, name) == 0;
}

// The descriptors that took a pwrite, until they are closed.
bool written_to[1024];

void mark_written(int fd, bool written) {
  if (fd >= 0 && (size_t)fd < sizeof written_to) written_to[fd] = written;
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

// Ends the process when the settings say that nothing may be written.
void refuse_writing() {
  if (getenv("SET_CONFIG_READ_ONLY")) _exit(99);
}

void log_write(size_t count, off_t offset) {
  const char *log = getenv("SET_CONFIG_WRITE_LOG");
  FILE *file = log && count > 0 ? fopen(log, "a") : nullptr;
  if (!file) return;
  (void)fprintf(file, "would write %zu byte%s from 0x%llx to 0x%llx\n", count, count == 1 ? "" : "s",
                (unsigned long long)offset, (unsigned long long)(offset + (off_t)count - 1));
  (void)fclose(file);
}

ssize_t faulty_pwrite(int fd, const void *data, size_t count, off_t offset) {
  refuse_writing();
  log_write(count, offset);
  hold_first_write();
  mark_written(fd, true);
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
  if (fault_is("pread_eio")) {
    errno = EIO;
    return -1;
  }
  if (fault_is("pread_eof")) return 0;
  return syscall(SYS_pread64, fd, buffer, count, offset);
}

// The descriptors opened on SET_CONFIG_READ_FAIL, and how much each may still read.
long read_left[1024];
bool read_failing[1024];

// An open of path, after the relink that the environment asks for.
int faulty_open(open_function real, const char *path, int flags, mode_t mode) {
  const char *name = getenv("SET_CONFIG_RELINK");
  const char *target = getenv("SET_CONFIG_RELINK_TO");
  if (name && target && (flags & O_CREAT) && strcmp(path, name) == 0) {
    (void)unlink(path);
    if (symlink(target, path) != 0) abort();
  }
  const char *read_only = getenv("SET_CONFIG_READ_ONLY");
  if (read_only && path && strcmp(path, read_only) == 0 && (flags & O_ACCMODE) != O_RDONLY) _exit(99);
  int fd = real(path, flags, mode);
  const char *failing = getenv("SET_CONFIG_READ_FAIL");
  const char *after = getenv("SET_CONFIG_READ_FAIL_AFTER");
  if (fd >= 0 && (size_t)fd < sizeof read_failing && failing && after && path && strcmp(path, failing) == 0) {
    read_failing[fd] = true;
    read_left[fd] = atol(after);
  }
  return fd;
}

ssize_t faulty_read(int fd, void *buffer, size_t count) {
  static read_function real = (read_function)dlsym(RTLD_NEXT, "read");
  if (fd < 0 || (size_t)fd >= sizeof read_failing || !read_failing[fd]) return real(fd, buffer, count);
  if (read_left[fd] <= 0) {
    errno = EIO;
    return -1;
  }
  ssize_t got = real(fd, buffer, count < (size_t)read_left[fd] ? count : (size_t)read_left[fd]);
  if (got > 0) read_left[fd] -= got;
  return got;
}

bool creates(int flags) { return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE; }

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

extern "C" __attribute__((visibility("default"))) ssize_t read(int fd, void *buffer, size_t count) {
  return faulty_read(fd, buffer, count);
}

extern "C" __attribute__((visibility("default"))) int fsync(int fd) {
  static fd_function real = (fd_function)dlsym(RTLD_NEXT, "fsync");
  refuse_writing();
  if (!fault_is("fsync_eio")) return real(fd);
  errno = EIO;
  return -1;
}

extern "C" __attribute__((visibility("default"))) int close(int fd) {
  static fd_function real = (fd_function)dlsym(RTLD_NEXT, "close");
  bool written = fd >= 0 && (size_t)fd < sizeof written_to && written_to[fd];
  mark_written(fd, false);
  if (fd >= 0 && (size_t)fd < sizeof read_failing) read_failing[fd] = false;
  int closed = real(fd);
  if (closed != 0 || !written || !fault_is("close_eio")) return closed;
  errno = EIO;
  return -1;
}

extern "C" __attribute__((visibility("default"))) int open(const char *path, int flags, ...) {
  static open_function real = (open_function)dlsym(RTLD_NEXT, "open");
  va_list rest;
  va_start(rest, flags);
  mode_t mode = creates(flags) ? (mode_t)va_arg(rest, unsigned) : 0;
  va_end(rest);
  return faulty_open(real, path, flags, mode);
}

extern "C" __attribute__((visibility("default"))) int open64(const char *path, int flags, ...) {
  static open_function real = (open_function)dlsym(RTLD_NEXT, "open64");
  va_list rest;
  va_start(rest, flags);
  mode_t mode = creates(flags) ? (mode_t)va_arg(rest, unsigned) : 0;
  va_end(rest);
  return faulty_open(real, path, flags, mode);
}
