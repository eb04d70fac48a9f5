// Config_II records: a 4-byte header (version 2, type, payload length as a
// little-endian 16-bit word) followed by the calibration file's bytes.
#pragma once

#include <cstdint>
#include <span>

#include "base/partition.h"

enum record_type : uint8_t { record_wlan = 0, record_dect = 1 };

// The record types this tool writes, one row each: its name, the letter of
// the option that names its file (set_config's calibration file, show_config's
// payload output), and the word its files go by in usage texts. Files given on a command line are kept in
// this order, and the steps, the listing and the payload outputs go through
// the rows in it.
struct record_kind {
  record_type type;
  const char *name;
  char option;
  const char *file;
};
inline constexpr uint32_t record_types = 2;
inline constexpr record_kind record_kinds[record_types] = {
    {record_wlan, "WLAN", 'w', "wlan"},
    {record_dect, "DECT", 'd', "dect"},
};

inline constexpr uint8_t record_version = 2;
inline constexpr uint32_t record_header_size = 4;

// A record's 4-byte header: version, type, payload length (little-endian).
struct record_header {
  uint8_t version;
  uint8_t type;
  uint16_t length;  // of the payload that follows the header
};

// Writes a header for a record of type with a payload of length bytes at header.
void put_record_header(uint8_t *header, record_type type, uint16_t length);

// Reads the 4-byte header at header.
record_header get_record_header(const uint8_t *header);

// The name of a type this tool writes ("WLAN", "DECT"), else null.
const char *record_type_name(uint8_t type);

// Builds a record of type from the file at path at byte pos of buffer, where
// space bytes are free. A regular file gives as many bytes as its status size,
// one whose status size is 0 as many as it holds (on any file system);
// anything else (a pipe, a device, a directory, a file of /proc or /sys) is
// read to its end and must give at least one byte. The record's length
// (payload + 4), or -14 after its messages ("ERROR: Configfile properties" last).
int read_extra_config(record_type type, const char *path, std::span<uint8_t> buffer, uint32_t pos, uint32_t space);

// read_extra_config in two halves, so that a run reads its calibration files
// before it takes the partition's lock and says what they gave in its step.
// What reading a calibration file gave, before anything is said of it.
struct calibration_read {
  bool stated = false;     // its status could be read
  bool by_status = false;  // its status size is what a read gives
  bool streamed = false;   // read to its end instead
  bool fits = false;       // room for it was left (a stream always has)
  long long size = 0;      // its status size; for a stream the count read, one more when it went on
  file_read got;           // the read of its payload, into the record's place
};

// Reads the file at path as read_extra_config does, into buffer at pos + 4,
// printing nothing.
calibration_read read_calibration_file(const char *path, std::span<uint8_t> buffer, uint32_t pos, uint32_t space);

// The length of the record that read gives (payload + 4), or -14 when it is refused.
int record_length(const calibration_read &read);

// Says what read gave, with read_extra_config's traces and messages, and
// writes the record's header: the record's length, or -14.
int take_calibration_file(record_type type, const char *path, std::span<uint8_t> buffer, uint32_t pos, uint32_t space,
                          const calibration_read &read);

// Scans the Config_II region of image (offset, 0x980, as the trace names it)
// for steps steps, through next_record: an erased byte or a whole record per step. The summed length of the records met
// (where the new records go), or -13 after its message when a record is damaged, has type already, or does not lie
// wholly inside the region.
int config_II_empty(record_type type, std::span<const uint8_t> image, uint32_t offset, uint32_t steps);
