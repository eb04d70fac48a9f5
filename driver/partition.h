// Access to the partition and to whole files: read a file into a buffer, write a
// block in place at an offset, check that an area of the image is erased.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Reads up to buffer.size() bytes of the file at path. expected is the exact
// count required, or 0 for any count above zero. 0, or -3 after
// "ERROR: reading file %s len %d" (no newline).
int read_file_2_buffer(const char *path, std::span<uint8_t> buffer, size_t expected);

// Writes data into the file or device at path from byte offset on, leaving every
// other byte as it was. 0; -12 when it cannot be opened (no message) or when the
// seek or the write fails ("[write_config] ERROR: %d\n").
int write_config(std::span<const uint8_t> data, const char *path, uint32_t offset);

// True when the size bytes of image from offset on lie inside it and are all erased.
bool is_erased(std::span<const uint8_t> image, uint32_t offset, uint32_t size);

// 0 when the size bytes of image from offset on are all erased, else -13 after
// "ERROR: Config not empty" (also for an area that leaves the image).
int config_empty(std::span<const uint8_t> image, uint32_t offset, uint32_t size);
