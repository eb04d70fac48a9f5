// Config_II records: a 4-byte header (version 2, type, payload length as a
// little-endian 16-bit word) followed by the calibration file's bytes.
#pragma once

#include <cstdint>
#include <span>

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

// Scans the Config_II region at offset of image for steps steps: an erased byte
// or a whole record per step. The summed length of the records met (where the
// new records go), or -13 after its message when a record is damaged, has type
// already, or does not lie wholly inside the region.
int config_II_empty(record_type type, std::span<const uint8_t> image, uint32_t offset, uint32_t steps);
