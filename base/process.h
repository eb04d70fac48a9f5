// What a run needs of its process before it opens anything.
#pragma once

#include <signal.h>

// Makes descriptors 0, 1 and 2 valid (a closed one is opened on /dev/null), so
// that no file the run opens can take one of them and receive its messages,
// and ignores SIGPIPE, so that an output that goes away cannot end the run
// between its writes, and SIGXFSZ, so that a write past the file-size limit
// fails as a write instead of ending the run in the middle of it. False when a
// closed descriptor cannot be reopened.
bool prepare_process();

// The signals that stop a run from outside (SIGINT, SIGTERM, SIGHUP, SIGQUIT,
// and every other one that can be held) are held from before a run's first
// write until after its last one is read back, so that none cuts a write; one
// that arrived meanwhile takes effect when they are let through again.
struct held_signals {
  sigset_t before;    // the mask the run had
  bool held = false;  // the signals are held now
};
void hold_stop_signals(held_signals &signals);
void release_stop_signals(held_signals &signals);
