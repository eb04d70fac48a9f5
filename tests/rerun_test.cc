// -r over what other commands left on a unit: a finished unit, another run's
// data, a cut of another run, a cut of -r itself. Data that a finished run
// committed is final: -r writes only where a cut of its own command left off,
// is refused (243, writing nothing) where it would change committed data, and
// every byte it writes commits last, so that a cut of it never reads as whole
// data. The cuts are made by the fault shim of the host build.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "base/bytes.h"
#include "base/layout.h"
#include "calibration/records.h"
#include "tests/fixture.h"

namespace {

using command = std::vector<std::string>;

bool shim_applies() { return fault_shim() != nullptr; }

fault_settings cut_settings(long cut_after, int torn = 0) {
  fault_settings settings = {{"SET_CONFIG_CUT_AFTER", std::to_string(cut_after)}};
  if (torn) settings.emplace_back("SET_CONFIG_CUT_TORN", std::to_string(torn));
  return settings;
}

bytes area(const bytes &image, uint32_t offset, size_t size) {
  return bytes(image.begin() + offset, image.begin() + offset + (long)size);
}

bytes block_area(const bytes &image) { return area(image, config_offset, config_size); }

// What a reader of the partition takes for whole data: the config block when
// its first word is neither erased nor a half-programmed form of the default
// header's, and the records met from the region's start up to the first
// erased byte where a record could start, each of version 2 and inside the
// region.
struct whole_data {
  bool block = false;
  std::vector<std::pair<uint32_t, bytes>> records;  // partition offset, the record's bytes
  bool region_whole = false;                        // erased behind the records
};

whole_data read_whole(const bytes &image) {
  whole_data data;
  uint32_t first = get_le32(&image[config_offset]);
  uint32_t header_first = get_le32(example_header().data());
  data.block = first != 0xFFFFFFFF && (first == header_first || (first & header_first) != header_first);
  uint32_t at = config_II_offset, end = config_II_offset + config_II_size;
  while (end - at >= record_header_size && image[at] == record_version) {
    uint32_t length = record_header_size + get_le16(&image[at + 2]);
    if (length > end - at) break;
    data.records.emplace_back(at, area(image, at, length));
    at += length;
  }
  data.region_whole = std::all_of(image.begin() + at, image.begin() + end, [](uint8_t b) { return b == erased; });
  return data;
}

bool has_record(const whole_data &data, uint32_t offset, const bytes &record) {
  return std::find(data.records.begin(), data.records.end(), std::make_pair(offset, record)) != data.records.end();
}

bool has_record(const whole_data &data, const bytes &record) {
  return std::any_of(data.records.begin(), data.records.end(), [&](const auto &r) { return r.second == record; });
}

// The files of a unit's commands, in one folder.
struct station {
  temp_folder folder;
  bytes before = example_image();  // as the factory hands the unit over

  station() {
    const std::string config = "HWRevision overwrite 195\nSerialNumber keep\nfirmware_version keep 07.50\n";
    write_text(folder.path("cfg"), config);
    write_text(folder.path("cfg_more"), config + "linux_fs_start keep 0\n");
    write_text(folder.path("env"), "SerialNumber EX0000000001\n");
    write_text(folder.path("env0"), "SerialNumber EX0000000000\n");
    // Programming can turn '7' into '5' and '1' into '0': only -r's rule keeps them apart.
    write_file(folder.path("wlan.old"), concat(text_bytes("WLANCAL7"), pattern(40, 30)));
    write_file(folder.path("wlan.new"), concat(text_bytes("WLANCAL5"), pattern(40, 30)));
    write_file(folder.path("dect"), concat(text_bytes("DECTCAL1"), pattern(8, 90)));
  }

  // args (after "-u img") run on image, with faults when given: the run and the image after it.
  std::pair<tool_run, bytes> run_on(const bytes &image, const command &args, const fault_settings &faults = {}) {
    write_file(folder.path("img"), image);
    command all = {"-u", "img"};
    all.insert(all.end(), args.begin(), args.end());
    tool_run run;
    if (faults.empty()) {
      run = run_tool(folder, all);
    } else {
      preloaded_faults shim(faults);
      run = run_tool(folder, all);
    }
    return {run, read_file(folder.path("img"))};
  }

  // The writes args makes on image, as its trace tells them: partition offset and bytes written.
  std::vector<std::pair<uint32_t, long>> writes(const bytes &image, const command &args) {
    command traced = args;
    traced.push_back("-l");
    std::istringstream lines(run_on(image, traced).first.output);
    std::vector<std::pair<uint32_t, long>> found;
    unsigned offset = 0;
    long length = 0;
    for (std::string line; std::getline(lines, line);) {
      if (sscanf(line.c_str(), "[write_config] file img offset 0x%x", &offset) == 1) found.emplace_back(offset, 0);
      if (sscanf(line.c_str(), "[write_config] len %ld", &length) == 1 && !found.empty()) found.back().second = length;
    }
    return found;
  }

  long written(const bytes &image, const command &args) {
    long total = 0;
    for (const auto &[offset, length] : writes(image, args)) total += length;
    return total;
  }
};

command with_r(command args) {
  args.push_back("-r");
  return args;
}

// What a command writes when it runs alone on the unit as handed over: its
// block (none without -i) and its records.
struct command_bytes {
  bytes block;
  std::vector<bytes> records;
};

command_bytes bytes_of(station &s, const command &args) {
  auto [run, image] = s.run_on(s.before, args);
  EXPECT_EQ(0, run.status) << run.output;
  command_bytes written;
  if (std::find(args.begin(), args.end(), "-i") != args.end()) written.block = block_area(image);
  for (const auto &[offset, record] : read_whole(image).records) written.records.push_back(record);
  return written;
}

// b ran with -r on x, ended with status and left y: the data that x held
// committed is unchanged; a refusal changed nothing; a success left exactly
// b's bytes in every area b writes, and nothing outside them changed.
void expect_committed_kept(const bytes &x, int status, const bytes &y, const command_bytes &b) {
  whole_data from = read_whole(x), to = read_whole(y);
  if (from.block) {
    EXPECT_EQ(block_area(x), block_area(y)) << "a finished block was changed";
  }
  for (const auto &[offset, record] : from.records) {
    EXPECT_EQ(record, area(y, offset, record.size())) << "a finished record at 0x" << std::hex << offset << " changed";
  }
  EXPECT_TRUE(std::equal(x.begin(), x.begin() + config_offset, y.begin()));
  EXPECT_TRUE(std::equal(x.begin() + config_II_offset + config_II_size, x.end(),
                         y.begin() + config_II_offset + config_II_size));
  if (status != 0) {
    EXPECT_EQ(243, status);
    EXPECT_EQ(x, y) << "a refused run changed the partition";
    return;
  }
  if (!b.block.empty()) {
    EXPECT_EQ(b.block, block_area(y)) << "a success left another block";
  }
  for (const bytes &record : b.records) EXPECT_TRUE(has_record(to, record)) << "a success left a record out";
  EXPECT_TRUE(b.records.empty() || to.region_whole) << "a success left a cut in the region";
}

// b checked (-n) on x, where b itself ended with status and left y: the same
// status, but 240 where b wrote; nothing written.
void expect_check_agrees(station &s, const bytes &x, const command &b, int status, const bytes &y) {
  command checked = b;
  checked.push_back("-n");
  auto [check, after] = s.run_on(x, checked);
  EXPECT_EQ(status == 0 && y != x ? 240 : status, check.status) << check.output;
  EXPECT_EQ(x, after) << "a check changed the partition";
}

bool holds_part(const bytes &cut, const bytes &x, const bytes &z, uint32_t offset, uint32_t size) {
  return area(cut, offset, size) != area(x, offset, size) && area(cut, offset, size) != area(z, offset, size);
}

// b (with -r) cut on x, which b completes to z, left cut: nothing but x's
// committed data and b's whole data reads as whole; an area that holds part
// of b's write is named interrupted; b again finishes the job.
void expect_cut_of_b_completed(station &s, const bytes &x, const bytes &cut, const bytes &z, const command &b) {
  whole_data from = read_whole(x), to = read_whole(z), left = read_whole(cut);
  if (left.block) {
    bool finished_before = from.block && block_area(cut) == block_area(x);
    EXPECT_TRUE(finished_before || block_area(cut) == block_area(z)) << "a cut block reads as whole";
  }
  for (const auto &[offset, record] : left.records) {
    EXPECT_TRUE(has_record(from, offset, record) || has_record(to, offset, record))
        << "a cut record at 0x" << std::hex << offset << " reads as whole";
  }
  if (holds_part(cut, x, z, config_offset, config_size) || holds_part(cut, x, z, config_II_offset, config_II_size)) {
    write_file(s.folder.path("img"), cut);
    tool_run shown = run_show(s.folder, {"-u", "img"});
    EXPECT_EQ(7, shown.status) << shown.output;
    EXPECT_NE(std::string::npos, shown.output.find("interrupted write")) << shown.output;
  }
  auto [again, after] = s.run_on(cut, b);
  EXPECT_EQ(0, again.status) << again.output;
  EXPECT_EQ(z, after) << "-r did not finish its own cut";
}

// Every stride-th cut of b (with -r) on x, which b completes.
void cut_b_throughout(station &s, const bytes &x, const command &b, long stride) {
  auto [run, z] = s.run_on(x, b);
  ASSERT_EQ(0, run.status) << run.output;
  long written = s.written(x, b);
  for (long cut_after = 0; cut_after < written; cut_after += stride) {
    SCOPED_TRACE("b cut after " + std::to_string(cut_after) + " bytes");
    auto [cut_run, cut] = s.run_on(x, b, cut_settings(cut_after));
    ASSERT_EQ(-1, cut_run.status) << "b was not cut: " << cut_run.output;
    expect_cut_of_b_completed(s, x, cut, z, b);
  }
}

// A cut point of a run: after how many bytes, and the mask of a byte left half programmed there.
struct cut_point {
  long after;
  int torn;
};

// Every stride-th byte of args's writes on image, and each commit byte half
// programmed two ways: the block's first word, a record write's version byte.
std::vector<cut_point> cut_points(station &s, const bytes &image, const command &args, long stride) {
  std::vector<cut_point> points;
  long total = 0;
  for (const auto &[offset, length] : s.writes(image, args)) {
    long commit = offset == config_offset ? config_commit_size : config_II_commit_size;
    for (long k = length - commit; k < length; k++) {
      for (int torn : {0x01, 0xF0}) points.push_back({total + k, torn});
    }
    total += length;
  }
  for (long k = 0; k < total; k += stride) points.push_back({k, 0});
  return points;
}

// Another command b that a station runs with -r on a unit where a ran.
struct rerun {
  command b;
  int status;  // b's status on the unit that a finished
};

// Each b with -r on the unit that a finished, and on a cut at every byte of a:
// no committed data of a ever changes; b is refused writing nothing, or
// leaves exactly its bytes. Then each b cut every few bytes where it succeeds.
void check_reruns(const command &a, const std::vector<rerun> &reruns) {
  station s;
  auto [a_run, finished] = s.run_on(s.before, a);
  ASSERT_EQ(0, a_run.status) << a_run.output;
  std::vector<command_bytes> b_bytes;
  std::vector<std::vector<bytes>> completed;  // for each b, where it succeeds: its cuts start there
  for (const rerun &r : reruns) {
    b_bytes.push_back(bytes_of(s, r.b));
    completed.push_back({s.before});
    auto [run, after] = s.run_on(finished, with_r(r.b));
    EXPECT_EQ(r.status, run.status) << run.output;
    expect_committed_kept(finished, run.status, after, b_bytes.back());
    expect_check_agrees(s, finished, with_r(r.b), run.status, after);
    if (run.status == 0) completed.back().push_back(finished);
  }
  std::vector<std::vector<bytes>> completed_cuts(reruns.size());
  for (const cut_point &point : cut_points(s, s.before, a, sweep_stride())) {
    SCOPED_TRACE("a cut after " + std::to_string(point.after) + " bytes, torn " + std::to_string(point.torn));
    auto [cut_run, cut] = s.run_on(s.before, a, cut_settings(point.after, point.torn));
    ASSERT_EQ(-1, cut_run.status) << "a was not cut: " << cut_run.output;
    for (size_t i = 0; i < reruns.size(); i++) {
      auto [run, after] = s.run_on(cut, with_r(reruns[i].b));
      expect_committed_kept(cut, run.status, after, b_bytes[i]);
      if (point.after % 50 == 0) expect_check_agrees(s, cut, with_r(reruns[i].b), run.status, after);
      if (run.status == 0) completed_cuts[i].push_back(cut);
    }
  }
  for (size_t i = 0; i < reruns.size(); i++) {
    // Two of the cuts that b completed, from the middle and the end of a's write.
    for (size_t half = 1; half <= 2 && !completed_cuts[i].empty(); half++) {
      completed[i].push_back(completed_cuts[i][(completed_cuts[i].size() - 1) * half / 2]);
    }
    for (const bytes &x : completed[i]) cut_b_throughout(s, x, with_r(reruns[i].b), 17 * sweep_stride());
  }
}

const command config_run = {"-i", "cfg", "-e", "env"};
const command full_run = {"-i", "cfg", "-e", "env", "-w", "wlan.old", "-d", "dect"};

TEST(rerun, another_config_on_a_unit) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  check_reruns(config_run, {{{"-i", "cfg", "-e", "env0"}, 243}, {{"-i", "cfg_more", "-e", "env"}, 243}});
}

TEST(rerun, another_calibration_file_on_a_unit) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  check_reruns({"-w", "wlan.old", "-d", "dect"}, {{{"-w", "wlan.new", "-d", "dect"}, 243}});
  check_reruns({"-w", "wlan.old"}, {{{"-w", "wlan.old", "-d", "dect"}, 0}});
}

TEST(rerun, a_full_run_with_another_serial_on_a_unit) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  check_reruns(full_run, {{{"-i", "cfg", "-e", "env0", "-w", "wlan.old", "-d", "dect"}, 243}});
}

// A full run cut at byte K, its -r cut at byte L, then -r again: the
// uninterrupted run's bytes, for a sample of (K, L).
TEST(rerun, a_cut_completion_is_completed_again) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  station s;
  const command full_r = with_r(full_run);
  auto [run, whole] = s.run_on(s.before, full_run);
  ASSERT_EQ(0, run.status) << run.output;
  for (const cut_point &first : cut_points(s, s.before, full_run, 29 * sweep_stride())) {
    auto [cut_run, cut] = s.run_on(s.before, full_run, cut_settings(first.after, first.torn));
    ASSERT_EQ(-1, cut_run.status);
    long rest = s.written(cut, full_r);
    for (long second = 0; second < rest; second += std::max(1L, rest / 4)) {
      SCOPED_TRACE("cut after " + std::to_string(first.after) + " (torn " + std::to_string(first.torn) +
                   "), then after " + std::to_string(second));
      auto [second_run, twice] = s.run_on(cut, full_r, cut_settings(second));
      ASSERT_EQ(-1, second_run.status) << second_run.output;
      auto [done, after] = s.run_on(twice, full_r);
      EXPECT_EQ(0, done.status) << done.output;
      EXPECT_EQ(whole, after);
    }
  }
}

// The reruns that once changed a finished unit, as a station runs them.
TEST(rerun, never_changes_a_finished_unit) {
  struct rerun_case {
    const char *title;
    std::string script;
    std::string output;
  };
  const std::string rerun = "cp img before; $SET_CONFIG -r -u img ";
  const std::string unchanged = "; echo status $?; cmp img before && echo unchanged\n";
  const rerun_case cases[] = {
      {"another serial from the environment",
       "$SET_CONFIG -u img -i cfg -e env\n" + rerun + "-i cfg -e env0" + unchanged +
           "$SHOW_CONFIG -u img | grep SerialNumber",
       "ERROR: Config not empty\nstatus 243\nunchanged\nSerialNumber variable EX0000000001\n"},
      {"one more variable line", "$SET_CONFIG -u img -i cfg -e env\n" + rerun + "-i cfg_more -e env" + unchanged,
       "ERROR: Config not empty\nstatus 243\nunchanged\n"},
      {"another WLAN file beside the DECT file",
       "$SET_CONFIG -u img -w wlan.old -d dect\n" + rerun + "-w wlan.new -d dect" + unchanged +
           "$SHOW_CONFIG -u img -w out >/dev/null; head -c 8 out; echo",
       "ERROR: Config not empty\nstatus 243\nunchanged\nWLANCAL7\n"},
      {"another WLAN file alone", "$SET_CONFIG -u img -w wlan.old -d dect\n" + rerun + "-w wlan.new" + unchanged,
       "ERROR: Config_II not empty - this Type of Config exists\nstatus 243\nunchanged\n"},
      {"the same command again",
       "$SET_CONFIG -u img -i cfg -e env -w wlan.old\n" + rerun + "-i cfg -e env -w wlan.old" + unchanged,
       "status 0\nunchanged\n"},
  };
  for (const rerun_case &c : cases) {
    SCOPED_TRACE(c.title);
    station s;
    write_file(s.folder.path("img"), s.before);
    EXPECT_EQ(c.output, run_shell(s.folder, c.script).output);
  }
}

// A DECT record added by -r behind a whole WLAN record, cut after 6 bytes:
// its version byte goes last, so the cut is named, no payload is given out,
// and -r finishes it.
TEST(rerun, a_record_added_in_place_commits_last) {
  if (!shim_applies()) GTEST_SKIP() << "the fault shim is preloaded into the host build only";
  station s;
  auto [wlan_run, wlan_only] = s.run_on(s.before, {"-w", "wlan.old"});
  ASSERT_EQ(0, wlan_run.status);
  const command both = {"-w", "wlan.old", "-d", "dect", "-r"};
  auto [cut_run, cut] = s.run_on(wlan_only, both, cut_settings(6));
  ASSERT_EQ(-1, cut_run.status);
  EXPECT_EQ(erased, cut[config_II_offset + 52]) << "the DECT record's version byte went down before its payload";
  write_file(s.folder.path("img"), cut);
  tool_run shown = run_show(s.folder, {"-u", "img", "-d", "out"});
  EXPECT_EQ(7, shown.status) << shown.output;
  EXPECT_TRUE(read_file(s.folder.path("out")).empty()) << "a cut payload was given out";
  auto [done, after] = s.run_on(cut, both);
  EXPECT_EQ(0, done.status) << done.output;
  EXPECT_EQ(s.run_on(s.before, {"-w", "wlan.old", "-d", "dect"}).second, after);
}

}  // namespace
