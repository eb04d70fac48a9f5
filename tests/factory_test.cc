// The tool as a factory line calls it from shell scripts: standard output
// closed or gone, two runs on one target at once, calibration from a pipe, a
// target removed or replaced during the run. Each compares the run's output,
// its status and every byte of the image.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/bytes.h"
#include "base/layout.h"
#include "calibration/records.h"
#include "config/block.h"
#include "tests/fixture.h"

namespace {

// The folder a factory script works in: the example image, the worked
// example's config, a long environment whose traced look-up prints over 8 KiB,
// and calibration files.
struct line_folder {
  temp_folder folder;
  bytes wlan = pattern(100, 7);
  bytes dect = pattern(10, 3);
  line_folder() {
    write_file(folder.path("img"), example_image());
    write_text(folder.path("cfg"), worked_example_config);
    write_text(folder.path("cfg2"), "gamma overwrite 3\n");
    write_text(folder.path("lookup"), "beta keep\n");
    // Sized so that the trace's first 8 KiB fill up while a write has the
    // target open: where a closed standard output once let them in.
    std::string env;
    for (int i = 0; i < 149; i++) env += "filler" + std::to_string(i) + " some value\n";
    write_text(folder.path("env"), env + "pad " + std::string(225, 'p') + "\nbeta 9\n");
    write_file(folder.path("w"), wlan);
    write_file(folder.path("d"), dect);
  }
  bytes wlan_record() const { return record_of(record_wlan, wlan); }
  bytes dect_record() const { return record_of(record_dect, dect); }
  bytes image() const { return read_file(folder.path("img")); }
};

// A run of set_config, started in the background as $run, that holds the lock
// on img while it waits for the rest of its config from the FIFO slow: the run
// reads its inputs before it locks the partition, but only the config file's
// first 8 KiB. The script goes on once the run holds the lock; writing the
// config to descriptor 3 and closing it lets the run go on.
std::string run_held_under_lock(const std::string &args) {
  return "mkfifo slow\n"
         "$SET_CONFIG " +
         args +
         " & run=$!\n"
         "exec 3>slow\n"
         "head -c 9000 /dev/zero | tr '\\0' '#' >&3; echo >&3\n"
         "while flock -n img true; do sleep 0.01; done\n";
}

// The block that "beta keep" gives with "beta 9" in the environment.
bytes lookup_block() {
  bytes block(config_size, erased);
  put_bytes(block, 0, example_header());
  put_bytes(block, header_var_data, {0xF8, 0x05, 0x00, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 'b', 'e', 't', 'a', 0, '9', 0});
  return block;
}

TEST(factory, closed_standard_descriptors_never_reach_the_partition) {
  const char *scripts[] = {
      "$SET_CONFIG -l -u img -i lookup -e env -w w >&-",
      "$SET_CONFIG -l -u img -i lookup -e env -w w <&- >&- 2>&-",
  };
  for (const char *script : scripts) {
    SCOPED_TRACE(script);
    // A checker (valgrind) keeps standard error for itself and refuses it to the tool.
    if (tool_wrapped() && strstr(script, "2>&-")) continue;
    line_folder line;
    tool_run run = run_shell(line.folder, script);
    EXPECT_EQ("", run.output);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(with(with(example_image(), config_offset, lookup_block()), config_II_offset, line.wlan_record()),
              line.image());
  }
}

// Standard output or error that is the partition itself: nothing is written,
// and the message goes to the other one; with both the partition, nowhere.
TEST(factory, a_partition_that_is_also_an_output_is_refused) {
  struct output_case {
    const char *script;
    const char *output;
    int status;
  };
  const char *refused = "ERROR: img is standard output or standard error: nothing written\n";
  const output_case cases[] = {
      {"$SET_CONFIG -l -u img -i cfg -e env -w w >> img 2> err; status=$?; cat err; exit $status", refused, 244},
      {"$SET_CONFIG -l -u img -i cfg -e env -w w 2>> img", refused, 244},
      {"$SET_CONFIG -l -u img -i cfg -e env -w w >> img 2>> img", "", 244},
      {"$SHOW_CONFIG -u img >> img 2> err; status=$?; cat err; exit $status",
       "show_config: standard output is the partition img\n", 6},
      {"$SHOW_CONFIG -u img >> img 2>> img", "", 6},
      {"$SHOW_CONFIG -u img > /dev/full 2>> img", "", 6},
  };
  for (const output_case &c : cases) {
    SCOPED_TRACE(c.script);
    line_folder line;
    tool_run run = run_shell(line.folder, c.script);
    EXPECT_EQ(c.output, run.output);
    EXPECT_EQ(c.status, run.status);
    EXPECT_EQ(example_image(), line.image());
  }
}

// A partition that is a device is that partition by any of its nodes: an
// output that is the same device by another node (/dev/zero, and a node of
// the folder's own for it) is refused as the partition's name is. Such a
// partition reads as zeros and takes every write: the output and the status
// tell what the run did.
TEST(factory, a_device_partition_is_an_output_by_any_node) {
  struct stat zero;
  ASSERT_EQ(0, stat("/dev/zero", &zero));
  struct output_case {
    const char *script;
    const char *output;
    int status;
  };
  const output_case cases[] = {
      {"$SET_CONFIG -u zero -i cfg -e env -w w >> /dev/zero 2> err; status=$?; cat err; exit $status",
       "ERROR: zero is standard output or standard error: nothing written\n", 244},
      {"$SHOW_CONFIG -u zero >> /dev/zero 2> err; status=$?; cat err; exit $status",
       "show_config: standard output is the partition zero\n", 6},
  };
  for (const output_case &c : cases) {
    SCOPED_TRACE(c.script);
    line_folder line;
    std::string node = line.folder.path("zero");
    if (mknod(node.c_str(), S_IFCHR | 0600, zero.st_rdev) != 0) GTEST_SKIP() << "no device node can be made here";
    int opened = open(node.c_str(), O_RDONLY);
    if (opened < 0) GTEST_SKIP() << "the temporary folder allows no devices";
    close(opened);
    tool_run run = run_shell(line.folder, c.script);
    EXPECT_EQ(c.output, run.output);
    EXPECT_EQ(c.status, run.status);
  }
}

// The first run holds the lock while it waits for its config from a FIFO; the
// second, a run or a reader, starts meanwhile and must wait, then see what the
// first wrote.
TEST(factory, a_second_run_waits_for_the_first_and_sees_its_writes) {
  struct race_case {
    const char *second;
    std::string output;  // of both runs, then their statuses
    std::vector<patch> written;
  };
  line_folder probe;
  const race_case cases[] = {
      {"$SET_CONFIG -u img -d d",
       "first 0\nsecond 0\n",
       {{config_offset, worked_example_block()},
        {config_II_offset, probe.wlan_record()},
        {config_II_offset + 104, probe.dect_record()}}},
      {"$SET_CONFIG -u img -i cfg2 -e env",
       "ERROR: Config not empty\nfirst 0\nsecond 243\n",
       {{config_offset, worked_example_block()}, {config_II_offset, probe.wlan_record()}}},
      {"$SET_CONFIG -u img -w w",
       "ERROR: Config_II not empty - this Type of Config exists\nfirst 0\nsecond 243\n",
       {{config_offset, worked_example_block()}, {config_II_offset, probe.wlan_record()}}},
      // A reader waits too: it lists the block, never a partition half written.
      {"$SHOW_CONFIG -u img | grep -c 'alpha overwrite one two'",
       "1\nfirst 0\nsecond 0\n",
       {{config_offset, worked_example_block()}, {config_II_offset, probe.wlan_record()}}},
  };
  for (const race_case &c : cases) {
    SCOPED_TRACE(c.second);
    line_folder line;
    tool_run run = run_shell(line.folder, run_held_under_lock("-u img -i slow -e env -w w > first.out") + "{ " +
                                              std::string(c.second) +
                                              "; } > second.out 3>&- & second=$!\n"
                                              "sleep 0.5; cat cfg >&3; exec 3>&-\n"
                                              "wait $run; a=$?; wait $second; b=$?\n"
                                              "cat first.out second.out; echo \"first $a\"; echo \"second $b\"\n");
    EXPECT_EQ(c.output, run.output);
    EXPECT_EQ(patched(example_image(), c.written), line.image());
  }
}

TEST(factory, calibration_from_a_pipe_or_pseudo_file) {
  bytes proc_version = read_file("/proc/version");
  ASSERT_FALSE(proc_version.empty());
  struct pipe_case {
    const char *script;
    std::string output;
    int status;
    bytes record;  // written at 0x980; none when empty
  };
  line_folder probe;
  const std::string refused = "ERROR: Configfile properties\n";
  const pipe_case cases[] = {
      {"cat w | $SET_CONFIG -l -u img -w /dev/stdin",
       "[read_extra_config] size 100\n[read_extra_config] read len 100\n[config_II_empty] offset 0x980 size 104\n"
       "write /dev/stdin to img\n[write_config] file img offset 0x980 config_size 104\n[write_config] len 104\n",
       0, probe.wlan_record()},
      {"$SET_CONFIG -u img -w <(cat w)", "", 0, probe.wlan_record()},
      {"$SET_CONFIG -u img -w /proc/version", "", 0, record_of(record_wlan, proc_version)},
      {"head -c 1148 /dev/zero | $SET_CONFIG -u img -w /dev/stdin", "", 0, record_of(record_wlan, bytes(1148, 0))},
      {"$SET_CONFIG -u img -d /dev/stdin < /dev/null",
       "ERROR: open /dev/stdin failed\nERROR: Configfile size missmatch 1152 - 0\n" + refused,
       241,
       {}},
      {"head -c 1149 /dev/zero | $SET_CONFIG -u img -w /dev/stdin",
       "ERROR: open /dev/stdin failed\nERROR: Configfile size missmatch 1152 - 1149\n" + refused,
       241,
       {}},
      {"$SET_CONFIG -u img -w w -d /dev/zero",
       "ERROR: open /dev/zero failed\nERROR: Configfile size missmatch 1048 - 1045\n" + refused,
       241,
       {}},
  };
  for (const pipe_case &c : cases) {
    SCOPED_TRACE(c.script);
    line_folder line;
    tool_run run = run_shell(line.folder, c.script);
    EXPECT_EQ(c.output, run.output);
    EXPECT_EQ(c.status, run.status);
    bytes expected = example_image();
    if (!c.record.empty()) put_bytes(expected, config_II_offset, c.record);
    EXPECT_EQ(expected, line.image());
  }
}

// An input whose read fails before its end (a pipe, a pseudo file, a file on a
// failing medium) is one that cannot be read whole: refused with its
// messages, nothing written, however much it gave before.
TEST(factory, a_read_that_breaks_off_is_no_end_of_file) {
  if (!fault_shim()) GTEST_SKIP() << "no fault library for this build's tool";
  struct break_case {
    const char *script;
    const char *path;  // whose reads fail
    long after;        // bytes read before they do
    std::string output;
    int status;
  };
  const std::string refused = "ERROR: Configfile size missmatch 1152 - 10\nERROR: Configfile properties\n";
  const break_case cases[] = {
      {"cat w | $SET_CONFIG -u img -w /dev/stdin", "/dev/stdin", 10, "ERROR: open /dev/stdin failed\n" + refused, 241},
      {"$SET_CONFIG -u img -d /proc/version", "/proc/version", 10, "ERROR: open /proc/version failed\n" + refused, 241},
      {"$SET_CONFIG -u img -i lookup -e env", "env", 17, "ERROR: reading file env len 17", 253},
  };
  for (const break_case &c : cases) {
    SCOPED_TRACE(c.script);
    line_folder line;
    preloaded_faults faults(
        {{"SET_CONFIG_READ_FAIL", c.path}, {"SET_CONFIG_READ_FAIL_AFTER", std::to_string(c.after)}});
    tool_run run = run_shell(line.folder, c.script);
    EXPECT_EQ(c.output, run.output);
    EXPECT_EQ(c.status, run.status);
    EXPECT_EQ(example_image(), line.image());
  }
}

// A run reads its environment, its calibration files and its config file
// (as far as it reads ahead) before it locks the partition: one that waits on
// a FIFO whose writer stays holds no other run, a reader nor a writer.
TEST(factory, an_input_that_never_ends_holds_no_other_run) {
  struct input_case {
    const char *args;   // of the run that waits on the FIFO slow
    const char *fed;    // the file fed into the FIFO at last
    const char *other;  // the arguments of the other run, which writes meanwhile
    std::vector<patch> written;
  };
  line_folder probe;
  const std::vector<patch> block_and_wlan = {{config_offset, lookup_block()}, {config_II_offset, probe.wlan_record()}};
  const input_case cases[] = {
      {"-i lookup -e slow", "env", "-w w", block_and_wlan},
      {"-i slow -e env", "lookup", "-w w", block_and_wlan},
      {"-w slow", "w", "-d d", {{config_II_offset, probe.dect_record()}, {0x98E, probe.wlan_record()}}},
      {"-d slow", "d", "-w w", {{config_II_offset, probe.wlan_record()}, {0x9E8, probe.dect_record()}}},
  };
  for (const input_case &c : cases) {
    SCOPED_TRACE(c.args);
    line_folder line;
    tool_run run = run_shell(line.folder, "mkfifo slow\n$SET_CONFIG -u img " + std::string(c.args) +
                                              " & run=$!\n"
                                              "exec 3>slow\n"
                                              "timeout 10 $SHOW_CONFIG -u img > /dev/null; echo reader $?\n"
                                              "timeout 10 $SET_CONFIG -u img " +
                                              c.other +
                                              "; echo writer $?\n"
                                              "cat " +
                                              c.fed +
                                              " >&3; exec 3>&-\n"
                                              "wait $run; echo run $?\n");
    EXPECT_EQ("reader 0\nwriter 0\nrun 0\n", run.output);
    EXPECT_EQ(patched(example_image(), c.written), line.image());
  }
}

// A FIFO or a socket is no partition: refused before anything is read, and
// never waited on (a FIFO the run opened itself would never end its read).
TEST(factory, a_fifo_or_a_socket_is_no_partition) {
  struct stream_case {
    const char *script;
    const char *output;
  };
  const stream_case cases[] = {
      {"mkfifo ff; timeout 20 $SET_CONFIG -u ff -w w", "ERROR: reading file ff len 0"},
      {"cat img | timeout 20 $SET_CONFIG -u /dev/stdin -w w", "ERROR: reading file /dev/stdin len 0"},
      {"timeout 20 $SET_CONFIG -u sock -w w", "ERROR: reading file sock len 0"},
  };
  for (const stream_case &c : cases) {
    SCOPED_TRACE(c.script);
    line_folder line;
    int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string sock = line.folder.path("sock");
    ASSERT_LT(sock.size(), sizeof address.sun_path);
    memcpy(address.sun_path, sock.c_str(), sock.size() + 1);
    ASSERT_EQ(0, bind(listening, (const sockaddr *)&address, sizeof address));
    tool_run run = run_shell(line.folder, c.script);
    close(listening);
    EXPECT_EQ(c.output, run.output);
    EXPECT_EQ(253, run.status);
    EXPECT_EQ(example_image(), line.image());
  }
}

// A file whose status size is 0 although it has content, on a pseudo file
// system other than procfs and sysfs: a cgroup file, where the machine mounts
// its cgroup hierarchies (a systemd host or a container has them; cgroup v1 and
// v2 alike). Files whose content stays put during a run. Empty when none.
std::string zero_sized_pseudo_file() {
  static const char *const names[] = {"cgroup.controllers", "cgroup.type",           "cgroup.max.depth",
                                      "cpu.shares",         "cgroup.clone_children", "notify_on_release"};
  FILE *mounts = fopen("/proc/self/mounts", "r");
  if (!mounts) return "";
  char point[4096], type[64];
  std::string found;
  while (found.empty() && fscanf(mounts, "%*s %4095s %63s %*[^\n]", point, type) == 2) {
    if (strcmp(type, "cgroup") != 0 && strcmp(type, "cgroup2") != 0) continue;
    for (const char *name : names) {
      std::string path = std::string(point) + "/" + name;
      struct stat status;
      if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0 &&
          !read_file(path).empty()) {
        found = path;
        break;
      }
    }
  }
  (void)fclose(mounts);  // read only: nothing is lost
  return found;
}

TEST(factory, calibration_from_a_pseudo_file_of_status_size_0) {
  std::string file = zero_sized_pseudo_file();
  if (file.empty()) GTEST_SKIP() << "no cgroup file system mounted";
  RecordProperty("pseudo_file", file);
  std::printf("calibration file %s\n", file.c_str());
  line_folder line;
  bytes content = read_file(file);
  tool_run run = run_shell(line.folder, "$SET_CONFIG -u img -w " + file);
  EXPECT_EQ("", run.output);
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(with(example_image(), config_II_offset, record_of(record_wlan, content)), line.image());
}

// The reader of the trace is gone before the run starts: every write to
// standard output fails, and the run still does both writes and tells its status.
TEST(factory, a_vanished_reader_does_not_end_the_run) {
  line_folder line;
  tool_run run = run_shell(line.folder,
                           "{ sleep 0.3; $SET_CONFIG -l -u img -i lookup -e env -w w; } | true\n"
                           "echo \"status ${PIPESTATUS[0]}\"\n");
  EXPECT_EQ("status 0\n", run.output);
  EXPECT_EQ(with(with(example_image(), config_offset, lookup_block()), config_II_offset, line.wlan_record()),
            line.image());
}

// The run writes into the file it opened and locked: a name removed meanwhile
// is never created again, and a file put in its place is left alone.
TEST(factory, a_target_removed_or_replaced_mid_run) {
  struct vanish_case {
    const char *action;
    bool image_left;  // a file named img exists afterwards
  };
  const vanish_case cases[] = {{"rm img", false}, {"cp img other; mv other img", true}};
  for (const vanish_case &c : cases) {
    SCOPED_TRACE(c.action);
    line_folder line;
    tool_run run = run_shell(line.folder, run_held_under_lock("-u img -i slow -e env -w w") + std::string(c.action) +
                                              "\n"
                                              "cat cfg >&3; exec 3>&-\n"
                                              "wait $run\n");
    EXPECT_EQ("", run.output);
    EXPECT_EQ(0, run.status);
    struct stat status;
    EXPECT_EQ(c.image_left, stat(line.folder.path("img").c_str(), &status) == 0);
    if (c.image_left) {
      EXPECT_EQ(example_image(), line.image());
    }
  }
}

}  // namespace
