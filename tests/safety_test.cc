// The flash-safety property, over many generated partitions, config files,
// environments and calibration files: a run, successful or not, only changes
// erased bytes inside the config block area or the Config_II region (so it only
// clears bits and the partition never needs an erase), and a run that fails
// before any write leaves the image as it was.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/bytes.h"
#include "base/layout.h"
#include "tests/fixture.h"

namespace {

class generator {
 public:
  explicit generator(uint32_t seed) : random_(seed) {}

  uint32_t below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(random_); }
  bool chance(uint32_t percent) { return below(100) < percent; }

  bytes image() {
    bytes image = chance(85) ? example_image() : erased_image();
    if (chance(10)) put_le32(&image[locator_offset], (uint32_t)random_());
    if (chance(10)) image[config_offset + below(config_size)] = (uint8_t)below(255);
    uint32_t pos = chance(15) ? below(8) : 0;  // an erased gap before the records, now and then
    for (uint32_t records = below(4); records > 0; records--) {
      uint32_t length = below(chance(90) ? 200 : 1200);
      bytes r = record((uint8_t)below(3), (uint16_t)length);
      if (chance(5)) r[0] = (uint8_t)below(256);
      if (pos + r.size() > config_II_size) r.resize(config_II_size - pos);
      put_bytes(image, config_II_offset + pos, r);
      pos += (uint32_t)r.size();
      if (pos >= config_II_size) break;
    }
    return image;
  }

  std::string word() {
    static const char *const names[] = {"alpha", "beta", "gamma", "HWRevision", "x", "mac", "serial"};
    return std::string(names[below(7)]) + (chance(50) ? std::to_string(below(80)) : "");
  }

  std::string config() {
    std::string text;
    for (uint32_t lines = below(75); lines > 0; lines--) {
      switch (below(10)) {
        case 0: text += "# " + word(); break;
        case 1: text += ""; break;
        case 2: text += word() + " overwrite"; break;
        case 3: text += word() + " keep"; break;
        case 4: text += word() + " overwrite " + std::string(below(300), 'v'); break;
        case 5: text += word(); break;
        default: text += word() + (chance(50) ? " overwrite " : " keep ") + word() + " " + word(); break;
      }
      text += chance(20) ? "\r\n" : "\n";
    }
    return text;
  }

  std::string environment() {
    std::string text;
    for (uint32_t lines = below(60); lines > 0; lines--) text += word() + (chance(80) ? " " + word() : "") + "\n";
    return text;
  }

 private:
  std::mt19937 random_;
};

bool writable(uint32_t offset) {
  return (offset >= config_offset && offset < config_offset + config_size) ||
         (offset >= config_II_offset && offset < config_II_offset + config_II_size);
}

TEST(flash_safety, runs_only_clear_erased_bytes_where_they_may) {
  generator g(20261209);
  std::map<int, int> statuses;
  for (int run = 0; run < 300 / sweep_stride(); run++) {
    SCOPED_TRACE("run " + std::to_string(run));
    temp_folder folder;
    bytes before = g.image();
    write_file(folder.path("img"), before);
    write_text(folder.path("cfg"), g.config());
    write_text(folder.path("env"), g.environment());
    write_file(folder.path("w"), pattern(g.below(g.chance(90) ? 600 : 1200), 1));
    write_file(folder.path("d"), pattern(g.below(g.chance(90) ? 200 : 1200), 2));
    std::vector<std::string> args = {"-u", "img", "-e", "env"};
    if (g.chance(70)) args.insert(args.end(), {"-i", "cfg"});
    if (g.chance(50)) args.insert(args.end(), {"-w", "w"});
    if (g.chance(50)) args.insert(args.end(), {"-d", "d"});
    // Now and then traced with standard output closed: the trace must go nowhere.
    tool_run result;
    if (g.chance(15)) {
      std::string script = "$SET_CONFIG -l";
      for (const std::string &arg : args) script += " " + arg;
      result = run_shell(folder, script + " >&-");
      EXPECT_EQ("", result.output);
    } else {
      result = run_tool(folder, args);
    }
    statuses[result.status]++;
    bytes after = read_file(folder.path("img"));
    ASSERT_EQ(before.size(), after.size());
    for (uint32_t i = 0; i < before.size(); i++) {
      if (before[i] == after[i]) continue;
      ASSERT_TRUE(before[i] == erased && writable(i))
          << "byte 0x" << std::hex << i << " changed from 0x" << +before[i] << " to 0x" << +after[i] << "\n"
          << result.output;
    }
    // Only a failed write (244) comes after another write; every other failure comes before any.
    if (result.status != 0 && result.status != 244) {
      ASSERT_EQ(before, after) << result.output;
    }
  }
  // The generator reaches successes and many kinds of refusal (where every run runs).
  if (sweep_stride() == 1) {
    EXPECT_GE(statuses[0], 30);
    EXPECT_GE(statuses.size(), 6u);
  }
  std::string seen;
  for (const auto &[status, count] : statuses) seen += std::to_string(status) + ":" + std::to_string(count) + " ";
  RecordProperty("statuses", seen);
  std::printf("exit statuses seen: %s\n", seen.c_str());
}

// Two runs on one target at once end as if one had run after the other, in
// either order: the same image and the same statuses.
TEST(flash_safety_race, racing_runs_equal_one_after_the_other) {
  generator g(20261210);
  auto options = [&g]() {
    std::string args;
    if (g.chance(50)) args += " -i cfg";
    if (g.chance(50)) args += " -w w";
    if (args.empty() || g.chance(50)) args += " -d d";
    return args + " -e env";
  };
  for (int round = 0; round < 40 / sweep_stride(); round++) {
    temp_folder folder;
    bytes before = g.chance(50) ? example_image() : with(example_image(), config_II_offset, record(1, 20));
    for (const char *name : {"img", "ab", "ba"}) write_file(folder.path(name), before);
    write_text(folder.path("cfg"), "alpha overwrite one\nbeta keep " + g.word() + "\n");
    write_text(folder.path("env"), g.environment());
    write_file(folder.path("w"), pattern(g.below(300), 1));
    write_file(folder.path("d"), pattern(g.below(300), 2));
    std::string a = options(), b = options();
    std::string delay = "0.0" + std::to_string(g.below(3));
    SCOPED_TRACE("round " + std::to_string(round) + ":" + a + " /" + b);
    tool_run raced = run_shell(folder, "$SET_CONFIG -u img" + a +
                                           " >/dev/null & first=$!\n"
                                           "sleep " +
                                           delay + "; $SET_CONFIG -u img" + b +
                                           " >/dev/null; second=$?\n"
                                           "wait $first; echo $? $second\n");
    tool_run ab = run_shell(
        folder, "$SET_CONFIG -u ab" + a + " >/dev/null; x=$?; $SET_CONFIG -u ab" + b + " >/dev/null; echo $x $?\n");
    tool_run ba = run_shell(
        folder, "$SET_CONFIG -u ba" + b + " >/dev/null; y=$?; $SET_CONFIG -u ba" + a + " >/dev/null; echo $? $y\n");
    bytes after = read_file(folder.path("img"));
    bool as_ab = after == read_file(folder.path("ab")) && raced.output == ab.output;
    bool as_ba = after == read_file(folder.path("ba")) && raced.output == ba.output;
    EXPECT_TRUE(as_ab || as_ba) << "raced " << raced.output << "one after the other " << ab.output << " or "
                                << ba.output;
  }
}

}  // namespace
