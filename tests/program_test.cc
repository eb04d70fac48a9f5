// Whole-program runs: the built tool on real files in a temporary folder, compared
// on its whole standard output, its exit status and every byte of the image.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "base/bytes.h"
#include "base/layout.h"
#include "calibration/records.h"
#include "config/block.h"
#include "examples/example_image.h"
#include "tests/fixture.h"

namespace {

using namespace std::string_literals;

struct file_entry {
  std::string name;
  bytes content;
};

// A run and what it must give; rows name the fields they set.
struct program_case {
  std::string title = "";
  std::vector<std::string> args = {};
  bytes image = {};                    // written as "img"; none when empty
  std::vector<file_entry> files = {};  // further files in the folder
  std::string output = "";             // all of standard output
  int status = 0;
  std::vector<patch> written = {};  // the only changes expected in "img"
};

const char usage[] =
    "set_config [options] Version 1.385\n\t-e\t environment\n\t-d\t dect_cal-file\n\t-i\t configfile\n"
    "\t-u\t tolvanefile\n\t-w\t wlan_cal-file\n";

std::vector<std::string> plus(std::vector<std::string> args, const std::vector<std::string> &more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

mode_t mode_of(const std::string &path) {
  struct stat status {};
  EXPECT_EQ(0, stat(path.c_str(), &status));
  return status.st_mode;
}

// The row's command as a check (-n) on the image in folder: the status that
// the run ends with, but 240 where it would write, and nothing written,
// the image's contents and mode as they were; where the fault library reaches
// the tool, any write or open for writing of the image ends it.
void expect_checked(const temp_folder &folder, const std::vector<std::string> &options,
                    const std::vector<std::string> &args, int status) {
  // In front: a value option last in args keeps its missing value.
  std::vector<std::string> checked = plus(options, args);
  std::string image = folder.path("img");
  bytes before = read_file(image);
  mode_t mode = mode_of(image);
  tool_run check;
  if (fault_shim()) {
    preloaded_faults read_only(fault_settings{{"SET_CONFIG_READ_ONLY", "img"}});
    check = run_tool(folder, checked);
  } else {
    check = run_tool(folder, checked);
  }
  EXPECT_EQ(status, check.status) << "checked: " << check.output;
  EXPECT_EQ(before, read_file(image)) << "a check wrote the partition";
  EXPECT_EQ(mode, mode_of(image));
}

void check_run(const program_case &c) {
  SCOPED_TRACE(c.title);
  temp_folder folder;
  if (!c.image.empty()) write_file(folder.path("img"), c.image);
  for (const file_entry &f : c.files) write_file(folder.path(f.name), f.content);
  // A failed write (244) is one a check does not make.
  bool checked = !c.image.empty() && c.status != 244 && std::find(c.args.begin(), c.args.end(), "-u") != c.args.end();
  bool writes = patched(c.image, c.written) != c.image;
  if (checked) expect_checked(folder, {"-n"}, c.args, c.status == 0 && writes ? 240 : c.status);
  tool_run run = run_tool(folder, c.args);
  EXPECT_EQ(c.output, run.output);
  EXPECT_EQ(c.status, run.status);
  if (c.image.empty()) return;
  bytes expected = patched(c.image, c.written);
  bytes actual = read_file(folder.path("img"));
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); i++) {
    if (expected[i] != actual[i]) {
      ADD_FAILURE() << "image byte 0x" << std::hex << i << " is 0x" << +actual[i] << ", expected 0x" << +expected[i];
      break;
    }
  }
  // After a success, the same command checked with -r: the unit holds exactly that.
  if (checked && c.status == 0) expect_checked(folder, {"-n", "-r"}, c.args, 0);
}

TEST(program, command_line) {
  bytes image = example_image();
  const program_case cases[] = {
      {.title = "no arguments", .args = {}, .image = image, .output = usage},
      {.title = "-h ends at once", .args = {"-l", "-h", "-i", "x"}, .image = image, .output = usage},
      {.title = "unknown letter", .args = {"-x"}, .image = image},
      {.title = "plain word", .args = {"foo"}, .image = image},
      {.title = "image only", .args = {"-u", "img"}, .image = image},
      {.title = "-i as last argument is absent", .args = {"-u", "img", "-i"}, .image = image},
      {.title = "only the second character counts",
       .args = {"-lima", "-upper", "img", "-wlan", "w"},
       .image = image,
       .files = {{"w", pattern(4, 1)}},
       .output = "[read_extra_config] size 4\n[read_extra_config] read len 4\n"
                 "[config_II_empty] offset 0x980 size 8\nwrite w to img\n"
                 "[write_config] file img offset 0x980 config_size 8\n[write_config] len 8\n",
       .written = {{config_II_offset, record_of(record_wlan, pattern(4, 1))}}},
      {.title = "a later value replaces an earlier one",
       .args = {"-u", "none", "-w", "w", "-u", "img"},
       .image = image,
       .files = {{"w", pattern(4, 1)}},
       .written = {{config_II_offset, record_of(record_wlan, pattern(4, 1))}}},
      {.title = "-u as last argument leaves no target",
       .args = {"-w", "w", "-u"},
       .image = image,
       .files = {{"w", pattern(4, 1)}},
       .output = "[write_config] ERROR: -12\n",
       .status = 244},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, usage_names_the_program) {
  if (tool_wrapped()) GTEST_SKIP() << "the checker names the tool";
  temp_folder folder;
  EXPECT_EQ(usage, run_tool(folder, {}, "").output);
  std::string named = usage;
  named.replace(0, 10, "./tool");
  EXPECT_EQ(named, run_tool(folder, {"-h"}, "./tool").output);
}

TEST(program, partition_image) {
  bytes image = example_image();
  bytes long_image = concat(image, pattern(70000 - image_size, 9));
  bytes wlan = pattern(100, 7);
  const program_case cases[] = {
      {.title = "image one byte short",
       .args = {"-u", "img"},
       .image = bytes(image.begin(), image.end() - 1),
       .output = "ERROR: reading file img len 65535",
       .status = 253},
      {.title = "missing image",
       .args = {"-u", "missing", "-w", "w"},
       .image = {},
       .files = {{"w", wlan}},
       .output = "ERROR: reading file missing len 0",
       .status = 253},
      {.title = "folder as image",
       .args = {"-u", ".", "-w", "w"},
       .image = {},
       .files = {{"w", wlan}},
       .output = "ERROR: reading file . len 0",
       .status = 253},
      {.title = "longer image: only its first 64 KiB count, its length stays",
       .args = {"-u", "img", "-w", "w"},
       .image = long_image,
       .files = {{"w", wlan}},
       .written = {{config_II_offset, record_of(record_wlan, wlan)}}},
      {.title = "no target for the records",
       .args = {"-w", "w"},
       .image = image,
       .files = {{"w", wlan}},
       .output = "[write_config] ERROR: -12\n",
       .status = 244},
      {.title = "no target, traced",
       .args = {"-l", "-w", "w"},
       .image = image,
       .files = {{"w", wlan}},
       .output = "[read_extra_config] size 100\n[read_extra_config] read len 100\n"
                 "[config_II_empty] offset 0x980 size 104\nwrite w to (null)\n"
                 "[write_config] file (null) offset 0x980 config_size 104\n[write_config] ERROR: -12\n",
       .status = 244},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, calibration_records) {
  bytes image = example_image();
  bytes wlan = pattern(100, 7);
  bytes dect = pattern(10, 3);
  bytes wlan_record = record_of(record_wlan, wlan);
  bytes dect_record = record_of(record_dect, dect);
  bytes with_wlan = with(image, config_II_offset, record(record_wlan, 100));
  bytes with_dect = with(image, config_II_offset, record(record_dect, 20));
  const program_case cases[] = {
      {.title = "WLAN on an erased region, traced",
       .args = {"-l", "-u", "img", "-w", "wlan.bin"},
       .image = image,
       .files = {{"wlan.bin", wlan}},
       .output = "[read_extra_config] size 100\n[read_extra_config] read len 100\n"
                 "[config_II_empty] offset 0x980 size 104\nwrite wlan.bin to img\n"
                 "[write_config] file img offset 0x980 config_size 104\n[write_config] len 104\n",
       .written = {{config_II_offset, wlan_record}}},
      {.title = "DECT behind a WLAN record",
       .args = {"-u", "img", "-d", "d"},
       .image = with_wlan,
       .files = {{"d", dect}},
       .written = {{0x9E8, dect_record}}},
      {.title = "DECT behind a WLAN record, traced",
       .args = {"-l", "-u", "img", "-d", "d"},
       .image = with_wlan,
       .files = {{"d", dect}},
       .output = "[read_extra_config] size 10\n[read_extra_config] read len 10\n"
                 "[config_II_empty] offset 0x980 size 14\n[config_II_empty] Config not empty\nwrite d to img\n"
                 "[write_config] file img offset 0x9e8 config_size 14\n[write_config] len 14\n",
       .written = {{0x9E8, dect_record}}},
      {.title = "WLAN behind a DECT record",
       .args = {"-u", "img", "-w", "w"},
       .image = with_dect,
       .files = {{"w", wlan}},
       .written = {{config_II_offset + 24, wlan_record}}},
      {.title = "both files on an erased region, WLAN first",
       .args = {"-l", "-u", "img", "-d", "d", "-w", "w"},
       .image = image,
       .files = {{"w", wlan}, {"d", dect}},
       .output = "[read_extra_config] size 100\n[read_extra_config] read len 100\n"
                 "[read_extra_config] size 10\n[read_extra_config] read len 10\n"
                 "[config_empty] offset 0x980 size 1152\nwrite w to img\nwrite d to img\n"
                 "[write_config] file img offset 0x980 config_size 118\n[write_config] len 118\n",
       .written = {{config_II_offset, concat(wlan_record, dect_record)}}},
      {.title = "empty WLAN file",
       .args = {"-u", "img", "-w", "w"},
       .image = image,
       .files = {{"w", {}}},
       .written = {{config_II_offset, record_of(record_wlan, {})}}},
      {.title = "a whole-region WLAN record",
       .args = {"-u", "img", "-w", "w"},
       .image = image,
       .files = {{"w", pattern(1148, 5)}},
       .written = {{config_II_offset, record_of(record_wlan, pattern(1148, 5))}}},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, calibration_refusals) {
  bytes image = example_image();
  bytes wlan = pattern(100, 7);
  bytes with_wlan = with(image, config_II_offset, record(record_wlan, 100));
  const std::string exists = "ERROR: Config_II not empty - this Type of Config exists\n";
  const program_case cases[] = {
      {.title = "missing WLAN file",
       .args = {"-u", "img", "-w", "missing"},
       .image = image,
       .output = "ERROR: Configfile properties\n",
       .status = 241},
      // A folder is read like a pipe, to its end, whatever size its status
      // gives: nothing can be read, so it is refused alike on every file system.
      {.title = "folder as calibration file",
       .args = {"-l", "-u", "img", "-d", "."},
       .image = image,
       .output = "[read_extra_config] size 0\nERROR: open . failed\nERROR: Configfile size missmatch 1152 - 0\n"
                 "ERROR: Configfile properties\n",
       .status = 241},
      {.title = "missing DECT file: nothing written",
       .args = {"-u", "img", "-w", "w", "-d", "missing.bin"},
       .image = image,
       .files = {{"w", wlan}},
       .output = "ERROR: Configfile properties\n",
       .status = 241},
      {.title = "WLAN file too large",
       .args = {"-u", "img", "-w", "w"},
       .image = image,
       .files = {{"w", pattern(1149, 1)}},
       .output = "ERROR: Configfile size missmatch 1152 - 1149\nERROR: Configfile properties\n",
       .status = 241},
      {.title = "DECT fits the space left",
       .args = {"-u", "img", "-w", "w", "-d", "d"},
       .image = image,
       .files = {{"w", pattern(996, 1)}, {"d", pattern(148, 2)}},
       .written = {{config_II_offset,
                    concat(record_of(record_wlan, pattern(996, 1)), record_of(record_dect, pattern(148, 2)))}}},
      {.title = "DECT one byte over the space left",
       .args = {"-u", "img", "-w", "w", "-d", "d"},
       .image = image,
       .files = {{"w", pattern(996, 1)}, {"d", pattern(149, 2)}},
       .output = "ERROR: Configfile size missmatch 152 - 149\nERROR: Configfile properties\n",
       .status = 241},
      {.title = "WLAN record present",
       .args = {"-u", "img", "-w", "w"},
       .image = with_wlan,
       .files = {{"w", wlan}},
       .output = exists,
       .status = 243},
      {.title = "both files on a region in use",
       .args = {"-u", "img", "-w", "w", "-d", "d"},
       .image = with(image, config_II_offset, record(record_dect, 4)),
       .files = {{"w", wlan}, {"d", pattern(4, 1)}},
       .output = "ERROR: Config not empty\n",
       .status = 243},
      {.title = "unknown version",
       .args = {"-u", "img", "-w", "w"},
       .image = with(image, config_II_offset, {3}),
       .files = {{"w", wlan}},
       .output = "ERROR: Config_II not empty unknown Version\n",
       .status = 243},
      {.title = "record longer than the region",
       .args = {"-u", "img", "-d", "d"},
       .image = with(image, config_II_offset, record_header_bytes(record_wlan, 1149)),
       .files = {{"d", wlan}},
       .output = "ERROR: Config_II not empty\n",
       .status = 243},
      {.title = "record running past the region's end",
       .args = {"-u", "img", "-d", "d"},
       .image = patched(image, {{config_II_offset, record(record_wlan, 1000)},
                                {config_II_offset + 1004, record_header_bytes(record_wlan, 200)}}),
       .files = {{"d", pattern(1, 1)}},
       .output = "ERROR: Config_II not empty\n",
       .status = 243},
      {.title = "a record of the type behind an erased gap",
       .args = {"-u", "img", "-d", "d"},
       .image = patched(image, {{config_II_offset, record(record_wlan, 8)}, {0xA48, record(record_dect, 16)}}),
       .files = {{"d", pattern(16, 1)}},
       .output = exists,
       .status = 243},
      {.title = "erased gap before a record",
       .args = {"-u", "img", "-w", "w"},
       .image = with(image, config_II_offset + 2, record(record_dect, 4)),
       .files = {{"w", wlan}},
       .output = "ERROR: Config_II no room for 104 bytes at 0x988\n",
       .status = 243},
      {.title = "scan runs out of the region",
       .args = {"-u", "img", "-d", "d"},
       .image = with(image, config_II_offset, record(record_wlan, 1000)),
       .files = {{"d", pattern(200, 1)}},
       .output = "ERROR: Config_II not empty\n",
       .status = 243},
      {.title = "existing and new records exceed the region",
       .args = {"-u", "img", "-d", "d"},
       .image = with(image, config_II_offset, record(record_wlan, 1000)),
       .files = {{"d", pattern(145, 1)}},
       .output = "ERROR: Config_II no room for 149 bytes at 0xd6c\n",
       .status = 243},
      {.title = "record beyond the scanned steps",
       .args = {"-u", "img", "-w", "w"},
       .image = patched(image,
                        {{config_II_offset, record(record_dect, 4)}, {config_II_offset + 111, record(record_dect, 4)}}),
       .files = {{"w", wlan}},
       .output = "ERROR: Config_II no room for 104 bytes at 0x988\n",
       .status = 243},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, config_block) {
  bytes image = example_image();
  file_entry cfg{"cfg", text_bytes(worked_example_config)};
  file_entry env{"env", text_bytes("alpha 1\nbeta 9\n")};
  bytes wlan = pattern(100, 7);
  // The environment's 16384th byte and all after it are not read: "late" loses its value.
  std::string long_env = std::string(16370, '#') + "\nlate" + std::string(16383 - 16375, ' ') + "1\n";
  // A variable tag looked up in the environment: the block it gives.
  auto looked_up = [](const std::string &pairs) {
    return std::vector<patch>{
        {config_offset, example_header()},
        {config_offset + header_var_data, concat({0xF8, 0x05, 0x00, 0x90, 0, 0, 0, 0, 0, 0, 0, 0}, text_bytes(pairs))}};
  };
  const std::string mac = "maca 00:11:22:33:44:55\n";
  // The limit cuts the line of "maca" inside its value.
  std::string cut_env = std::string(16370, '#') + "\n" + mac;
  const std::string long_comment = "#" + std::string(3000, 'c') + "\n";
  const program_case cases[] = {
      {.title = "worked example, traced",
       .args = {"-l", "-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {cfg, env},
       .output = "[config_empty] offset 0x580 size 1020\n"
                 "go\n"
                 "[copy_tag] \"alpha\" \n"
                 "[copy_tag] \"overwrite\" \n"
                 "[copy_parameter] \"one two\" [copy_tag] \"beta\" \n"
                 "[copy_tag] \"keep\" \n"
                 "[copy_parameter] \"7\" available memory 878\n"
                 "variable Parameter 1\n"
                 "write to img\n"
                 "[write_config] file img offset 0x580 config_size 1020\n"
                 "[write_config] len 1020\n",
       .written = {{config_offset, worked_example_block()}}},
      {.title = "fixed tags only, traced: no count of variable tags",
       .args = {"-l", "-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes("alpha overwrite one two\n")}, env},
       .output = "[config_empty] offset 0x580 size 1020\n"
                 "go\n"
                 "[copy_tag] \"alpha\" \n"
                 "[copy_tag] \"overwrite\" \n"
                 "[copy_parameter] \"one two\" available memory 878\n"
                 "write to img\n"
                 "[write_config] file img offset 0x580 config_size 1020\n"
                 "[write_config] len 1020\n",
       .written = {{config_offset, worked_example_block()}, {config_offset + 128, bytes(7, erased)}}},
      {.title = "config and calibration records",
       .args = {"-u", "img", "-w", "w", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {cfg, env, {"w", wlan}},
       .written = {{config_offset, worked_example_block()}, {config_II_offset, record_of(record_wlan, wlan)}}},
      {.title = "value looked up, traced",
       .args = {"-l", "-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes("beta keep")}, {"env", text_bytes("#beta 1\nbeta 9\n")}},
       .output = "[config_empty] offset 0x580 size 1020\n"
                 "go\n"
                 "[copy_tag] \"beta\" \n"
                 "[copy_tag] \"keep\" \n"
                 "[copy_parameter] \"\" \n[search_env] beta\n"
                 "<line> beta 9\n"
                 "[copy_tag] \"beta\" \n"
                 "[copy_parameter] \"9\" {found parameter 9}\n"
                 "available memory 900\n"
                 "variable Parameter 1\n"
                 "write to img\n"
                 "[write_config] file img offset 0x580 config_size 1020\n"
                 "[write_config] len 1020\n",
       .written = {{config_offset, example_header()},
                   {config_offset + header_var_data,
                    {0xF8, 0x05, 0x00, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 'b', 'e', 't', 'a', 0, '9', 0}}}},
      {.title = "long environment: the text ends before its 16384th byte",
       .args = {"-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes("late keep\n")},
                 {"env", text_bytes(long_env + std::string(20000 - long_env.size(), 'x'))}},
       .output = "ERROR: keinen Parameter f\xfc"
                 "r late gefunden",
       .status = 249},
      {.title = "long environment: what lies before is found",
       .args = {"-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes("early keep\n")}, {"env", text_bytes("early 5\n" + std::string(20000, 'x'))}},
       .written = {{config_offset, example_header()},
                   {config_offset + header_var_data,
                    {0xF8, 0x05, 0x00, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 'e', 'a', 'r', 'l', 'y', 0, '5', 0}}}},
      {.title = "long environment: a line cut by the limit is no setting",
       .args = {"-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes("maca keep\n")}, {"env", text_bytes(cut_env + std::string(20000, 'x'))}},
       .output = "ERROR: keinen Parameter f\xfc"
                 "r maca gefunden",
       .status = 249},
      {.title = "long environment: a line that ends at the limit is whole",
       .args = {"-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes("maca keep\n")},
                 {"env",
                  text_bytes(std::string(16383 - mac.size(), '#') + "\n" + mac.substr(0, mac.size() - 1) + "\nx")}},
       .written = looked_up(std::string("maca\0"
                                        "00:11:22:33:44:55\0",
                                        23))},
      {.title = "an environment line over 254 characters is skipped whole",
       .args = {"-l", "-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes("maca keep\n")},
                 {"env", text_bytes("x " + std::string(252, 'y') + mac + "maca 66:77:88:99:aa:bb\n")}},
       .output = "[config_empty] offset 0x580 size 1020\ngo\n[copy_tag] \"maca\" \n[copy_tag] \"keep\" \n"
                 "[copy_parameter] \"\" \n[search_env] maca\n<line> maca 66:77:88:99:aa:bb\n[copy_tag] \"maca\" \n"
                 "[copy_parameter] \"66:77:88:99:aa:bb\" {found parameter 66:77:88:99:aa:bb}\navailable memory 900\n"
                 "variable Parameter 1\nwrite to img\n[write_config] file img offset 0x580 config_size 1020\n"
                 "[write_config] len 1020\n",
       .written = looked_up(std::string("maca\0"
                                        "66:77:88:99:aa:bb\0",
                                        23))},
      {.title = "CRs, NULs and blanks at a line's end, a line of NULs, a comment with a CR",
       .args = {"-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes("# set\rtings\n\0\0\n\0 \r\nalpha overwrite one two\r \t\0\r\nbeta keep 7\0\n"s)},
                 env},
       .written = {{config_offset, worked_example_block()}}},
      {.title = "a comment line of any length is skipped",
       .args = {"-u", "img", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {{"cfg", text_bytes(long_comment + worked_example_config)}, env},
       .written = {{config_offset, worked_example_block()}}},
  };
  for (const program_case &c : cases) check_run(c);
}

// A run's refusals of its config step, each tested once. Those that the
// builder decides (a config file it cannot open, no flag, a line too long, no
// value, no room in the block) are tested in config/builder_test.cc, at their
// limits; only the room is here too, for its status (246).
TEST(program, config_refusals) {
  bytes image = example_image();
  file_entry cfg{"cfg", text_bytes(worked_example_config)};
  file_entry env{"env", text_bytes("alpha 1\n")};
  std::vector<std::string> args = {"-u", "img", "-i", "cfg", "-e", "env"};
  const program_case cases[] = {
      {.title = "config area in use",
       .args = args,
       .image = with(image, locator_offset - 1, {0x7F}),
       .files = {cfg, env},
       .output = "ERROR: Config not empty\n",
       .status = 243},
      {.title = "no default config",
       .args = args,
       .image = with(image, locator_offset, {0xFF, 0xFF, 0xFF, 0xFF}),
       .files = {cfg, env},
       .output = "ERROR: found no Defaultconfig\n",
       .status = 245},
      {.title = "a default header whose first word is erased",
       .args = args,
       .image = with(image, example_descriptor_offset + 4, {0x00, 0x07}),
       .files =  // the header at 0x600, in the config area
       {cfg, env},
       .output = "ERROR: found no Defaultconfig\n",
       .status = 245},
      {.title = "no image: the erased buffer has no default config",
       .args = {"-i", "cfg", "-e", "env", "-u"},
       .image = image,
       .files = {cfg, env},
       .output = "ERROR: found no Defaultconfig\n",
       .status = 245},
      {.title = "missing environment",
       .args = {"-u", "img", "-i", "cfg", "-e", "missing"},
       .image = image,
       .files = {cfg},
       .output = "ERROR: reading file missing len 0",
       .status = 253},
      {.title = "empty environment",
       .args = args,
       .image = image,
       .files = {cfg, {"env", {}}},
       .output = "ERROR: reading file env len 0",
       .status = 253},
      {.title = "folder as environment",
       .args = {"-u", "img", "-i", "cfg", "-e", "."},
       .image = image,
       .files = {cfg},
       .output = "ERROR: reading file . len 0",
       .status = 253},
      {.title = "-e as last argument",
       .args = {"-u", "img", "-i", "cfg", "-e"},
       .image = image,
       .files = {cfg},
       .output = "ERROR: reading file (null) len 0",
       .status = 253},
      {.title = "a config line that never ends",
       .args = {"-u", "img", "-i", "/dev/zero", "-e", "env"},
       .image = image,
       .files = {env},
       .output = "ERROR: line too long for \n",
       .status = 254},
      {.title = "tag name beginning with an erased byte",
       .args = args,
       .image = image,
       .files = {{"cfg", text_bytes("alpha overwrite 1\n\xff"
                                    "beta keep 2\n")},
                 env},
       .output = "ERROR: tag name in config line 2 begins with byte 0xFF\n",
       .status = 254},
      {.title = "lines joined by CRs",
       .args = args,
       .image = image,
       .files = {{"cfg", text_bytes("A overwrite 1\rB overwrite 2\rC keep 3\r")}, env},
       .output = "ERROR: config line 1 goes on after a CR or NUL\n",
       .status = 254},
      {.title = "a NUL inside a value",
       .args = args,
       .image = image,
       .files = {{"cfg", text_bytes("P overwrite Exa\0mple\n\0Q overwrite 2\n"s)}, env},
       .output = "ERROR: config line 1 goes on after a CR or NUL\n",
       .status = 254},
      {.title = "a NUL before a tag",
       .args = args,
       .image = image,
       .files = {{"cfg", text_bytes("# settings\nalpha overwrite 1\n\0Q overwrite 2\n"s)}, env},
       .output = "ERROR: config line 3 goes on after a CR or NUL\n",
       .status = 254},
      {.title = "no room for the variable pairs",
       .args = args,
       .image = image,
       .files = {{"cfg", text_bytes("a keep " + std::string(240, 'v') + "\nb keep " + std::string(240, 'v') +
                                    "\nc keep " + std::string(240, 'v') + "\nd keep " + std::string(168, 'v') + "\n")},
                 env},
       .output = "no Memory available 900 need 900\n",
       .status = 246},
      {.title = "calibration refused after the build: nothing written",
       .args = plus(args, {"-w", "missing"}),
       .image = image,
       .files = {cfg, env},
       .output = "ERROR: Configfile properties\n",
       .status = 241},
      {.title = "region in use after the build: nothing written",
       .args = plus(args, {"-w", "w"}),
       .image = with(image, config_II_offset, record(record_wlan, 4)),
       .files = {cfg, env, {"w", pattern(4, 1)}},
       .output = "ERROR: Config_II not empty - this Type of Config exists\n",
       .status = 243},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, faults) {
  bytes image = example_image();
  file_entry cfg{"cfg", text_bytes(worked_example_config)};
  file_entry env{"env", text_bytes("alpha 1\n")};
  file_entry wlan{"w", pattern(100, 7)};
  const program_case cases[] = {
      {.title = "folder as target",
       .args = {"-u", ".", "-i", "cfg", "-e", "env", "-w", "w"},
       .image = image,
       .files = {cfg, env, wlan},
       .output = "ERROR: reading file . len 0",
       .status = 253},
      // A full device reads as zeros: nothing is erased, so nothing is written.
      {.title = "full device as target for the records",
       .args = {"-u", "/dev/full", "-w", "w"},
       .image = image,
       .files = {wlan},
       .output = "ERROR: Config_II not empty unknown Version\n",
       .status = 243},
      {.title = "full device as target for the block",
       .args = {"-u", "/dev/full", "-i", "cfg", "-e", "env"},
       .image = image,
       .files = {cfg, env},
       .output = "ERROR: Config not empty\n",
       .status = 243},
  };
  for (const program_case &c : cases) check_run(c);
}

// Faults of the target that the fault library makes: a read-back that cannot
// read, a sync or a close that fails. Each fails the run as a failed write,
// and says so; a read-back names where. What the writes before the fault put
// down stays: with a failed read-back or sync, all of the record but its
// version byte, which goes last and never came.
TEST(program, faults_of_the_target) {
  if (!fault_shim()) GTEST_SKIP() << "no fault library for this build's tool";
  bytes image = example_image();
  bytes wlan = pattern(100, 7);
  bytes wlan_record = record_of(record_wlan, wlan);
  const std::vector<patch> all_but_the_version = {
      {config_II_offset + 1, bytes(wlan_record.begin() + 1, wlan_record.end())}};
  struct fault_case {
    const char *fault;
    std::string output;
    std::vector<patch> written;
  };
  const fault_case cases[] = {
      {"pread_eio", "ERROR: read back failed at 0x981\n[write_config] ERROR: -12\n", all_but_the_version},
      {"pread_eof", "ERROR: read back failed at 0x981\n[write_config] ERROR: -12\n", all_but_the_version},
      {"fsync_eio", "[write_config] ERROR: -12\n", all_but_the_version},
      // The writes took and were read back: only the close failed.
      {"close_eio", "[write_config] ERROR: -12\n", {{config_II_offset, wlan_record}}},
  };
  for (const fault_case &c : cases) {
    preloaded_faults faults(fault_settings{{"SET_CONFIG_FAULT", c.fault}});
    check_run({.title = c.fault,
               .args = {"-u", "img", "-w", "w"},
               .image = image,
               .files = {{"w", wlan}},
               .output = c.output,
               .status = 244,
               .written = c.written});
  }
}

}  // namespace
