// The command line: options into one plain record, and the usage text.
#pragma once

#include "calibration/records.h"

struct run_options {
  const char *environment = nullptr;           // -e: environment text, read only with -i
  const char *config = nullptr;                // -i: config file
  const char *tolvane = nullptr;               // -u: partition device or image file, read and written
  const char *calibration[record_types] = {};  // -w, -d: calibration files, as record_kinds orders them
  bool trace = false;                          // -l: trace messages print
  bool in_place = false;                       // -r: complete an interrupted or repeated run in place
  bool check = false;                          // -n: decide everything, write nothing
  bool help = false;                           // -h met: print the usage text and do nothing else
};

inline constexpr const char *default_environment = "/proc/sys/dev/adam2/environment";

// Parses argv[1..argc-1]. Only an argument's second character counts, unknown
// letters are ignored, a value option takes the next argument whatever it is,
// and as the last argument leaves its value absent; parsing stops at -h.
run_options parse_options(int argc, char **argv);

// Prints the usage text for program (argv[0]; "set_config" when empty or absent).
void printhelp(const char *program);
