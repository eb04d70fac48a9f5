#include "base/partition.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>

#include "base/layout.h"
#include "base/result.h"
#include "tests/fixture.h"

namespace {

struct read_case {
  size_t file_size;  // SIZE_MAX: no file
  size_t length, expected;
  int result;
};

TEST(read_file_2_buffer, needs_the_expected_count) {
  const read_case cases[] = {
      {65536, 65536, 65536, result_ok}, {70000, 65536, 65536, result_ok}, {65535, 65536, 65536, result_read},
      {1, 16383, 0, result_ok},         {0, 16383, 0, result_read},       {SIZE_MAX, 16383, 0, result_read},
  };
  for (const read_case &c : cases) {
    SCOPED_TRACE(c.file_size);
    temp_folder folder;
    bytes content = pattern(c.file_size == SIZE_MAX ? 0 : c.file_size, 1);
    if (c.file_size != SIZE_MAX) write_file(folder.path("f"), content);
    bytes buffer(c.length + 1, 0xEE);
    testing::internal::CaptureStdout();
    EXPECT_EQ(c.result, read_file_2_buffer(folder.path("f").c_str(), {buffer.data(), c.length}, c.expected));
    testing::internal::GetCapturedStdout();
    size_t kept = std::min(c.length, content.size());
    EXPECT_TRUE(std::equal(content.begin(), content.begin() + (ptrdiff_t)kept, buffer.begin()));
    EXPECT_EQ(0xEE, buffer[c.length]);  // nothing past the length
  }
}

TEST(read_file_2_buffer, refuses_a_folder_or_no_path) {
  temp_folder folder;
  uint8_t buffer[16];
  testing::internal::CaptureStdout();
  EXPECT_EQ(result_read, read_file_2_buffer(folder.root().c_str(), buffer, 0));
  EXPECT_EQ(result_read, read_file_2_buffer(nullptr, buffer, 0));
  EXPECT_EQ("ERROR: reading file " + folder.root() + " len 0ERROR: reading file (null) len 0",
            testing::internal::GetCapturedStdout());
}

// Writes data at offset into the partition at path, opened as a run opens it: the result.
int write_into(const char *path, const bytes &data, uint32_t offset) {
  partition target;
  int result = open_partition(target, path);
  if (result == result_ok) result = write_config(data, target, offset, config_commit_size);
  close_partition(target);
  return result;
}

TEST(write_config, changes_only_the_target_range) {
  temp_folder folder;
  bytes image = pattern(5000, 3);
  write_file(folder.path("img"), image);
  bytes first = pattern(104, 9), second = pattern(1020, 200);
  partition target;
  ASSERT_EQ(result_ok, open_partition(target, folder.path("img").c_str()));
  EXPECT_TRUE(target.writable);
  EXPECT_EQ(result_ok, write_config(first, target, config_II_offset, config_II_commit_size));
  EXPECT_EQ(result_ok, write_config(second, target, config_offset, config_commit_size));
  close_partition(target);
  put_bytes(image, config_II_offset, first);
  put_bytes(image, config_offset, second);
  EXPECT_EQ(image, read_file(folder.path("img")));
}

TEST(write_config, fails_without_a_writable_target) {
  temp_folder folder;
  struct target_case {
    const char *path;
    const char *output;
  };
  const std::string missing = folder.path("missing");
  const target_case cases[] = {
      {nullptr, "[write_config] ERROR: -12\n"},
      {missing.c_str(), "[write_config] ERROR: -12\n"},        // never created
      {folder.root().c_str(), "[write_config] ERROR: -12\n"},  // opens read-only only
      {"/dev/full", "[write_config] ERROR: -12\n"},
      // Take every write; one reads back something else, the other nothing.
      {"/dev/zero", "ERROR: read back differs at 0x580\n[write_config] ERROR: -12\n"},
      {"/dev/null", "ERROR: read back failed at 0x580\n[write_config] ERROR: -12\n"},
  };
  for (const target_case &c : cases) {
    SCOPED_TRACE(c.path ? c.path : "no path");
    testing::internal::CaptureStdout();
    EXPECT_EQ(result_write, write_into(c.path, bytes(4, 0xA5), config_offset));
    EXPECT_EQ(c.output, testing::internal::GetCapturedStdout());
  }
  EXPECT_NE(0, access(missing.c_str(), F_OK));
}

// /dev/zero takes every write and reads back zeros: a run of zeros with one
// other byte reads back differing at that byte, wherever the chunks of the
// read-back fall. The commit bytes go last, so the run after them comes first.
TEST(write_config, names_the_first_byte_that_reads_back_differing) {
  const size_t places[] = {4, 5, 300, 2050, 2051, 2052, 2053, 4095, 5999};
  for (size_t place : places) {
    SCOPED_TRACE(place);
    bytes data(6000, 0);
    data[place] = 0x5A;
    data[5999] = 0x01;
    char expected[80];
    (void)snprintf(expected, sizeof expected, "ERROR: read back differs at 0x%x\n[write_config] ERROR: -12\n",
                   (unsigned)(config_offset + place));
    testing::internal::CaptureStdout();
    EXPECT_EQ(result_write, write_into("/dev/zero", data, config_offset));
    EXPECT_EQ(expected, testing::internal::GetCapturedStdout());
  }
}

TEST(open_partition, holds_an_exclusive_lock_until_closed) {
  temp_folder folder;
  write_file(folder.path("img"), pattern(16, 1));
  int other = open(folder.path("img").c_str(), O_RDONLY);
  ASSERT_GE(other, 0);
  partition target;
  ASSERT_EQ(result_ok, open_partition(target, folder.path("img").c_str()));
  EXPECT_NE(0, flock(other, LOCK_EX | LOCK_NB));
  close_partition(target);
  EXPECT_EQ(0, flock(other, LOCK_EX | LOCK_NB));
  close(other);
}

// Opened for a check, a partition is read under a shared lock, and a write
// into it is described run by run, in writing order, never made.
TEST(write_config, describes_the_writes_of_a_check) {
  temp_folder folder;
  bytes image = pattern(4096, 7);
  write_file(folder.path("img"), image);
  int other = open(folder.path("img").c_str(), O_RDONLY);
  ASSERT_GE(other, 0);
  partition target;
  ASSERT_EQ(result_ok, open_partition(target, folder.path("img").c_str(), partition_checked));
  EXPECT_FALSE(target.writable);
  EXPECT_EQ(0, flock(other, LOCK_SH | LOCK_NB));
  EXPECT_NE(0, flock(other, LOCK_EX | LOCK_NB));
  bytes data = pattern(8, 40), present = data;
  present[0] ^= 1;  // the commit byte
  present[3] ^= 1;
  present[4] ^= 1;
  present[7] ^= 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(result_ok, write_config(data, target, config_II_offset, config_II_commit_size, present));
  EXPECT_EQ(result_ok, write_config(bytes(2, 0), target, config_offset, config_commit_size));
  EXPECT_EQ(
      "would write 2 bytes from 0x983 to 0x984\nwould write 1 byte from 0x987 to 0x987\n"
      "would write 1 byte from 0x980 to 0x980\nwould write 2 bytes from 0x580 to 0x581\n",
      testing::internal::GetCapturedStdout());
  EXPECT_EQ(6, target.described);
  close_partition(target);
  close(other);
  EXPECT_EQ(image, read_file(folder.path("img")));
}

TEST(read_partition, reads_through_the_opened_target) {
  temp_folder folder;
  bytes image = pattern(image_size + 10, 4);
  write_file(folder.path("img"), image);
  partition target;
  ASSERT_EQ(result_ok, open_partition(target, folder.path("img").c_str()));
  bytes buffer(image_size);
  EXPECT_EQ(result_ok, read_partition(target, buffer));
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), image.begin()));
  close_partition(target);
  partition none;
  const std::string missing = folder.path("missing");
  ASSERT_EQ(result_ok, open_partition(none, missing.c_str()));
  testing::internal::CaptureStdout();
  EXPECT_EQ(result_read, read_partition(none, buffer));
  EXPECT_EQ("ERROR: reading file " + missing + " len 0", testing::internal::GetCapturedStdout());
}

}  // namespace
