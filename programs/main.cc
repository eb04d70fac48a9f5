// set_config: writes the tolvane config block and the radio calibration records
// into the tolvane's flash partition, refusing any area that is not erased.
#include <cstdio>

#include "base/process.h"
#include "base/result.h"
#include "base/trace.h"
#include "programs/options.h"
#include "programs/run.h"

int main(int argc, char **argv) {
  // Without valid standard descriptors nothing is opened: the partition could
  // become standard output.
  if (!prepare_process()) {
    printf("ERROR: cannot set up the standard descriptors and signals: nothing done\n");
    return result_write;
  }
  const char *program = argc > 0 ? argv[0] : nullptr;
  if (argc <= 1) {
    printhelp(program);
    return 0;
  }
  run_options options = parse_options(argc, argv);
  if (options.trace) silent = 0;
  if (options.help) {
    printhelp(program);
    return 0;
  }
  return run(options);
}
