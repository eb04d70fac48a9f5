#include "programs/show_options.h"

#include <cstdio>

namespace {

// The format that arg chooses ("-j"), or null.
const listing_format *format_option(const char *arg) {
  if (arg[0] != '-' || arg[1] == '\0' || arg[2] != '\0') return nullptr;
  for (const listing_format &format : listing_formats) {
    if (format.option != '\0' && arg[1] == format.option) return &format;
  }
  return nullptr;
}

// The value that option arg takes: -u and, for each record type, its letter.
const char **option_value(const char *arg, show_options &options) {
  if (arg[0] != '-' || arg[1] == '\0' || arg[2] != '\0') return nullptr;
  if (arg[1] == 'u') return &options.tolvane;
  for (const record_kind &kind : record_kinds) {
    if (arg[1] == kind.option) return &options.payload[kind.type];
  }
  return nullptr;
}

}  // namespace

bool parse_show_options(int argc, char **argv, show_options &options) {
  for (int i = 1; i < argc; i++) {
    if (const listing_format *format = format_option(argv[i])) {
      options.format = format;
      continue;
    }
    const char **value = option_value(argv[i], options);
    if (!value || i + 1 == argc) return false;
    *value = argv[++i];
  }
  return options.tolvane != nullptr;
}

void print_show_usage() {
  printf("show_config -u tolvanefile");
  for (const record_kind &kind : record_kinds) printf(" [-%c %s_out]", kind.option, kind.file);
  printf("\n\t-u\t tolvanefile: partition device or image, only read\n");
  for (const record_kind &kind : record_kinds) {
    printf("\t-%c\t writes the %s record's payload to this file\n", kind.option, kind.name);
  }
}
