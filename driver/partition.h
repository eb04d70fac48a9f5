// Access to the partition and to whole files. A run opens its target partition
// once, holds an exclusive lock on it for the whole run, reads the image and
// writes every block through that one descriptor; each write is synced and read
// back. Also: read a whole file into a buffer, check that an area is erased.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The run's target partition (-u): the path as given and the descriptor opened on it.
struct partition {
  const char *path = nullptr;  // null: no target was given
  int fd = -1;                 // -1: not opened
  bool writable = false;       // opened read-write
};

// Opens the partition at path (never creating it) read-write, else read-only,
// and waits for an exclusive lock on it, so that runs on one target follow one
// another. 0; a target that cannot be opened, or is a FIFO or a socket (never
// waited on), stays unopened and fails at its read; -12 after
// "ERROR: cannot lock %s\n" when the lock cannot be taken.
int open_partition(partition &target, const char *path);

// True when fd is open on the opened partition: the same file, or the same device.
bool shares_partition(const partition &target, int fd);

// Releases the lock and closes the partition. False when the close fails.
bool close_partition(partition &target);

// Reads the first image.size() bytes of the opened partition: 0, or -3 after
// "ERROR: reading file %s len %d" (no newline) when fewer can be read.
int read_partition(const partition &target, std::span<uint8_t> image);

// Reads up to buffer.size() bytes of the file at path. expected is the exact
// count required, or 0 for any count above zero. 0, or -3 after
// "ERROR: reading file %s len %d" (no newline). count, when given, gets the
// number of bytes read.
int read_file_2_buffer(const char *path, std::span<uint8_t> buffer, size_t expected, size_t *count = nullptr);

// What a read of a whole file gave: read_file.
struct file_read {
  long count = -1;      // bytes read; -1: the file cannot be opened
  bool failed = false;  // a read failed before the file's end
  bool more = false;    // the file goes on past the buffer
};

// Reads the file at path into buffer, as much as it gives up to the buffer's
// size, and tells whether it has more. Prints nothing.
file_read read_file(const char *path, std::span<uint8_t> buffer);

// Writes data into the partition from byte offset on, leaving every other byte
// as it was: first all of data but its first commit bytes, then those, so that
// a write cut at any byte leaves its commit bytes erased or half programmed
// and no reader takes it for whole data. When present is given (what the
// partition holds there now, as long as data), only the bytes that differ
// from it are written, run by run, in that same order. Each run is synced
// where the target supports that and read back. 0; -12 after
// "[write_config] ERROR: %d\n" when there is no writable target, a write or a
// sync fails, or the bytes read back differ (after
// "ERROR: read back differs at 0x%x\n") or cannot be read back (after
// "ERROR: read back failed at 0x%x\n").
int write_config(std::span<const uint8_t> data, const partition &target, uint32_t offset, uint32_t commit,
                 std::span<const uint8_t> present = {});

// True when each of data's bytes can be programmed over the byte that present
// holds at its place: programming only clears bits, so the old byte must hold
// every bit of the new one (an erased byte, an equal byte, a half-programmed one).
bool programmable(std::span<const uint8_t> present, std::span<const uint8_t> data);

// True when the size bytes of image from offset on lie inside it and are all erased.
bool is_erased(std::span<const uint8_t> image, uint32_t offset, uint32_t size);

// 0 when the size bytes of image from offset on are all erased, else -13 after
// "ERROR: Config not empty" (also for an area that leaves the image).
int config_empty(std::span<const uint8_t> image, uint32_t offset, uint32_t size);
