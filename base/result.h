// Result codes of the run: 0 is success, failures are negative and are passed
// up unchanged; the process exit status is the low 8 bits of the code.
#pragma once

enum result_code : int {
  result_ok = 0,
  result_config_file = -2,         // config file cannot be opened, a line has no flag or is too long
  result_read = -3,                // a file cannot be read whole (partition image, environment)
  result_no_value = -7,            // no value for a config line, in the file or the environment
  result_no_memory = -10,          // a buffer, a variable-tag copy, or the room in the block
  result_no_default_config = -11,  // no default config in the partition image
  result_write = -12,              // a block cannot be written into the partition
  result_not_erased = -13,         // a target area is in use
  result_record = -14,             // a calibration file cannot be turned into a record
  result_calibration = -15,        // the calibration step failed (any -14)
  result_would_write = -16,        // a check (-n): the run would write, and would succeed
};

// What a listing of show_config found an area of the partition (the config
// block, the Config_II region) to hold.
enum area_state {
  area_erased,       // nothing written
  area_whole,        // whole data
  area_interrupted,  // part of a write, which set_config -r completes
  area_damaged,      // damage that no cut of a write leaves
};

// Room for an area's message in its listing: what is interrupted or damaged, and where.
inline constexpr unsigned area_message_size = 128;

// What an interrupted write's message tells to do.
inline constexpr char rerun_to_complete[] = "rerun the same set_config command with -r to complete it";
