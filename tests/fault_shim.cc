// A fault for the whole-program tests, loaded into the tool with LD_PRELOAD:
// SET_CONFIG_FAULT names it. "pread_eio": every pread fails with EIO, as a
// flash device that cannot be read back. "pread_eof": every pread reads
// nothing. Anything else, or none: pread does what it always does.
#include <errno.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

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

extern "C" __attribute__((visibility("default"))) ssize_t pread(int fd, void *buffer, size_t count, off_t offset) {
  return faulty_pread(fd, buffer, count, offset);
}

extern "C" __attribute__((visibility("default"))) ssize_t pread64(int fd, void *buffer, size_t count, off_t offset) {
  return faulty_pread(fd, buffer, count, offset);
}
