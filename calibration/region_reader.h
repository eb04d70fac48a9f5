// Reading the Config_II region back: its records one by one, as plain records,
// and what the walk's end says of the region; printing them is the listing's.
#pragma once

#include <cstdint>
#include <span>

#include "calibration/records.h"

struct record_view {
  uint32_t offset;  // in the partition
  uint8_t version;
  uint8_t type;
  uint16_t length;  // of the payload, which follows the 4-byte header
};

enum walk_result { walk_record, walk_end, walk_unknown_version, walk_past_region };

// Describes the record at cursor, a region offset, of the Config_II region of
// image in record, then moves cursor past it. The records end at the region's
// end or at the first erased byte where a record could start: walk_end, with
// cursor there. walk_unknown_version or walk_past_region for a damaged record,
// with cursor on it. over_gaps: erased bytes where a record could start are
// stepped over instead, as set_config's scan steps over them.
// The Config_II region of image, as much of it as image holds.
std::span<const uint8_t> config_II_region(std::span<const uint8_t> image);

walk_result next_record(std::span<const uint8_t> image, uint32_t &cursor, record_view &record, bool over_gaps = false);

// What the region holds, from how its walk ended (walked, with cursor there).
enum region_state {
  region_whole,        // whole records, then erased bytes to the region's end
  region_interrupted,  // part of a write, which puts its first record's version byte down last:
                       // bytes written behind the erased byte that ends the records, or a
                       // record start neither erased nor version 2
  region_damaged,      // a record runs past the region
};
region_state read_region_state(std::span<const uint8_t> image, uint32_t cursor, walk_result walked);

// The first record of type in the region, or false; over_gaps as for next_record.
bool find_record(std::span<const uint8_t> image, record_type type, record_view &record, bool over_gaps = false);
