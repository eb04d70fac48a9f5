// Listing the Config_II region: its records as comment lines.
#pragma once

#include <cstdint>
#include <span>

#include "base/result.h"
#include "calibration/region_reader.h"

// Prints each record of the Config_II region of image as a comment line:
// listed; listed_damaged after an "ERROR: ..." line naming the offset of a
// damaged record; listed_interrupted after an "ERROR: interrupted write ..."
// line when the region holds part of a write (see read_region_state).
listing_result show_region(std::span<const uint8_t> image);

// Prints the message (no "ERROR: ", no line end) for a region in state
// region_interrupted or region_damaged, whose walk ended at partition offset offset.
void print_region_trouble(region_state state, uint32_t offset);
