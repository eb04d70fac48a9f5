// The Config_II region decoded for show_config's listing, once, from its
// reader: its state, its records, and what is interrupted or damaged. Every
// output format prints from this record.
#pragma once

#include <cstdint>
#include <span>

#include "base/layout.h"
#include "base/result.h"
#include "calibration/region_reader.h"

// Most records the region holds: each takes its 4-byte header or more.
inline constexpr uint32_t region_records_max = config_II_size / record_header_size;

struct region_listing {
  area_state state;  // erased: whole, and no records
  uint32_t record_count;
  record_view records[region_records_max];  // in region order, those in front of what ends the walk
  char message[area_message_size];          // interrupted or damaged: what and where (no "ERROR: "); else empty
};

// Decodes the Config_II region of image into listing (see read_region_state).
void list_region(std::span<const uint8_t> image, region_listing &listing);

// The first listed record of type, or null.
const record_view *listed_record(const region_listing &listing, record_type type);
