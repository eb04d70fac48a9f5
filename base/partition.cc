#include "base/partition.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/layout.h"
#include "base/report.h"
#include "base/result.h"
#include "base/trace.h"

namespace {

// Reads from fd until buffer is full, the end of the file or an error: the
// count read. failed, when given, tells that a read failed.
size_t read_up_to(int fd, std::span<uint8_t> buffer, bool *failed = nullptr) {
  size_t count = 0;
  while (count < buffer.size()) {
    ssize_t got = read(fd, buffer.data() + count, buffer.size() - count);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && failed) *failed = true;
    if (got <= 0) break;
    count += (size_t)got;
  }
  return count;
}

int check_count(const char *path, size_t count, size_t expected, bool failed = false) {
  if (!failed && count > 0 && (expected == 0 || count == expected)) return result_ok;
  report("ERROR: reading file %s len %d", printable_path(path), (int)count);
  return result_read;
}

// A device without sync support (a character device, a pipe) has nothing to flush.
bool synced(int fd) {
  if (fsync(fd) == 0) return true;
  return errno == EINVAL || errno == EROFS || errno == ENOTSUP || errno == EOPNOTSUPP;
}

// The index of the first byte where a and b differ, which they do.
size_t differing_byte(const uint8_t *a, const uint8_t *b) {
  size_t i = 0;
  while (a[i] == b[i]) i++;
  return i;
}

// The offset (from 0) of the first of data's bytes that the partition does not
// hold at offset, or -1 when all are there. unread tells that the partition
// could not be read from there on (an error, or its end). Each chunk read is
// compared whole; only a chunk that differs is searched for its byte.
long first_difference(int fd, std::span<const uint8_t> data, uint32_t offset, bool &unread) {
  uint8_t chunk[2048];
  for (size_t done = 0; done < data.size();) {
    size_t size = data.size() - done < sizeof chunk ? data.size() - done : sizeof chunk;
    ssize_t got = pread(fd, chunk, size, (off_t)(offset + done));
    if (got < 0 && errno == EINTR) continue;
    unread = got <= 0;
    if (unread) return (long)done;
    if (memcmp(chunk, &data[done], (size_t)got) != 0) return (long)(done + differing_byte(chunk, &data[done]));
    done += (size_t)got;
  }
  return -1;
}

// Writes data at offset in one call: the count written, or -1.
ssize_t write_at(int fd, std::span<const uint8_t> data, uint32_t offset) {
  ssize_t written;
  do {
    written = pwrite(fd, data.data(), data.size(), (off_t)offset);
  } while (written < 0 && errno == EINTR);
  return written;
}

// How far the runs of one write got: the bytes written (-1 when the first
// write failed outright), and where the read-back differed.
struct write_progress {
  long count = 0;
  bool seekless = false;  // the target cannot seek (a pipe): nothing was counted
  long differs_at = -1;   // partition offset where the read-back differed
  bool unread = false;    // the read-back could not read from there on
};

// True when the partition holds data at offset; else where it differs is noted.
bool stands(int fd, std::span<const uint8_t> data, uint32_t offset, write_progress &progress) {
  long differs = first_difference(fd, data, offset, progress.unread);
  if (differs >= 0) progress.differs_at = (long)offset + differs;
  return differs < 0;
}

// Writes one run at offset, syncs it and reads it back: false when any of that fails.
bool write_run(int fd, std::span<const uint8_t> run, uint32_t offset, write_progress &progress) {
  ssize_t written = write_at(fd, run, offset);
  if (written < 0) {
    if (progress.count == 0) progress.count = -1;
    progress.seekless = progress.count < 0 && errno == ESPIPE;
    return false;
  }
  progress.count += written;
  return written == (ssize_t)run.size() && synced(fd) && stands(fd, run, offset, progress);
}

// Opens path with flags, never waiting on a FIFO: a FIFO or a socket is no
// partition (it cannot take a write at an offset, and a FIFO the run holds
// open itself never ends its read). The descriptor, or -1.
int open_seekable(const char *path, int flags) {
  int fd = open(path, flags | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fd;
  struct stat status;
  // Of the status flags, the descriptor was given O_NONBLOCK only: 0 clears it.
  if (fstat(fd, &status) != 0 || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int open_partition(partition &target, const char *path, partition_use use) {
  target.path = path;
  if (!path) return result_ok;
  bool writing = use == partition_written;
  target.checked = use == partition_checked;
  if (writing) {
    target.fd = open_seekable(path, O_RDWR);
    target.writable = target.fd >= 0;
  }
  if (target.fd < 0)
    target.fd = use == partition_read ? open(path, O_RDONLY | O_CLOEXEC) : open_seekable(path, O_RDONLY);
  if (target.fd < 0) return result_ok;
  int locked;
  do {
    locked = flock(target.fd, writing ? LOCK_EX : LOCK_SH);
  } while (locked != 0 && errno == EINTR);
  if (locked == 0) return result_ok;
  report("ERROR: cannot lock %s\n", path);
  return result_write;
}

bool shares_partition(const partition &target, int fd) {
  struct stat mine, other;
  if (target.fd < 0 || fstat(target.fd, &mine) != 0 || fstat(fd, &other) != 0) return false;
  bool device = S_ISCHR(mine.st_mode) || S_ISBLK(mine.st_mode);
  if (device && (mine.st_mode & S_IFMT) == (other.st_mode & S_IFMT) && mine.st_rdev == other.st_rdev) return true;
  return mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

bool close_partition(partition &target) {
  // Closing the descriptor releases the lock.
  bool closed = target.fd < 0 || close(target.fd) == 0;
  target.fd = -1;
  target.writable = false;
  return closed;
}

int read_partition(const partition &target, std::span<uint8_t> image) {
  size_t count = target.fd >= 0 ? read_up_to(target.fd, image) : 0;
  return check_count(target.path, count, image.size());
}

int read_file_2_buffer(const char *path, std::span<uint8_t> buffer, size_t expected, size_t *count) {
  size_t got = 0;
  bool failed = false;
  int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
  if (fd >= 0) {
    got = read_up_to(fd, buffer, &failed);
    close(fd);
  }
  if (count) *count = got;
  return check_count(path, got, expected, failed);
}

int check_file_read(const char *path, const file_read &read) {
  return check_count(path, read.count < 0 ? 0 : (size_t)read.count, 0, read.failed);
}

file_read read_file(const char *path, std::span<uint8_t> buffer) {
  file_read result;
  int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
  if (fd < 0) return result;
  result.count = (long)read_up_to(fd, buffer, &result.failed);
  // One byte more than fits tells that the file does not fit.
  uint8_t next;
  result.more = !result.failed && (size_t)result.count == buffer.size() && read_up_to(fd, {&next, 1}) == 1;
  close(fd);
  return result;
}

bool next_write_run(std::span<const uint8_t> data, std::span<const uint8_t> present, uint32_t commit, size_t &n,
                    size_t &start, size_t &length) {
  size_t size = data.size();
  size_t head = commit < size ? commit : size;  // the commit bytes: data[0, head)
  size_t body = size - head;                    // written first: data[head, size)
  while (n < size) {
    bool in_body = n < body;
    size_t at = in_body ? head + n : n - body;
    size_t part_end = in_body ? size : head;
    while (!present.empty() && at < part_end && data[at] == present[at]) at++;
    size_t end = present.empty() ? part_end : at;
    while (end < part_end && data[end] != present[end]) end++;
    n = in_body ? end - head : body + end;
    if (end > at) {
      start = at;
      length = end - at;
      return true;
    }
  }
  return false;
}

// What a write would put down, run by run, without writing: the lines and the count.
static void describe_write(std::span<const uint8_t> data, partition &target, uint32_t offset, uint32_t commit,
                           std::span<const uint8_t> present) {
  size_t n = 0, start = 0, length = 0;
  while (next_write_run(data, present, commit, n, start, length)) {
    uint32_t first = offset + (uint32_t)start;
    report("would write %d byte%s from 0x%x to 0x%x\n", (int)length, length == 1 ? "" : "s", first,
           first + (uint32_t)length - 1);
    target.described += (long)length;
  }
}

int write_config(std::span<const uint8_t> data, partition &target, uint32_t offset, uint32_t commit,
                 std::span<const uint8_t> present) {
  trace("[write_config] file %s offset 0x%x config_size %d\n", printable_path(target.path), offset, (int)data.size());
  bool fits = present.empty() || present.size() == data.size();
  if (target.checked && target.fd >= 0 && fits) {
    describe_write(data, target, offset, commit, present);
    return result_ok;
  }
  int result = result_write;
  bool written = target.writable && fits;
  write_progress progress;
  if (written) {
    // A write that did not take must not pass for one: each run of bytes to
    // write is synced to the device and read back. Before the commit bytes go
    // down, all of the rest must stand, also where it stood already.
    size_t n = 0, start = 0, length = 0;
    bool body_checked = present.empty() || commit >= data.size();
    while (written && next_write_run(data, present, commit, n, start, length)) {
      if (start < commit && !body_checked) {
        written = stands(target.fd, data.subspan(commit), offset + commit, progress);
        body_checked = true;
      }
      if (written) written = write_run(target.fd, data.subspan(start, length), offset + (uint32_t)start, progress);
    }
    if (!progress.seekless) trace("[write_config] len %d\n", (int)progress.count);
    if (progress.differs_at >= 0) {
      report("ERROR: read back %s at 0x%x\n", progress.unread ? "failed" : "differs", (unsigned)progress.differs_at);
    }
    if (written) result = result_ok;
  }
  if (result != result_ok) report("[write_config] ERROR: %d\n", result);
  return result;
}
