// Reading the Config_II region back: its records one by one.
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
// with cursor on it.
walk_result next_record(std::span<const uint8_t> image, uint32_t &cursor, record_view &record);

// Prints each record of the Config_II region of image as a comment line. 0; 1
// after an "ERROR: ..." line naming the offset of a damaged record; 2 after an
// "ERROR: interrupted write ..." line when the region holds part of a write,
// which puts the version byte of its first record down last: bytes written
// behind the erased byte that ends the records, or a record start that is
// neither erased nor version 2.
int show_region(std::span<const uint8_t> image);

// The first record of type in the region, or false.
bool find_record(std::span<const uint8_t> image, record_type type, record_view &record);
