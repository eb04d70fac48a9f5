#include "calibration/region_view.h"

#include <cstdio>

#include "driver/layout.h"
#include "driver/partition.h"

walk_result next_record(std::span<const uint8_t> image, uint32_t &cursor, record_view &record) {
  std::span<const uint8_t> region = image.subspan(config_II_offset, config_II_size);
  if (cursor >= region.size() || region[cursor] == erased) return walk_end;
  if (region[cursor] != record_version) return walk_unknown_version;
  if (region.size() - cursor < record_header_size) return walk_past_region;
  record_header header = get_record_header(&region[cursor]);
  record = {config_II_offset + cursor, header.version, header.type, header.length};
  if (region.size() - cursor - record_header_size < record.length) return walk_past_region;
  cursor += record_header_size + record.length;
  return walk_record;
}

int show_region(std::span<const uint8_t> image) {
  printf("# Config_II region at 0x%x\n", config_II_offset);
  uint32_t cursor = 0;
  record_view record;
  walk_result walked;
  int records = 0;
  while ((walked = next_record(image, cursor, record)) == walk_record) {
    const char *name = record_type_name(record.type);
    if (name) {
      printf("# record at 0x%x: %s, version %d, length %d\n", record.offset, name, record.version, record.length);
    } else {
      printf("# record at 0x%x: type %d, version %d, length %d\n", record.offset, record.type, record.version,
             record.length);
    }
    records++;
  }
  uint32_t offset = config_II_offset + cursor;
  bool rest_erased = is_erased(image, offset, config_II_size - cursor);
  if (walked == walk_unknown_version || (walked == walk_end && !rest_erased)) {
    printf("ERROR: interrupted write in the Config_II region at 0x%x: "
           "rerun the same set_config command with -r to complete it\n",
           offset);
    return 2;
  }
  if (walked == walk_past_region) {
    printf("ERROR: record at 0x%x runs past the Config_II region\n", offset);
    return 1;
  }
  if (records == 0) printf("# erased\n");
  return 0;
}

bool find_record(std::span<const uint8_t> image, record_type type, record_view &record) {
  uint32_t cursor = 0;
  while (next_record(image, cursor, record) == walk_record) {
    if (record.type == type) return true;
  }
  return false;
}
