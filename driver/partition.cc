#include "driver/partition.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "driver/layout.h"
#include "driver/result.h"
#include "driver/trace.h"

int read_file_2_buffer(const char *path, std::span<uint8_t> buffer, size_t expected) {
  size_t count = 0;
  FILE *file = path ? fopen(path, "rb") : nullptr;
  if (file) {
    while (count < buffer.size()) {
      size_t got = fread(buffer.data() + count, 1, buffer.size() - count, file);
      if (got == 0) break;
      count += got;
    }
    fclose(file);
  }
  if (count > 0 && (expected == 0 || count == expected)) return result_ok;
  printf("ERROR: reading file %s len %d", shown(path), (int)count);
  return result_read;
}

int write_config(std::span<const uint8_t> data, const char *path, uint32_t offset) {
  trace("[write_config] file %s offset 0x%x config_size %d\n", shown(path), offset, (int)data.size());
  int fd = path ? open(path, O_WRONLY | O_CREAT, 0644) : -1;
  if (fd < 0) return result_write;
  int result = result_write;
  if (lseek(fd, (off_t)offset, SEEK_SET) == (off_t)offset) {
    ssize_t written = write(fd, data.data(), data.size());
    trace("[write_config] len %d\n", (int)written);
    if (written == (ssize_t)data.size()) result = result_ok;
  }
  // A target that cannot be closed cleanly may not hold the block: a failure too.
  if (close(fd) != 0) result = result_write;
  if (result != result_ok) printf("[write_config] ERROR: %d\n", result);
  return result;
}

bool is_erased(std::span<const uint8_t> image, uint32_t offset, uint32_t size) {
  if (offset > image.size() || size > image.size() - offset) return false;
  // All bytes equal the first, and the first is erased.
  const uint8_t *area = image.data() + offset;
  return size == 0 || (area[0] == erased && memcmp(area, area + 1, size - 1) == 0);
}

int config_empty(std::span<const uint8_t> image, uint32_t offset, uint32_t size) {
  trace("[config_empty] offset 0x%x size %d\n", offset, (int)size);
  if (is_erased(image, offset, size)) return result_ok;
  printf("ERROR: Config not empty\n");
  return result_not_erased;
}
