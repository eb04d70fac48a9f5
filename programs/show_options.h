// show_config's command line: options into one plain record, and the usage text.
#pragma once

#include "calibration/records.h"
#include "programs/listing_formats.h"

struct show_options {
  const char *tolvane = nullptr;                       // -u: partition device or image, only read
  const char *payload[record_types] = {};              // -w, -d: payload outputs, as record_kinds orders them
  const listing_format *format = &listing_formats[0];  // -j: the JSON listing; else the text listing
};

// Parses argv[1..argc-1]: -u and the record types' letters, each with the next
// argument as its value, and the formats' letters. False for anything else, a
// value option as the last argument, or no -u.
bool parse_show_options(int argc, char **argv, show_options &options);

// Prints the usage text (the formats' options aside).
void print_show_usage();
