// Access to the partition and to whole files. A run opens its target partition
// once, holds an exclusive lock on it for the whole run, reads the image and
// writes every block through that one descriptor; each write is synced and read
// back. Also: read a whole file into a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The run's target partition (-u): the path as given and the descriptor opened on it.
struct partition {
  const char *path = nullptr;  // null: no target was given
  int fd = -1;                 // -1: not opened
  bool writable = false;       // opened read-write
  bool checked = false;        // opened for a check (-n): its writes are described, not made
  long described = 0;          // bytes that the described writes would write
};

// What a program opens the partition for.
enum partition_use {
  partition_written,  // set_config: read, then written in place
  partition_checked,  // set_config -n: read as for a write, never written
  partition_read,     // show_config: only read, also from a pipe
};

// Opens the partition at path, never creating it, and waits for a lock on it,
// so that runs on one target follow one another and a reader never sees a run
// half done. To be written: read-write, else read-only (the write fails
// then), never a FIFO or a socket, under an exclusive lock. To be checked:
// read-only, never a FIFO or a socket, under a shared lock. To be read:
// read-only, under a shared lock. 0; a target that cannot be opened stays
// unopened and fails at its read; -12 after "ERROR: cannot lock %s\n" when
// the lock cannot be taken.
int open_partition(partition &target, const char *path, partition_use use = partition_written);

// True when fd is open on the opened partition: the same file, or the same device.
bool shares_partition(const partition &target, int fd);

// Releases the lock and closes the partition. False when the close fails.
bool close_partition(partition &target);

// Reads the first image.size() bytes of the opened partition: 0, or -3 after
// "ERROR: reading file %s len %d" (no newline) when fewer can be read.
int read_partition(const partition &target, std::span<uint8_t> image);

// Reads up to buffer.size() bytes of the file at path. expected is the exact
// count required, or 0 for any count above zero; a read that fails before the
// file's end never passes for its end. 0, or -3 after
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

// What read_file_2_buffer says of a read with no count expected: 0 when read
// gave at least one byte and no read failed, else -3 after
// "ERROR: reading file %s len %d" (no newline) with the count read.
int check_file_read(const char *path, const file_read &read);

// Steps n (0 at first) through data in the order a write puts it down, all of
// it but its first commit bytes and then those, to the next run of bytes to
// write: the bytes that differ from present (every byte when present is
// empty), a run never reaching from the rest into the commit bytes. True with
// the run's start in data and its length; false when none is left.
bool next_write_run(std::span<const uint8_t> data, std::span<const uint8_t> present, uint32_t commit, size_t &n,
                    size_t &start, size_t &length);

// Writes data into the partition from byte offset on, leaving every other byte
// as it was: first all of data but its first commit bytes, then those, so that
// a write cut at any byte leaves its commit bytes erased or half programmed
// and no reader takes it for whole data. When present is given (what the
// partition holds there now, as long as data), only the bytes that differ
// from it are written, run by run, in that same order, and before the commit
// bytes all of the rest is read back, also what stood already. Each run is
// synced where the target supports that and read back. 0; -12 after
// "[write_config] ERROR: %d\n" when there is no writable target, a write or a
// sync fails, or the bytes read back differ (after
// "ERROR: read back differs at 0x%x\n") or cannot be read back (after
// "ERROR: read back failed at 0x%x\n").
// A partition opened for a check is not written: each run of bytes that the
// write would put down is a line "would write N bytes from 0x%x to 0x%x"
// instead, in the same order, and counted in target.described.
int write_config(std::span<const uint8_t> data, partition &target, uint32_t offset, uint32_t commit,
                 std::span<const uint8_t> present = {});
