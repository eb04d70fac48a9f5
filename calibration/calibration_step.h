// The calibration step of a run: calibration files become Config_II records
// that are written into the partition behind the records already there.
#pragma once

#include <cstdint>
#include <span>

#include "base/partition.h"
#include "calibration/records.h"

// The calibration files of a run, one a record type in the order of
// record_kinds (-w, -d); any may be absent.
struct calibration_files {
  const char *file[record_types] = {};
};

// The records a run writes: their bytes at the start of the record buffer and
// the region offset they go to.
struct record_placement {
  uint32_t offset = 0;  // in the Config_II region
  uint32_t total = 0;   // bytes of the records to write, at the record buffer's start
};

// What the calibration files gave, read before the run takes the partition's
// lock so that an input that never ends holds no other run; nothing is said
// of them until the step meets them.
struct calibration_inputs {
  calibration_read file[record_types];
};

// Reads the given files into records, in the order of record_kinds, each where
// its record goes, as long as each file before it gives a record. Prints nothing.
void read_calibration_inputs(const calibration_files &files, std::span<uint8_t> records, calibration_inputs &inputs);

// Turns what the given files gave into records in the record buffer, in the
// order of record_kinds, and examines the Config_II region of image for them. 0; -15
// when a file cannot be turned into a record; -13 when the region forbids the
// write. in_place (-r): the region may already hold these records committed,
// or a cut of them where they go (see examine_config_II_in_place); only the
// records still to write are placed then. It is refused, as without it, where
// it holds anything else.
int build_calibration_step(std::span<const uint8_t> image, std::span<uint8_t> records, const calibration_files &files,
                           const calibration_inputs &inputs, bool in_place, record_placement &placement);

// Writes the placed records into the target partition, the version byte of
// the first one last; in_place: only the bytes that image does not hold already.
// 0, or -12 when the write fails.
int write_calibration_step(std::span<const uint8_t> image, std::span<const uint8_t> records,
                           const calibration_files &files, const record_placement &placement, partition &target,
                           bool in_place);

// Where the new records of total bytes go in the Config_II region of image:
// behind the records of other types when one file is given, at the start of a
// wholly erased region when more are. The region offset, or -13 after a message
// when the region is in use, holds a record of the one file's type anywhere, or
// the write range leaves the region or is not erased.
int examine_config_II(std::span<const uint8_t> image, const calibration_files &files, uint32_t total);

// Where the new records go when the region may already hold part or all of
// them (-r). The records that a reader of the region reaches whole from its
// start, up to the first erased byte where a record could start, are
// committed and final: each of a type that the run writes must be the new
// record, byte for byte, and that record is then not written again; with more
// types given, no record of another type may stand among them. The records
// still to write go right behind the committed ones, where every byte must be
// one that programming turns into the new byte, and the region behind them
// must be erased. The region offset, with the records to write moved to the
// start of records and total their length (0 when all stand already); or -1
// (nothing printed, records untouched) when the region does not allow that.
int examine_config_II_in_place(std::span<const uint8_t> image, std::span<uint8_t> records, uint32_t &total,
                               const calibration_files &files);
