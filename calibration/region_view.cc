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
  region_state state = read_region_state(image, cursor, walked);
  if (state == region_whole) {
    if (records == 0) printf("# erased\n");
    return listed;
  }
  printf("ERROR: ");
  print_region_trouble(state, config_II_offset + cursor);
  printf("\n");
  return state == region_interrupted ? listed_interrupted : listed_damaged;
}

void print_region_trouble(region_state state, uint32_t offset) {
  switch (state) {
    case region_interrupted:
      printf("interrupted write in the Config_II region at 0x%x: %s", offset, rerun_to_complete);
      break;
    case region_damaged: printf("record at 0x%x runs past the Config_II region", offset); break;
    case region_whole: break;
  }
}
