#include "programs/show_messages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

void report(show_messages &messages, const char *format, ...) {
  va_list args;
  va_start(args, format);
  size_t room = sizeof messages.text - messages.used;
  if (room > 1) {
    int length = vsnprintf(messages.text + messages.used, room, format, args);
    if (length >= 0) messages.used += std::min((size_t)length, room - 1) + 1;
  }
  va_end(args);
}

void collect_reported(void *messages, const char *message) {
  const char prefix[] = "ERROR: ";
  if (strncmp(message, prefix, strlen(prefix)) == 0) message += strlen(prefix);
  report(*(show_messages *)messages, "%.*s", (int)strcspn(message, "\n"), message);
}
