// The calibration step of a run: calibration files become Config_II records
// that are written into the partition behind the records already there.
#pragma once

#include <cstdint>
#include <span>

#include "driver/partition.h"

// The calibration files of a run; either may be absent.
struct calibration_files {
  const char *wlan;  // -w
  const char *dect;  // -d
};

// Turns the WLAN and the DECT file (either may be null) into records in the
// record buffer, examines the Config_II region of image and writes the records
// into the target partition. 0; -15 when a file cannot be turned into a
// record; -13 when the region forbids the write; -12 when the write fails.
int calibration_step(std::span<const uint8_t> image, std::span<uint8_t> records, const calibration_files &files,
                     const partition &target);

// Where the new records of total bytes go in the Config_II region of image:
// behind the records of other types when one file is given, at the start of a
// wholly erased region when both are. The region offset, or -13 after a message
// when the region is in use, holds a record of the one file's type anywhere, or
// the write range leaves the region or is not erased.
int examine_config_II(std::span<const uint8_t> image, bool wlan, bool dect, uint32_t total);
