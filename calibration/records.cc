#include "calibration/records.h"

#include <sys/stat.h>
#include <sys/vfs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "driver/bytes.h"
#include "driver/layout.h"
#include "driver/result.h"
#include "driver/trace.h"

// Why a calibration file is refused; each reason prints its messages and those
// of the reasons after it.
enum refusal { refused_read, refused_size, refused_status };

static int refuse_file(refusal why, const char *path, uint32_t space, long long size) {
  if (why == refused_read) printf("ERROR: open %s failed\n", printable_path(path));
  if (why != refused_status) printf("ERROR: Configfile size missmatch %d - %lld\n", (int)space, size);
  printf("ERROR: Configfile properties\n");
  return result_record;
}

void put_record_header(uint8_t *header, record_type type, uint16_t length) {
  header[0] = record_version;
  header[1] = type;
  put_le16(header + 2, length);
}

record_header get_record_header(const uint8_t *header) { return {header[0], header[1], get_le16(header + 2)}; }

const char *record_type_name(uint8_t type) {
  static const char *const names[] = {"WLAN", "DECT"};
  return type < sizeof names / sizeof names[0] ? names[type] : nullptr;
}

namespace {

// Status sizes of pseudo file systems say nothing of what a read gives.
constexpr unsigned long proc_magic = 0x9fa0;
constexpr unsigned long sysfs_magic = 0x62656572;

// True when the file's status size is what a read of it gives: a regular file
// outside /proc and /sys.
bool sized_by_status(const char *path, const struct stat &status) {
  if (!S_ISREG(status.st_mode)) return false;
  struct statfs fs;
  if (statfs(path, &fs) != 0) return true;
  return (unsigned long)fs.f_type != proc_magic && (unsigned long)fs.f_type != sysfs_magic;
}

// A pipe, a device or a pseudo file: read to its end. Its size is the count read.
int read_stream_record(record_type type, const char *path, std::span<uint8_t> record) {
  uint32_t space = (uint32_t)record.size();
  size_t room = record.size() >= record_header_size ? record.size() - record_header_size : 0;
  FILE *file = fopen(path, "rb");
  size_t count = file ? fread(record.data() + (record.size() - room), 1, room, file) : 0;
  // One byte more than fits tells that the file does not fit.
  bool more = file && count == room && fgetc(file) != EOF;
  if (file) (void)fclose(file);  // read only: nothing is lost
  long long size = (long long)count + (more ? 1 : 0);
  trace("[read_extra_config] size %lld\n", size);
  if (count == 0 || more) return refuse_file(refused_read, path, space, size);
  trace("[read_extra_config] read len %d\n", (int)count);
  put_record_header(record.data(), type, (uint16_t)count);
  return (int)(count + record_header_size);
}

}  // namespace

int read_extra_config(record_type type, const char *path, std::span<uint8_t> buffer, uint32_t pos, uint32_t space) {
  if (!path) return result_record;
  struct stat status;
  if (stat(path, &status) != 0) return refuse_file(refused_status, path, space, 0);
  bool inside = pos <= buffer.size() && space <= buffer.size() - pos;
  if (inside && !sized_by_status(path, status)) return read_stream_record(type, path, buffer.subspan(pos, space));
  long long size = status.st_size;
  trace("[read_extra_config] size %lld\n", size);
  if (!inside || size + record_header_size > space) return refuse_file(refused_size, path, space, size);
  FILE *file = fopen(path, "rb");
  size_t count = 0;
  if (file) {
    count = fread(buffer.data() + pos + record_header_size, 1, (size_t)size, file);
    trace("[read_extra_config] read len %d\n", (int)count);
  }
  if (!file || count != (size_t)size) {
    if (file) (void)fclose(file);
    return refuse_file(refused_read, path, space, size);
  }
  put_record_header(buffer.data() + pos, type, (uint16_t)count);
  (void)fclose(file);
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
    uint32_t length = get_record_header(&region[cursor]).length + record_header_size;
    if (length <= region.size() - cursor) return (int)length;
  }
  printf("ERROR: Config_II not empty\n");
  return result_not_erased;
}

int config_II_empty(record_type type, std::span<const uint8_t> image, uint32_t offset, uint32_t steps) {
  trace("[config_II_empty] offset 0x%x size %d\n", offset, (int)steps);
  std::span<const uint8_t> region;
  if (offset <= image.size())
    region = image.subspan(offset).first(std::min<size_t>(config_II_size, image.size() - offset));
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

int config_II_resume(record_type type, std::span<const uint8_t> region, std::span<const uint8_t> records) {
  uint32_t cursor = 0;
  uint32_t found = 0;
  for (uint32_t step = 0; step < records.size() && cursor < region.size(); step++) {
    if (region[cursor] == erased) {
      cursor++;
      continue;
    }
    if (region[cursor] != record_version || region.size() - cursor < record_header_size) break;
    record_header header = get_record_header(&region[cursor]);
    uint32_t length = header.length + record_header_size;
    if (length > region.size() - cursor) break;
    if (header.type == type) {
      // The new record, written whole already, stands where it goes.
      bool same = cursor == found && length <= records.size() && memcmp(&region[cursor], records.data(), length) == 0 &&
                  get_record_header(records.data()).length == header.length;
      return same ? (int)found : -1;
    }
    cursor += length;
    found += length;
  }
  return (int)found;
}
