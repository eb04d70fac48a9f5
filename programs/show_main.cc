// show_config: prints what the tolvane partition holds, its config block as a
// config file that set_config -i reads back, and its Config_II records; writes
// a record's payload to a file on request; with -j, all of it as one JSON
// object instead. It never writes the partition.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "base/process.h"
#include "programs/show_options.h"
#include "programs/show_run.h"
#include "programs/show_status.h"

int main(int argc, char **argv) {
  // The listing is the product: with standard output closed it has nowhere to go.
  bool output_open = fcntl(STDOUT_FILENO, F_GETFD) != -1;
  if (!prepare_process()) {
    (void)fprintf(stderr, "show_config: cannot set up the standard descriptors and signals\n");
    return show_output_failed;
  }
  if (!output_open) {
    (void)fprintf(stderr, "show_config: standard output is closed: no listing\n");
    return show_output_failed;
  }
  show_options options;
  int status = show_usage;
  if (parse_show_options(argc, argv, options)) {
    status = run_show(options);
  } else {
    print_show_usage();
  }
  // The listing is the product: one that did not reach its output is a failure.
  if (fflush(stdout) != 0 || ferror(stdout)) {
    (void)fprintf(stderr, "show_config: standard output could not be written\n");
    if (status == show_ok || status == show_with_comments) status = show_output_failed;
  }
  return status;
}
