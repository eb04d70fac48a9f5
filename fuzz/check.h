// The fuzz targets' invariant check: a broken invariant stops the fuzzer with its text.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void check(bool holds, const char *invariant) {
  if (holds) return;
  fprintf(stderr, "invariant broken: %s\n", invariant);
  abort();
}

// Trace output is not what a fuzzer looks at.
inline void quiet_stdout() {
  static bool done = false;
  if (!done && freopen("/dev/null", "w", stdout)) done = true;
}
