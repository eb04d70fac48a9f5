#include "base/process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

bool prepare_process() {
  if (signal(SIGPIPE, SIG_IGN) == SIG_ERR || signal(SIGXFSZ, SIG_IGN) == SIG_ERR) return false;
  for (int fd = 0; fd <= 2; fd++) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is fd itself, as those below it are valid by
    // now; moved there should a checker have taken it.
    int null = open("/dev/null", O_RDWR);
    if (null < 0) return false;
    if (null != fd && (dup2(null, fd) != fd || close(null) != 0)) return false;
  }
  return true;
}

void hold_stop_signals(held_signals &signals) {
  sigset_t all;
  signals.held = sigfillset(&all) == 0 && sigprocmask(SIG_BLOCK, &all, &signals.before) == 0;
}

void release_stop_signals(held_signals &signals) {
  // What the run printed reaches its output before a held signal ends it.
  if (signals.held) (void)fflush(stdout);
  if (signals.held) (void)sigprocmask(SIG_SETMASK, &signals.before, nullptr);
  signals.held = false;
}
