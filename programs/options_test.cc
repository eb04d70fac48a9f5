#include "programs/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct options_case {
  std::vector<const char *> args;  // after argv[0]
  const char *config, *tolvane;
  const char *calibration[record_types];  // as record_kinds orders them
  const char *environment;
  bool trace, help;
};

const char *dflt = default_environment;

const options_case options_cases[] = {
    {{"-u", "img", "-i", "cfg", "-e", "env", "-w", "w", "-d", "d"}, "cfg", "img", {"w", "d"}, "env", false, false},
    {{"-include", "cfg", "-lx"}, "cfg", nullptr, {}, dflt, true, false},
    {{"-u", "-i", "cfg"}, nullptr, "-i", {}, dflt, false, false},  // a value is the next argument
    {{"-u", "a", "-u", "b"}, nullptr, "b", {}, dflt, false, false},
    {{"-i", "cfg", "-i"}, nullptr, nullptr, {}, dflt, false, false},  // last: absent
    {{"-e"}, nullptr, nullptr, {}, nullptr, false, false},            // replaces the default
    {{"-x", "cfg", "plain", "-", ""}, nullptr, nullptr, {}, dflt, false, false},
    {{"-l", "-h", "-i", "x"}, nullptr, nullptr, {}, dflt, true, true},  // stops at -h
};

void expect_path(const char *expected, const char *actual) {
  if (!expected) {
    EXPECT_EQ(nullptr, actual);
  } else {
    ASSERT_NE(nullptr, actual);
    EXPECT_STREQ(expected, actual);
  }
}

TEST(parse_options, follows_the_command_line_rules) {
  for (const options_case &c : options_cases) {
    std::vector<char *> argv = {const_cast<char *>("set_config")};
    std::string shown;
    for (const char *arg : c.args) {
      argv.push_back(const_cast<char *>(arg));
      shown += std::string(arg) + " ";
    }
    SCOPED_TRACE(shown);
    run_options options = parse_options((int)argv.size(), argv.data());
    expect_path(c.config, options.config);
    expect_path(c.tolvane, options.tolvane);
    for (const record_kind &kind : record_kinds) expect_path(c.calibration[kind.type], options.calibration[kind.type]);
    expect_path(c.environment, options.environment);
    EXPECT_EQ(c.trace, options.trace);
    EXPECT_EQ(c.help, options.help);
  }
}

TEST(parse_options, takes_r_and_n_as_switches) {
  struct switch_case {
    std::vector<const char *> args;
    bool in_place, check;
  };
  const switch_case cases[] = {
      {{"-r"}, true, false},
      {{"-u", "img", "-rest"}, true, false},
      {{"-i", "cfg", "-r", "-w", "w", "-n"}, true, true},
      {{"-no", "-u", "img"}, false, true},
      {{"-u", "-r", "-i", "-n"}, false, false},  // values of -u and -i
  };
  for (const switch_case &c : cases) {
    std::vector<char *> argv = {const_cast<char *>("set_config")};
    for (const char *arg : c.args) argv.push_back(const_cast<char *>(arg));
    run_options options = parse_options((int)argv.size(), argv.data());
    EXPECT_EQ(c.in_place, options.in_place) << c.args.size();
    EXPECT_EQ(c.check, options.check) << c.args.size();
  }
}

}  // namespace
