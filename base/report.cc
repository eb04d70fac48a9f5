#include "base/report.h"

#include <cstdarg>
#include <cstdio>

// The program's reporter: set up by the program, in use while it runs.
static reporter current;

reporter set_reporter(reporter next) {
  reporter before = current;
  current = next;
  return before;
}

void report(const char *format, ...) {
  va_list args;
  va_start(args, format);
  if (!current.take) {
    vprintf(format, args);
  } else {
    char message[1024];  // a longer one is cut
    if (vsnprintf(message, sizeof message, format, args) >= 0) current.take(current.context, message);
  }
  va_end(args);
}
