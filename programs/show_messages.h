// show_config's messages: each printed at once as an "ERROR: ..." line, or,
// for an output format that carries them (-j's "errors"), collected for it.
#pragma once

#include <cstddef>

struct show_messages {
  bool collected = false;  // collected here, not printed
  size_t used = 0;
  char text[1024];  // the collected messages, each NUL-terminated, as many as fit (a long one cut)
};

// Reports a failure: an "ERROR: ..." line, or a message collected.
[[gnu::format(printf, 2, 3)]] void report(show_messages &messages, const char *format, ...);
