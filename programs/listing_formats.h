// show_config's output formats: each one printer over the partition's listing,
// in a file of its own, and one row of listing_formats, which gives it its
// option.
#pragma once

#include "programs/listing.h"
#include "programs/show_messages.h"

// What a printer prints.
struct show_report {
  const char *partition;             // -u as given
  const partition_listing *listing;  // null: the partition was not read, or a payload output was refused first
  const show_messages *messages;     // those collected: its own, and the lower floors' ones
  int status;                        // the exit status: known to print_end only
};

struct listing_format {
  char option;  // -X chooses it; 0 for the text listing, the default
  // Prints the listing, before the payloads are written; then print_end ends
  // the output once the run's messages and status are known.
  void (*print_listing)(const show_report &report);
  void (*print_end)(const show_report &report);
};

// The text listing (listing_text.cc): the block as a config file that
// set_config -i reads back into the same block, a tag that no config line
// gives back as a comment saying why; the records as comment lines; damage
// and interrupted writes as "ERROR: ..." lines; then the run's messages as
// "ERROR: ..." lines.
void print_text_listing(const show_report &report);
void print_text_end(const show_report &report);

// The JSON listing (listing_json.cc): one object on one line, members
// "schema_version", "partition", "config", "config_II", "errors" and "status";
// every member in every object, null where it does not apply.
void print_json_listing(const show_report &report);
void print_json_end(const show_report &report);

inline constexpr listing_format listing_formats[] = {
    {'\0', print_text_listing, print_text_end},
    {'j', print_json_listing, print_json_end},
};
