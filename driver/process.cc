#include "driver/process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

bool prepare_process() {
  if (signal(SIGPIPE, SIG_IGN) == SIG_ERR) return false;
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
