#include "calibration/calibration_step.h"

#include <cstdio>
#include <cstring>

#include "calibration/records.h"
#include "calibration/region_reader.h"
#include "driver/layout.h"
#include "driver/partition.h"
#include "driver/result.h"
#include "driver/trace.h"

// found, or -13 after its message when a record of type stands anywhere in the
// region: behind an erased gap or beyond the bytes the scan stepped over too.
// True when a record of type stands in the Config_II region of image, behind
// erased gaps too, anywhere but at the region offset at.
static bool record_elsewhere(std::span<const uint8_t> image, record_type type, uint32_t at) {
  record_view record;
  return find_record(image, type, record, true) && record.offset != config_II_offset + at;
}

static int refuse_second_record(std::span<const uint8_t> image, record_type type, int found) {
  if (!record_elsewhere(image, type, config_II_size)) return found;
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
  int found = 0;
  record_type type = record_wlan;
  if (!only_type(files, type)) {
    found = config_empty(image, config_II_offset, config_II_size);
  } else {
    found = config_II_empty(type, image, config_II_offset, total);
    if (found >= 0) found = refuse_second_record(image, type, found);
  }
  if (found < 0) return found;
  // Existing records are never overwritten and nothing goes past the region: the
  // whole write range must lie inside it and be erased.
  uint32_t start = (uint32_t)found;
  if (total > config_II_size - start || !is_erased(image, config_II_offset + start, total)) {
    printf("ERROR: Config_II no room for %d bytes at 0x%x\n", (int)total, config_II_offset + start);
    return result_not_erased;
  }
  return found;
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
  uint32_t found = 0;
  while (!both && config_II_size - found >= record_header_size && region[found] == record_version) {
    record_header header = get_record_header(&region[found]);
    uint32_t length = header.length + record_header_size;
    if (length > config_II_size - found || header.type == type) break;
    found += length;
  }
  if (total > config_II_size - found) return -1;
  bool whole = !both && region[found] == record_version;
  if (whole ? memcmp(&region[found], records.data(), total) != 0
            : !is_erased(region, found + total, config_II_size - found - total)) {
    return -1;
  }
  return programmable(region.subspan(found, total), records) ? (int)found : -1;
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
  int found = in_place ? examine_config_II_in_place(image, records.first(total), files) : -1;
  if (found < 0) found = examine_config_II(image, files, total);
  if (found < 0) return found;
  placement = {(uint32_t)found, total};
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
