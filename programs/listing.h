// The listing of a partition: one record per area, decoded once from the
// readers, which every output format prints.
#pragma once

#include <cstdint>
#include <span>

#include "calibration/region_listing.h"
#include "config/block_listing.h"

struct partition_listing {
  block_listing config;      // the config block at 0x580
  region_listing config_II;  // the Config_II region at 0x980
};

// Decodes the block and the region of image (64 KiB) into listing, which then
// points into image; the block against the default header that the locator
// leads to, when there is one.
void list_partition(std::span<const uint8_t> image, partition_listing &listing);
