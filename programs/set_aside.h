// With a format that collects the messages (-j), what the partition's
// functions print (that it cannot be locked or read) is set aside in a memory
// file while they run, then reported: standard output holds the listing only.
#pragma once

#include "programs/show_messages.h"

struct set_aside {
  int output = -1;  // standard output while it is set aside
  int file = -1;
};

// Sets standard output aside: false, with nothing set aside, when it cannot be.
bool begin_set_aside(set_aside &aside);

// Puts standard output back and reports what was printed meanwhile, its
// "ERROR: " and line end left out. False when standard output cannot be put back.
bool end_set_aside(set_aside &aside, show_messages &messages);
