// show_config's exit statuses, and the status of a listing.
#pragma once

#include "programs/listing.h"

enum show_status {
  show_ok = 0,
  show_damaged = 1,  // the block or the region is damaged
  show_usage = 2,
  show_unreadable = 3,       // the partition cannot be read
  show_payload_refused = 4,  // a record asked for is missing, or its payload cannot be written there
  show_with_comments = 5,    // listed, but the lines do not give the same block back: a tag is a comment
  show_output_failed = 6,    // standard output could not be written
  show_interrupted = 7,      // the block or the region holds part of a write: set_config -r completes it
};

// The status of a listing: show_damaged, show_interrupted, show_with_comments
// or show_ok, the first that applies.
show_status listing_status(const partition_listing &listing);
