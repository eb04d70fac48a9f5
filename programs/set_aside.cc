#include "programs/set_aside.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

bool begin_set_aside(set_aside &aside) {
  if (fflush(stdout) != 0) return false;
  aside.file = memfd_create("show_config", MFD_CLOEXEC);
  aside.output = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (aside.file >= 0 && aside.output >= 0 && dup2(aside.file, STDOUT_FILENO) >= 0) return true;
  if (aside.file >= 0) close(aside.file);
  if (aside.output >= 0) close(aside.output);
  return false;
}

bool end_set_aside(set_aside &aside, show_messages &messages) {
  bool back = fflush(stdout) == 0;
  back = dup2(aside.output, STDOUT_FILENO) >= 0 && back;
  close(aside.output);
  char text[512];
  ssize_t got = pread(aside.file, text, sizeof text - 1, 0);
  close(aside.file);
  if (got <= 0) return back;
  text[got] = '\0';
  text[strcspn(text, "\n")] = '\0';
  const char prefix[] = "ERROR: ";
  report(messages, "%s", strncmp(text, prefix, strlen(prefix)) == 0 ? text + strlen(prefix) : text);
  return back;
}
