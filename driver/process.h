// What a run needs of its process before it opens anything.
#pragma once

// Makes descriptors 0, 1 and 2 valid (a closed one is opened on /dev/null), so
// that no file the run opens can take one of them and receive its messages,
// and ignores SIGPIPE, so that an output that goes away cannot end the run
// between its writes. False when a closed descriptor cannot be reopened.
bool prepare_process();
