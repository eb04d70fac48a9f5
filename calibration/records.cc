#include "calibration/records.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "driver/bytes.h"
#include "driver/layout.h"
#include "driver/result.h"
#include "driver/trace.h"

// Why a calibration file is refused; each reason prints its messages and those
// of the reasons after it.
enum refusal { refused_read, refused_size, refused_status };

static int refuse_file(refusal why, const char *path, uint32_t space, long long size) {
  if (why == refused_read) printf("ERROR: open %s failed\n", shown(path));
  if (why != refused_status) printf("ERROR: Configfile size missmatch %d - %lld\n", (int)space, size);
  printf("ERROR: Configfile properties\n");
  return result_record;
}

int read_extra_config(record_type type, const char *path, std::span<uint8_t> buffer, uint32_t pos,
                      uint32_t space) {
  if (!path) return result_record;
  struct stat status;
  if (stat(path, &status) != 0) return refuse_file(refused_status, path, space, 0);
  long long size = status.st_size;
  trace("[read_extra_config] size %lld\n", size);
  if (pos > buffer.size() || space > buffer.size() - pos || size + record_header_size > space) {
    return refuse_file(refused_size, path, space, size);
  }
  // A directory opens on some systems but is no calibration file.
  FILE *file = S_ISDIR(status.st_mode) ? nullptr : fopen(path, "rb");
  size_t count = 0;
  if (file) {
    count = fread(buffer.data() + pos + record_header_size, 1, (size_t)size, file);
    trace("[read_extra_config] read len %d\n", (int)count);
  }
  if (!file || count != (size_t)size) {
    if (file) fclose(file);
    return refuse_file(refused_read, path, space, size);
  }
  uint8_t *header = buffer.data() + pos;
  header[0] = record_version;
  header[1] = type;
  header[2] = (uint8_t)count;
  header[3] = (uint8_t)(count >> 8);
  fclose(file);
  return (int)(count + record_header_size);
}

// The length of the record that starts at cursor of the region, or -13 after its
// message. Its header is tested byte by byte, each only while inside the region.
static int record_at(record_type type, std::span<const uint8_t> region, uint32_t cursor) {
  trace("[config_II_empty] Config not empty\n");
  if (region[cursor] != record_version) {
    printf("ERROR: Config_II not empty unknown Version\n");
    return result_not_erased;
  }
  if (cursor + 1 < region.size() && region[cursor + 1] == type) {
    printf("ERROR: Config_II not empty - this Type of Config exists\n");
    return result_not_erased;
  }
  if (cursor + 3 < region.size()) {
    uint32_t length = get_le16(&region[cursor + 2]) + record_header_size;
    if (length <= region.size() - cursor) return (int)length;
  }
  printf("ERROR: Config_II not empty\n");
  return result_not_erased;
}

int config_II_empty(record_type type, std::span<const uint8_t> image, uint32_t offset, uint32_t steps) {
  trace("[config_II_empty] offset 0x%x size %d\n", offset, (int)steps);
  std::span<const uint8_t> region;
  if (offset <= image.size()) region = image.subspan(offset).first(std::min<size_t>(config_II_size, image.size() - offset));
  uint32_t cursor = 0;
  uint32_t found = 0;
  for (uint32_t step = 0; step < steps; step++) {
    if (cursor >= region.size()) {
      printf("ERROR: Config_II not empty\n");
      return result_not_erased;
    }
    if (region[cursor] == erased) {
      cursor++;
      continue;
    }
    int length = record_at(type, region, cursor);
    if (length < 0) return length;
    cursor += (uint32_t)length;
    found += (uint32_t)length;
  }
  return (int)found;
}
