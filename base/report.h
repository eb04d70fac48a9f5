// The one way the lower floors (base/, config/, calibration/) say something:
// each message is handed whole, as it is printed ("ERROR: " and line end
// included, as its format has them), to the reporter that the program set up.
// Without one, each is printed on standard output as it comes, as set_config
// prints all its messages; show_config collects them for its listing.
#pragma once

// Takes one message; context is the reporter's own.
struct reporter {
  void (*take)(void *context, const char *message) = nullptr;  // null: printed on standard output
  void *context = nullptr;
};

// Hands the messages from now on to next: the reporter it replaces.
reporter set_reporter(reporter next);

// Formats one message and hands it to the reporter.
void report(const char *format, ...) __attribute__((format(printf, 1, 2)));
