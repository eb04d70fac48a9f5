// Runs cut as a power cut cuts them, at every byte of their writes, through a
// fault shim preloaded into the host build: no cut area reads as whole data,
// show_config names what the cut left, the same command is refused without -r
// and finishes the job with it (another command over such a cut:
// tests/rerun_test.cc). Also: signals sent while a run writes, and a write past the file-size limit.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

#include "base/bytes.h"
#include "base/layout.h"
#include "tests/fixture.h"

namespace {

bool shim_applies() { return fault_shim() != nullptr; }

// The shim's settings for a run cut after cut_after bytes, torn as the shim tears.
fault_settings cut_settings(long cut_after, int torn) {
  fault_settings settings = {{"SET_CONFIG_CUT_AFTER", std::to_string(cut_after)}};
  if (torn) settings.emplace_back("SET_CONFIG_CUT_TORN", std::to_string(torn));
  return settings;
}

// A full run's files in a folder: the config, its environment, both calibration
// files, and a second config for another run on the finished unit.
struct line_files {
  std::string config, other_config;
  bytes wlan;
};

const std::vector<std::string> run_args = {"-u", "img", "-i", "cfg", "-e", "env", "-w", "w", "-d", "d"};

// What the cut left: whole data or erased where a reader looks, but the block's
// first word cut while it was programmed. The block counts as there when its
// first word is not erased; records are read from the region's start to the
// first erased byte, and only with their version, 2.
void expect_nothing_half_read(const bytes &cut, const bytes &whole, const bytes &before) {
  uint32_t first = get_le32(&cut[config_offset]);
  uint32_t whole_first = get_le32(&whole[config_offset]);
  bool word_cut = first != 0xFFFFFFFF && first != whole_first && (first & whole_first) == whole_first;
  if (first != 0xFFFFFFFF && !word_cut) {
    EXPECT_TRUE(std::equal(cut.begin() + config_offset, cut.begin() + config_offset + config_size,
                           whole.begin() + config_offset))
        << "a block that reads as whole is not the block written";
  }
  uint32_t cursor = config_II_offset;
  while (cursor + 4 <= config_II_offset + config_II_size && cut[cursor] != erased) {
    if (cut[cursor] != 2) break;  // a version byte cut while it was programmed
    uint32_t end = cursor + 4 + get_le16(&cut[cursor + 2]);
    ASSERT_LE(end, config_II_offset + config_II_size) << "a record read runs past the region";
    bool as_before = std::equal(cut.begin() + cursor, cut.begin() + end, before.begin() + cursor);
    bool as_written = std::equal(cut.begin() + cursor, cut.begin() + end, whole.begin() + cursor);
    ASSERT_TRUE(as_before || as_written) << "a record read at 0x" << std::hex << cursor << " is not whole";
    cursor = end;
  }
}

bool holds_part(const bytes &cut, const bytes &before, const bytes &whole, uint32_t offset, uint32_t size) {
  auto area = [&](const bytes &image) { return bytes(image.begin() + offset, image.begin() + offset + size); };
  return area(cut) != area(before) && area(cut) != area(whole);
}

class cut_line {
  static constexpr size_t dect_size = 24;
  static constexpr size_t record_headers = 8;  // two records of 4

 public:
  explicit cut_line(const line_files &files) : files_(files) {
    write_text(folder_.path("cfg"), files.config);
    write_text(folder_.path("env"), "serial SN0001\nmac 00:04:0e:ff:ff:01\n");
    write_file(folder_.path("w"), files.wlan);
    write_file(folder_.path("d"), pattern(dect_size, 90));
    before_ = example_image();
    whole_ = run_on(before_, run_args).second;
  }

  // The count of bytes that one uninterrupted run writes: both records, then the block.
  long written() const { return (long)(records_written() + config_size); }
  size_t records_written() const { return record_headers + files_.wlan.size() + dect_size; }

  // args run on image: the run and the image after it.
  std::pair<tool_run, bytes> run_on(const bytes &image, const std::vector<std::string> &args) {
    write_file(folder_.path("img"), image);
    tool_run run = run_tool(folder_, args);
    return {run, read_file(folder_.path("img"))};
  }

  // The full run cut after cut_after bytes, torn as the shim tears; then every check.
  void check_cut(long cut_after, int torn) {
    SCOPED_TRACE("cut after " + std::to_string(cut_after) + " bytes, torn " + std::to_string(torn));
    bytes cut;
    {
      preloaded_faults shim(cut_settings(cut_after, torn));
      auto [run, image] = run_on(before_, run_args);
      ASSERT_EQ(-1, run.status) << "the run was not cut: " << run.output;
      cut = image;
    }
    expect_nothing_half_read(cut, whole_, before_);

    bool part = holds_part(cut, before_, whole_, config_offset, config_size) ||
                holds_part(cut, before_, whole_, config_II_offset, config_II_size);
    write_file(folder_.path("img"), cut);
    tool_run shown = run_show(folder_, {"-u", "img"});
    if (part) {
      EXPECT_EQ(7, shown.status) << shown.output;
      EXPECT_NE(std::string::npos, shown.output.find("interrupted write")) << shown.output;
    } else {
      EXPECT_EQ(0, shown.status) << shown.output;
    }

    if (cut != before_) {
      auto [again, unchanged] = run_on(cut, run_args);
      EXPECT_EQ(243, again.status) << again.output;
      EXPECT_EQ(cut, unchanged) << "a refused rerun changed the partition";
    }

    // Checked first (-n): it names the ranges that -r then writes, in their
    // order, and writes nothing.
    std::vector<std::string> in_place = run_args;
    in_place.push_back("-r");
    std::vector<std::string> checked = in_place;
    checked.push_back("-n");
    auto [check, unchanged] = run_on(cut, checked);
    EXPECT_EQ(240, check.status) << check.output;
    EXPECT_EQ(cut, unchanged) << "a check changed the partition";
    std::string log = folder_.path("writes");
    (void)remove(log.c_str());
    tool_run completed;
    bytes image;
    {
      preloaded_faults logged(fault_settings{{"SET_CONFIG_WRITE_LOG", log}});
      std::tie(completed, image) = run_on(cut, in_place);
    }
    EXPECT_EQ(0, completed.status) << completed.output;
    EXPECT_EQ(whole_, image) << "-r did not leave what one uninterrupted run writes";
    bytes writes = read_file(log);
    EXPECT_EQ(check.output, std::string(writes.begin(), writes.end())) << "the check named other writes than -r made";
  }

 private:
  line_files files_;
  temp_folder folder_;
  bytes before_, whole_;
};

const line_files fixed_and_variable{
    "# a unit\nalpha overwrite one two\nserial overwrite\nbeta keep 7\nmac keep\n",
    "# a unit\nalpha overwrite one twx\nserial overwrite\nbeta keep 7\nmac keep\n",
    pattern(56, 30),
};
const line_files variable_only{
    "a keep 1\nb keep 22\nc keep 333\nserial keep\nmac keep\nz keep last\n",
    "a keep 1\nb keep 22\nc keep 333\nserial keep\nmac keep\nz keep lass\n",
    pattern(56, 30),
};

// Every cut point of one full run of files.
void cut_at_every_byte(const line_files &files) {
  cut_line line(files);
  long written = line.written();
  for (long cut_after = 0; cut_after < written; cut_after += sweep_stride()) line.check_cut(cut_after, 0);
}

TEST(power_cut, a_cut_at_any_byte_is_named_and_completed_in_place) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  cut_at_every_byte(fixed_and_variable);
}

TEST(power_cut, a_cut_at_any_byte_of_variable_tags_only) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  cut_at_every_byte(variable_only);
}

// The byte that makes a write visible cut while it is programmed: the first
// record's version byte (2, some of its cleared bits still set) and each byte
// of the block's first word.
TEST(power_cut, a_commit_byte_cut_half_programmed) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  cut_line line(fixed_and_variable);
  long written = line.written();
  long records = (long)line.records_written();  // the records go first, their version byte last
  for (int torn : {0x01, 0x40, 0xFC}) line.check_cut(records - 1, torn);
  for (long byte = written - 4; byte < written; byte++) {
    for (int torn : {0x01, 0x80, 0xF0}) line.check_cut(byte, torn);
  }
}

}  // namespace

namespace {

// A unit's files in a folder, and the image one uninterrupted full run leaves.
struct signal_line {
  temp_folder folder;
  bytes whole;
  signal_line() {
    write_text(folder.path("cfg"), fixed_and_variable.config);
    write_text(folder.path("env"), "serial SN0001\nmac 00:04:0e:ff:ff:01\n");
    write_file(folder.path("w"), fixed_and_variable.wlan);
    write_file(folder.path("d"), pattern(24, 90));
    write_file(folder.path("img"), example_image());
    EXPECT_EQ(0, run_tool(folder, run_args).status);
    whole = read_file(folder.path("img"));
    write_file(folder.path("img"), example_image());
  }
};

// A signal that stops a run from outside, sent while the run is held at its
// first write, takes effect once the last write is read back.
TEST(power_cut, a_stop_signal_waits_for_the_writes) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  struct signal_case {
    const char *name;
    int status;
  };
  const signal_case cases[] = {{"TERM", 143}, {"INT", 130}, {"HUP", 129}, {"QUIT", 131}};
  for (const signal_case &c : cases) {
    SCOPED_TRACE(c.name);
    signal_line line;
    // Job control, so that the run in the background keeps SIGINT and SIGQUIT.
    std::string script = std::string("set -m; ulimit -c 0\n") + "LD_PRELOAD=" + std::string(fault_shim()) +
                         " SET_CONFIG_HOLD=$PWD/held "
                         "ASAN_OPTIONS=verify_asan_link_order=0 $SET_CONFIG -u img -i cfg -e env -w w -d d & run=$!\n"
                         "while [ ! -e held ]; do sleep 0.01; done\n"
                         "kill -" +
                         c.name + " $run; touch held.go; wait $run; echo status $?\n";
    tool_run run = run_shell(line.folder, script);
    EXPECT_EQ("status " + std::to_string(c.status) + "\n", run.output);
    EXPECT_EQ(line.whole, read_file(line.folder.path("img")));
  }
}

// A write past the file-size limit fails as a write, not by SIGXFSZ; what it
// left is named and completed by -r.
TEST(power_cut, a_write_past_the_file_size_limit_fails_as_a_write) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  const char *const runs[] = {"-i cfg -e env -w w -d d", "-i cfg -e env"};
  for (const char *args : runs) {
    SCOPED_TRACE(args);
    signal_line line;
    std::string command = std::string("$SET_CONFIG -u img ") + args;
    if (args == runs[1])
      line.whole = with(example_image(), config_offset,
                        bytes(line.whole.begin() + config_offset, line.whole.begin() + config_offset + config_size));
    tool_run run = run_shell(line.folder, "(ulimit -f 2; " + command +
                                              "); echo status $?; $SHOW_CONFIG -u img | "
                                              "grep -c interrupted; " +
                                              command + " -r; echo status $?");
    EXPECT_EQ("[write_config] ERROR: -12\nstatus 244\n" + std::string(args == runs[1] ? "1\n" : "0\n") + "status 0\n",
              run.output);
    EXPECT_EQ(line.whole, read_file(line.folder.path("img")));
  }
}

}  // namespace

namespace {

// -r on a partition that a run has finished: nothing differs, nothing is
// written, and the run succeeds; one that holds other data is refused as
// without -r, before anything is written.
TEST(power_cut, a_rerun_in_place_writes_only_what_is_missing) {
  signal_line line;
  struct rerun_case {
    const char *title;
    bytes image;
    const char *args;
    int status;
    std::string output;
    bytes after;
  };
  bytes wlan_only = line.whole;
  put_bytes(wlan_only, config_offset, bytes(config_size, erased));
  put_bytes(wlan_only, config_II_offset + 60, bytes(28, erased));
  bytes other_wlan = with(wlan_only, config_II_offset + 10, {0x00});
  bytes both_cut = with(with(line.whole, config_offset, bytes(config_size, erased)), config_II_offset, {erased});
  put_bytes(both_cut, config_II_offset + 74, bytes(14, erased));
  const rerun_case cases[] = {
      {"after a success", line.whole, "-l -u img -i cfg -e env -w w -d d -r", 0, "", line.whole},
      {"a record of its type there", wlan_only, "-u img -w w -r", 0, "", wlan_only},
      {"another record of its type there", other_wlan, "-u img -w w -r", 243,
       "ERROR: Config_II not empty - this Type of Config exists\n", other_wlan},
      {"the other type behind it", wlan_only, "-u img -d d -r", 0, "",
       with(wlan_only, config_II_offset + 60,
            bytes(line.whole.begin() + config_II_offset + 60, line.whole.begin() + config_II_offset + 88))},
      {"a block of another config", line.whole, "-u img -i cfg2 -e env -r", 243, "ERROR: Config not empty\n",
       line.whole},
      // Both records cut in the second one: committing the first alone would
      // show the second, cut, as whole.
      {"fewer files than the cut run", both_cut, "-u img -w w -r", 243, "ERROR: Config_II not empty unknown Version\n",
       both_cut},
      {"an earlier command after a later one", line.whole, "-u img -w w -r", 0, "", line.whole},
  };
  write_text(line.folder.path("cfg2"), fixed_and_variable.other_config);
  for (const rerun_case &c : cases) {
    SCOPED_TRACE(c.title);
    write_file(line.folder.path("img"), c.image);
    std::vector<std::string> args;
    std::istringstream words(c.args);
    for (std::string word; words >> word;) args.push_back(word);
    tool_run run = run_tool(line.folder, args);
    EXPECT_EQ(c.status, run.status);
    if (args[0] == "-l") {
      // Both writes are traced as ever, with nothing written.
      size_t first = run.output.find("[write_config] len 0\n");
      ASSERT_NE(std::string::npos, first) << run.output;
      EXPECT_NE(std::string::npos, run.output.find("[write_config] len 0\n", first + 1)) << run.output;
      EXPECT_EQ(std::string::npos, run.output.find("ERROR")) << run.output;
    } else {
      EXPECT_EQ(c.output, run.output);
    }
    EXPECT_EQ(c.after, read_file(line.folder.path("img")));
  }
}

}  // namespace
