#include "calibration/calibration_step.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/partition.h"
#include "base/report.h"
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
  report("ERROR: Config_II not empty - this Type of Config exists\n");
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
    report("ERROR: Config_II no room for %d bytes at 0x%x\n", (int)total, config_II_offset + at);
    return result_not_erased;
  }
  return records_offset;
}

namespace {

// The run's record of type among records (the new records back to back), or
// an empty span.
std::span<const uint8_t> new_record(std::span<const uint8_t> records, uint8_t type) {
  for (size_t at = 0; records.size() - at >= record_header_size;) {
    record_header header = get_record_header(&records[at]);
    size_t length = record_header_size + header.length;
    if (length > records.size() - at) break;
    if (header.type == type) return records.subspan(at, length);
    at += length;
  }
  return {};
}

// The records that the region holds committed, from its start to the first
// erased byte where a record could start, as a reader sees them: each one of
// a type that the run writes must be the run's record, byte for byte, and is
// then done; with more types, no other may stand there. The region offset
// behind them, or -1.
int walk_committed(std::span<const uint8_t> image, std::span<const uint8_t> records, bool more_types,
                   bool (&done)[256]) {
  uint32_t cursor = 0;
  record_view record;
  walk_result walked;
  while ((walked = next_record(image, cursor, record)) == walk_record) {
    std::span<const uint8_t> mine = new_record(records, record.type);
    std::span<const uint8_t> standing = image.subspan(record.offset, record_header_size + record.length);
    if (mine.empty() ? more_types : !std::equal(standing.begin(), standing.end(), mine.begin(), mine.end())) return -1;
    done[record.type] = !mine.empty();
  }
  return walked == walk_past_region ? -1 : (int)cursor;
}

}  // namespace

int examine_config_II_in_place(std::span<const uint8_t> image, std::span<uint8_t> records, uint32_t &total,
                               const calibration_files &files) {
  record_type type = record_wlan;
  bool done[256] = {};
  int committed_end = walk_committed(image, records.first(total), !only_type(files, type), done);
  if (committed_end < 0) return -1;
  // The records still to write go right behind the committed ones, over
  // erased bytes or a cut of themselves; behind them the region is erased,
  // so that no record a cut left there becomes visible with them.
  std::span<const uint8_t> region = image.subspan(config_II_offset, config_II_size);
  std::span<const uint8_t> kept[record_types];
  uint32_t count = 0, at = (uint32_t)committed_end;
  for (uint32_t from = 0; from < total;) {
    std::span<const uint8_t> record = records.subspan(from, record_header_size + get_le16(&records[from + 2]));
    from += (uint32_t)record.size();
    if (done[record[1]]) continue;
    if (count == record_types || record.size() > config_II_size - at ||
        !programmable(region.subspan(at, record.size()), record)) {
      return -1;
    }
    at += (uint32_t)record.size();
    kept[count++] = record;
  }
  if (!is_erased(region, at, config_II_size - at)) return -1;
  // The records to write, back to back from the buffer's start.
  total = 0;
  for (uint32_t i = 0; i < count; i++) {
    memmove(&records[total], kept[i].data(), kept[i].size());
    total += (uint32_t)kept[i].size();
  }
  return committed_end;
}

void read_calibration_inputs(const calibration_files &files, std::span<uint8_t> records, calibration_inputs &inputs) {
  uint32_t total = 0;
  for (const record_kind &kind : record_kinds) {
    const char *file = files.file[kind.type];
    if (!file) continue;
    inputs.file[kind.type] = read_calibration_file(file, records, total, (uint32_t)records.size() - total);
    int length = record_length(inputs.file[kind.type]);
    if (length < 0) return;
    total += (uint32_t)length;
  }
}

int build_calibration_step(std::span<const uint8_t> image, std::span<uint8_t> records, const calibration_files &files,
                           const calibration_inputs &inputs, bool in_place, record_placement &placement) {
  uint32_t total = 0;
  for (const record_kind &kind : record_kinds) {
    const char *file = files.file[kind.type];
    if (!file) continue;
    uint32_t space = (uint32_t)records.size() - total;
    int length = take_calibration_file(kind.type, file, records, total, space, inputs.file[kind.type]);
    if (length <= 0) return result_calibration;
    total += (uint32_t)length;
  }
  // In place, a region that does not allow it is refused as without -r.
  int records_offset = in_place ? examine_config_II_in_place(image, records, total, files) : -1;
  if (records_offset < 0) records_offset = examine_config_II(image, files, total);
  if (records_offset < 0) return records_offset;
  placement = {(uint32_t)records_offset, total};
  return result_ok;
}

int write_calibration_step(std::span<const uint8_t> image, std::span<const uint8_t> records,
                           const calibration_files &files, const record_placement &placement, partition &target,
                           bool in_place) {
  for (const char *file : files.file) {
    if (file) trace("write %s to %s\n", file, printable_path(target.path));
  }
  uint32_t offset = config_II_offset + placement.offset;
  std::span<const uint8_t> present;
  if (in_place) present = image.subspan(offset, placement.total);
  return write_config(records.first(placement.total), target, offset, config_II_commit_size, present);
}
