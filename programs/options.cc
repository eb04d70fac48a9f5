#include "programs/options.h"

#include <cstdio>

// The project's version, given by the build; the usage text's format holds the major.
static_assert(SET_CONFIG_VERSION_MAJOR == 1, "the usage text says Version 1.x");

namespace {

// The options that switch something on: each letter and the member it sets.
struct switch_option {
  char letter;
  bool run_options::*member;
};
constexpr switch_option switch_options[] = {
    {'l', &run_options::trace}, {'r', &run_options::in_place}, {'n', &run_options::check}};

// The options that take the next argument as a path, besides the calibration
// files' (record_kinds): each letter and the member it sets.
struct path_option {
  char letter;
  const char *run_options::*member;
};
constexpr path_option path_options[] = {
    {'e', &run_options::environment}, {'i', &run_options::config}, {'u', &run_options::tolvane}};

// The path that letter's option sets, or null when it takes no path.
const char **path_for(run_options &options, char letter) {
  for (const path_option &option : path_options) {
    if (letter == option.letter) return &(options.*option.member);
  }
  for (const record_kind &kind : record_kinds) {
    if (letter == kind.option) return &options.calibration[kind.type];
  }
  return nullptr;
}

}  // namespace

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
    for (const switch_option &option : switch_options) {
      if (letter == option.letter) options.*option.member = true;
    }
    const char **path = path_for(options, letter);
    if (path) *path = i + 1 < argc ? argv[++i] : nullptr;
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
