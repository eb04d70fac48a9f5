#include "calibration/region_listing.h"

#include <cstdio>

void list_region(std::span<const uint8_t> image, region_listing &listing) {
  listing.record_count = 0;
  listing.message[0] = '\0';
  uint32_t cursor = 0;
  record_view record;
  walk_result walked;
  // The array holds every record the region can hold: the bound never cuts the walk.
  while ((walked = next_record(image, cursor, record)) == walk_record && listing.record_count < region_records_max) {
    listing.records[listing.record_count++] = record;
  }
  region_state state = read_region_state(image, cursor, walked);
  uint32_t at = config_II_offset + cursor;
  size_t size = sizeof listing.message;
  switch (state) {
    case region_whole: listing.state = listing.record_count == 0 ? area_erased : area_whole; break;
    case region_interrupted:
      listing.state = area_interrupted;
      (void)snprintf(listing.message, size, "interrupted write in the Config_II region at 0x%x: %s", at,
                     rerun_to_complete);
      break;
    case region_damaged:
      listing.state = area_damaged;
      (void)snprintf(listing.message, size, "record at 0x%x runs past the Config_II region", at);
      break;
  }
}

const record_view *listed_record(const region_listing &listing, record_type type) {
  for (uint32_t i = 0; i < listing.record_count; i++) {
    if (listing.records[i].type == type) return &listing.records[i];
  }
  return nullptr;
}
