#include "calibration/region_view.h"

#include <cstdio>

#include "base/layout.h"
#include "calibration/region_reader.h"

listing_result show_region(std::span<const uint8_t> image) {
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
  switch (read_region_state(image, cursor, walked)) {
    case region_interrupted:
      printf("ERROR: interrupted write in the Config_II region at 0x%x: %s\n", offset, rerun_to_complete);
      return listed_interrupted;
    case region_damaged:
      printf("ERROR: record at 0x%x runs past the Config_II region\n", offset);
      return listed_damaged;
    case region_whole: break;
  }
  if (records == 0) printf("# erased\n");
  return listed;
}
