// Each system call of a run failing in turn, once and for good, through
// strace's fault injection: every failure is said, a run ends 0 only with the
// bytes of an uninterrupted run, and the partition is left untouched, whole,
// or holding a cut that show_config names and the same command with -r
// completes. The same for show_config's listings: 0 only with the listing of
// an unfaulted run, every other status said on standard error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/fixture.h"

namespace {

// strace runs the built host programs only: a checker or an emulator would be
// the one traced, and a sanitizer's runtime makes system calls of its own.
bool strace_applies() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#else
  return fault_shim() != nullptr && access("/usr/bin/strace", X_OK) == 0;
#endif
}

// A system call of the run: its name, how many of its kind the program's
// start made before the run began, and how many the run makes.
struct call_kind {
  std::string name;
  int before = 0;
  int made = 0;
};

// The system calls that command makes, in order of first use. The run begins
// where the program sets SIGPIPE aside, its first call: what the C library's
// start-up does before is not the run's to say.
std::vector<call_kind> calls_of(const temp_folder &folder, const std::string &command) {
  run_shell(folder, "strace -f -qq -o calls " + command + " > /dev/null 2>&1");
  std::ifstream trace(folder.path("calls"));
  std::vector<call_kind> calls;
  std::map<std::string, size_t> seen;
  bool begun = false;
  for (std::string line; std::getline(trace, line);) {
    std::istringstream words(line);
    std::string pid, call;
    words >> pid >> call;
    begun = begun || call.rfind("rt_sigaction(SIGPIPE", 0) == 0;
    call = call.substr(0, call.find('('));
    // Its end is no call that the run can fail at, and brk reports no error
    // number (it gives the old break back): an injected one is no failure
    // that a program can meet.
    if (call.empty() || call[0] == '<' || call[0] == '+' || call[0] == '-' || call == "exit_group" || call == "brk") {
      continue;
    }
    if (!seen.count(call)) {
      seen[call] = calls.size();
      calls.push_back({call});
    }
    (begun ? calls[seen[call]].made : calls[seen[call]].before)++;
  }
  return calls;
}

// The ways one call of the run fails: the nth of its kind once, and from the nth on for good.
std::vector<std::string> injections(const std::vector<call_kind> &calls) {
  std::vector<std::string> all;
  for (const call_kind &call : calls) {
    for (int n = call.before + 1; n <= call.before + call.made; n++) {
      for (const char *times : {"", "+"}) {
        all.push_back("-e inject=" + call.name + ":error=EIO:when=" + std::to_string(n) + times);
      }
    }
  }
  return all;
}

// The run of args under one fault, on the image before: a failure is said; a
// status of 0 comes with the uninterrupted run's bytes (whole); the partition
// is untouched, whole, or holds a write that took but could not be checked, or
// a cut that show_config names; -r then completes either.
void check_fault(const temp_folder &folder, const std::string &fault, const std::string &args, const bytes &before,
                 const bytes &whole) {
  SCOPED_TRACE(fault + args);
  write_file(folder.path("img"), before);
  tool_run run = run_shell(folder, "strace -f -qq -o /dev/null " + fault + " $SET_CONFIG" + args + " 2>&1");
  bytes after = read_file(folder.path("img"));
  if (run.status != 0) {
    EXPECT_NE("", run.output) << "a failure that says nothing: status " << run.status;
  } else {
    EXPECT_EQ(whole, after) << "a run ended 0 without its bytes";
  }
  if (after == before || after == whole) return;
  tool_run shown = run_show(folder, {"-u", "img"});
  EXPECT_TRUE(shown.status == 0 || shown.status == 7) << shown.output;
  tool_run completed = run_shell(folder, "$SET_CONFIG -r" + args);
  EXPECT_EQ(0, completed.status) << completed.output;
  EXPECT_EQ(whole, read_file(folder.path("img"))) << "-r did not complete what the fault left";
}

TEST(syscall_faults, every_failure_of_a_run_is_said_and_leaves_the_partition_safe) {
  if (!strace_applies()) GTEST_SKIP() << "strace traces the built host programs only";
  temp_folder folder;
  write_text(folder.path("cfg"), worked_example_config);
  write_text(folder.path("env"), "alpha 1\n");
  write_file(folder.path("w"), pattern(100, 7));
  write_file(folder.path("d"), pattern(10, 3));
  const std::string args = " -u img -i cfg -e env -w w -d d";
  bytes before = example_image();
  write_file(folder.path("img"), before);
  ASSERT_EQ(0, run_shell(folder, "$SET_CONFIG" + args).status);
  bytes whole = read_file(folder.path("img"));
  // Quiet, and traced: the trace's writes to standard output may fail too.
  for (const std::string &run : {args, " -l" + args}) {
    write_file(folder.path("img"), before);
    std::vector<std::string> faults = injections(calls_of(folder, "$SET_CONFIG" + run));
    ASSERT_GT(faults.size(), 30u);
    for (const std::string &fault : faults) check_fault(folder, fault, run, before, whole);
  }
}

// show_config on a provisioned unit under each fault, as text and as JSON:
// status 0 only with the listing of an unfaulted run; any other status said,
// in the listing's own "ERROR" lines or members, or on standard error.
TEST(syscall_faults, every_failure_of_a_listing_is_said) {
  if (!strace_applies()) GTEST_SKIP() << "strace traces the built host programs only";
  temp_folder folder;
  write_text(folder.path("cfg"), worked_example_config);
  write_text(folder.path("env"), "alpha 1\n");
  write_file(folder.path("w"), pattern(100, 7));
  write_file(folder.path("img"), example_image());
  ASSERT_EQ(0, run_shell(folder, "$SET_CONFIG -u img -i cfg -e env -w w").status);
  for (const std::string &args : {std::string(" -u img"), std::string(" -u img -j")}) {
    tool_run listed = run_shell(folder, "$SHOW_CONFIG" + args);
    ASSERT_EQ(0, listed.status) << listed.output;
    for (const std::string &fault : injections(calls_of(folder, "$SHOW_CONFIG" + args))) {
      SCOPED_TRACE(fault + args);
      tool_run run = run_shell(folder, "strace -f -qq -o /dev/null " + fault + " $SHOW_CONFIG" + args + " 2> err");
      bytes said = read_file(folder.path("err"));
      std::string errors(said.begin(), said.end());
      if (run.status == 0) {
        EXPECT_EQ(listed.output, run.output) << "a listing ended 0 that is not the unfaulted one";
      } else if (fault.find("inject=write:") == std::string::npos || fault.back() != '+') {
        // (With every write failing for good, nothing can be said anywhere.)
        bool in_listing =
            run.output.find("ERROR") != std::string::npos || run.output.find("\"errors\":[\"") != std::string::npos;
        EXPECT_TRUE(in_listing || !errors.empty()) << "a failure that says nothing: status " << run.status << "\n"
                                                   << run.output;
      }
    }
  }
}

}  // namespace
