#include "base/trace.h"

#include <cstdarg>
#include <cstdio>

int silent = 1;

void trace(const char *format, ...) {
  if (silent != 0) return;
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
}

const char *printable_path(const char *path) { return path ? path : "(null)"; }
