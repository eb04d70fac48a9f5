#include "calibration/records.h"

#include <sys/stat.h>
#include <sys/vfs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/partition.h"
#include "base/report.h"
#include "base/result.h"
#include "base/trace.h"
#include "calibration/region_reader.h"

// Why a calibration file is refused; each reason prints its messages and those
// of the reasons after it.
enum refusal { refused_read, refused_size, refused_status };

static int refuse_file(refusal why, const char *path, uint32_t space, long long size) {
  if (why == refused_read) report("ERROR: open %s failed\n", printable_path(path));
  if (why != refused_status) report("ERROR: Configfile size missmatch %d - %lld\n", (int)space, size);
  report("ERROR: Configfile properties\n");
  return result_record;
}

void put_record_header(uint8_t *header, record_type type, uint16_t length) {
  header[0] = record_version;
  header[1] = type;
  put_le16(header + 2, length);
}

record_header get_record_header(const uint8_t *header) { return {header[0], header[1], get_le16(header + 2)}; }

const char *record_type_name(uint8_t type) {
  for (const record_kind &kind : record_kinds) {
    if (kind.type == type) return kind.name;
  }
  return nullptr;
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

}  // namespace

calibration_read read_calibration_file(const char *path, std::span<uint8_t> buffer, uint32_t pos, uint32_t space) {
  calibration_read read;
  struct stat status;
  read.stated = path && stat(path, &status) == 0;
  if (!read.stated) return read;
  bool inside = pos <= buffer.size() && space <= buffer.size() - pos;
  // A pipe, a device or a pseudo file is read to its end, and its size is the
  // count read. A status size of 0 says nothing either: a pseudo file system
  // (cgroupfs, debugfs, configfs, ...) gives it for files with content. An
  // empty file is the empty record, as its status said; without room for a
  // header it is refused as too large.
  read.by_status = sized_by_status(path, status);
  read.streamed = inside && (!read.by_status || (status.st_size == 0 && space >= record_header_size));
  read.size = status.st_size;
  read.fits = read.streamed || (inside && read.size + record_header_size <= space);
  if (!read.fits) return read;
  std::span<uint8_t> record = buffer.subspan(pos, space);
  size_t header = std::min<size_t>(record_header_size, space);
  read.got = read_file(path, record.subspan(header, read.streamed ? space - header : (size_t)read.size));
  if (read.streamed) read.size = (read.got.count < 0 ? 0 : read.got.count) + (read.got.more ? 1 : 0);
  return read;
}

int record_length(const calibration_read &read) {
  if (!read.stated || !read.fits) return result_record;
  long count = read.got.count;
  // A read that failed before the file's end never passes for its end. From
  // a stream, nothing read is refused, but from a file that its status says is empty.
  bool whole = count >= 0 && !read.got.failed && !(read.streamed && read.got.more);
  if (!whole || (read.streamed ? count == 0 && !read.by_status : count != read.size)) return result_record;
  return (int)(count + (long)record_header_size);
}

int take_calibration_file(record_type type, const char *path, std::span<uint8_t> buffer, uint32_t pos, uint32_t space,
                          const calibration_read &read) {
  if (!path) return result_record;
  if (!read.stated) return refuse_file(refused_status, path, space, 0);
  trace("[read_extra_config] size %lld\n", read.size);
  if (!read.fits) return refuse_file(refused_size, path, space, read.size);
  int length = record_length(read);
  // A stream is judged before its count is traced.
  if (read.got.count >= 0 && !(read.streamed && length < 0)) {
    trace("[read_extra_config] read len %d\n", (int)read.got.count);
  }
  if (length < 0) return refuse_file(refused_read, path, space, read.size);
  put_record_header(buffer.data() + pos, type, (uint16_t)(length - (int)record_header_size));
  return length;
}

int read_extra_config(record_type type, const char *path, std::span<uint8_t> buffer, uint32_t pos, uint32_t space) {
  return take_calibration_file(type, path, buffer, pos, space, read_calibration_file(path, buffer, pos, space));
}

// A record met by the scan where it is examined (start, a region offset, and
// what next_record found there): 0 when it may stand, else -13 after its
// message. A record of the type comes before a record that runs past the region.
static int refuse_record(record_type type, std::span<const uint8_t> region, uint32_t start, walk_result walked) {
  trace("[config_II_empty] Config not empty\n");
  if (walked == walk_unknown_version) {
    report("ERROR: Config_II not empty unknown Version\n");
    return result_not_erased;
  }
  if (start + 1 < region.size() && region[start + 1] == type) {
    report("ERROR: Config_II not empty - this Type of Config exists\n");
    return result_not_erased;
  }
  if (walked == walk_record) return result_ok;
  report("ERROR: Config_II not empty\n");
  return result_not_erased;
}

int config_II_empty(record_type type, std::span<const uint8_t> image, uint32_t offset, uint32_t steps) {
  trace("[config_II_empty] offset 0x%x size %d\n", offset, (int)steps);
  std::span<const uint8_t> region = config_II_region(image);
  uint32_t cursor = 0;
  uint32_t records_length = 0;
  for (uint32_t step = 0; step < steps; step++) {
    if (cursor >= region.size()) {
      report("ERROR: Config_II not empty\n");
      return result_not_erased;
    }
    if (region[cursor] == erased) {
      cursor++;
      continue;
    }
    uint32_t start = cursor;
    record_view record{};
    int refused = refuse_record(type, region, start, next_record(image, cursor, record));
    if (refused < 0) return refused;
    records_length += cursor - start;
  }
  return (int)records_length;
}
