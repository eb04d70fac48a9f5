#include "programs/show_messages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

void report(show_messages &messages, const char *format, ...) {
  va_list args;
  va_start(args, format);
  size_t room = sizeof messages.text - messages.used;
  if (!messages.collected) {
    printf("ERROR: ");
    vprintf(format, args);
    printf("\n");
  } else if (room > 1) {
    int length = vsnprintf(messages.text + messages.used, room, format, args);
    if (length >= 0) messages.used += std::min((size_t)length, room - 1) + 1;
  }
  va_end(args);
}
