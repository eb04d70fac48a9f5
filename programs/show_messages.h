// show_config's messages: its own and those of the lower floors (through the
// reporter it sets up), collected while it runs; each output format prints
// them where they belong (the text listing as "ERROR: ..." lines after it, -j
// in its "errors").
#pragma once

#include <cstddef>

struct show_messages {
  size_t used = 0;
  char text[1024];  // each NUL-terminated, without "ERROR: " and line end, as many as fit (a long one cut)
};

// Collects one message.
[[gnu::format(printf, 2, 3)]] void report(show_messages &messages, const char *format, ...);

// The reporter (base/report.h) that collects the lower floors' messages into
// messages, their "ERROR: " and line end left out.
void collect_reported(void *messages, const char *message);
