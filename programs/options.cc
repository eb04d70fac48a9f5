#include "programs/options.h"

#include <cstdio>

// The project's version, given by the build; the usage text's format holds the major.
static_assert(SET_CONFIG_VERSION_MAJOR == 1, "the usage text says Version 1.x");

run_options parse_options(int argc, char **argv) {
  run_options options;
  options.environment = default_environment;
  for (int i = 1; i < argc; i++) {
    const char *arg = argv[i];
    if (arg[0] != '-') continue;
    char letter = arg[1];
    if (letter == 'h') {
      options.help = true;
      return options;
    }
    if (letter == 'l') options.trace = true;
    if (letter == 'r') options.in_place = true;
    if (letter == 'n') options.check = true;
    const char **value = letter == 'e'   ? &options.environment
                         : letter == 'i' ? &options.config
                         : letter == 'u' ? &options.tolvane
                                         : nullptr;
    for (const record_kind &kind : record_kinds) {
      if (letter == kind.option) value = &options.calibration[kind.type];
    }
    if (value) *value = i + 1 < argc ? argv[++i] : nullptr;
  }
  return options;
}

void printhelp(const char *program) {
  if (!program || program[0] == '\0') program = "set_config";
  printf(
      "%s [options] Version 1.%s\n\t-e\t environment\n\t-d\t dect_cal-file\n\t-i\t configfile\n"
      "\t-u\t tolvanefile\n\t-w\t wlan_cal-file\n",
      program, SET_CONFIG_VERSION_MINOR);
}
