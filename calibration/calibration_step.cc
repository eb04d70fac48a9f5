#include "calibration/calibration_step.h"

#include <cstdio>
#include <cstring>

#include "base/layout.h"
#include "base/partition.h"
#include "base/result.h"
#include "base/trace.h"
#include "calibration/records.h"
#include "calibration/region_reader.h"

// records_offset (where the new record goes), or -13 after its message when a
// record of type stands anywhere in the region: behind an erased gap or beyond
// the bytes the scan stepped over too.
static int refuse_second_record(std::span<const uint8_t> image, record_type type, int records_offset) {
  record_view record;
  if (!find_record(image, type, record, true)) return records_offset;
  printf("ERROR: Config_II not empty - this Type of Config exists\n");
  return result_not_erased;
}

// The type of the one file given, or false when more are.
static bool only_type(const calibration_files &files, record_type &type) {
  uint32_t given = 0;
  for (const record_kind &kind : record_kinds) {
    if (!files.file[kind.type]) continue;
    type = kind.type;
    given++;
  }
  return given == 1;
}

int examine_config_II(std::span<const uint8_t> image, const calibration_files &files, uint32_t total) {
  int records_offset = 0;
  record_type type = record_wlan;
  if (!only_type(files, type)) {
    records_offset = config_empty(image, config_II_offset, config_II_size);
  } else {
    records_offset = config_II_empty(type, image, config_II_offset, total);
    if (records_offset >= 0) records_offset = refuse_second_record(image, type, records_offset);
  }
  if (records_offset < 0) return records_offset;
  // Existing records are never overwritten and nothing goes past the region: the
  // whole write range must lie inside it and be erased.
  uint32_t at = (uint32_t)records_offset;
  if (total > config_II_size - at || !is_erased(image, config_II_offset + at, total)) {
    printf("ERROR: Config_II no room for %d bytes at 0x%x\n", (int)total, config_II_offset + at);
    return result_not_erased;
  }
  return records_offset;
}

int examine_config_II_in_place(std::span<const uint8_t> image, std::span<const uint8_t> records,
                               const calibration_files &files) {
  uint32_t total = (uint32_t)records.size();
  std::span<const uint8_t> region = image.subspan(config_II_offset, config_II_size);
  record_type type = record_wlan;
  bool both = !only_type(files, type);
  // With one type, right behind the whole records of other types at the
  // region's start, as a reader of the region sees them, where a whole record
  // of the type that stands there must be the new one; with more, at the
  // region's start. Behind records that this run commits the region is
  // erased: no record that a cut left there may become visible with them.
  uint32_t records_offset = 0;
  while (!both && config_II_size - records_offset >= record_header_size && region[records_offset] == record_version) {
    record_header header = get_record_header(&region[records_offset]);
    uint32_t length = header.length + record_header_size;
    if (length > config_II_size - records_offset || header.type == type) break;
    records_offset += length;
  }
  if (total > config_II_size - records_offset) return -1;
  bool whole = !both && region[records_offset] == record_version;
  if (whole ? memcmp(&region[records_offset], records.data(), total) != 0
            : !is_erased(region, records_offset + total, config_II_size - records_offset - total)) {
    return -1;
  }
  return programmable(region.subspan(records_offset, total), records) ? (int)records_offset : -1;
}

int build_calibration_step(std::span<const uint8_t> image, std::span<uint8_t> records, const calibration_files &files,
                           bool in_place, record_placement &placement) {
  uint32_t total = 0;
  for (const record_kind &kind : record_kinds) {
    const char *file = files.file[kind.type];
    if (!file) continue;
    int length = read_extra_config(kind.type, file, records, total, (uint32_t)records.size() - total);
    if (length <= 0) return result_calibration;
    total += (uint32_t)length;
  }
  // In place, a region that does not allow it is refused as without -r.
  int records_offset = in_place ? examine_config_II_in_place(image, records.first(total), files) : -1;
  if (records_offset < 0) records_offset = examine_config_II(image, files, total);
  if (records_offset < 0) return records_offset;
  placement = {(uint32_t)records_offset, total};
  return result_ok;
}

int write_calibration_step(std::span<const uint8_t> image, std::span<const uint8_t> records,
                           const calibration_files &files, const record_placement &placement, const partition &target,
                           bool in_place) {
  for (const char *file : files.file) {
    if (file) trace("write %s to %s\n", file, printable_path(target.path));
  }
  uint32_t offset = config_II_offset + placement.offset;
  std::span<const uint8_t> present;
  if (in_place) present = image.subspan(offset, placement.total);
  return write_config(records.first(placement.total), target, offset, config_II_commit_size, present);
}
