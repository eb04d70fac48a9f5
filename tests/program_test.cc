// Whole-program runs: the built tool on real files in a temporary folder, compared
// on its whole standard output, its exit status and every byte of the image.
#include <gtest/gtest.h>

#include "config/block.h"
#include "driver/bytes.h"
#include "driver/layout.h"
#include "examples/example_image.h"
#include "tests/fixture.h"

namespace {

using namespace std::string_literals;

struct file_entry {
  std::string name;
  bytes content;
};

struct patch {
  uint32_t offset;
  bytes content;
};

struct program_case {
  std::string title;
  std::vector<std::string> args;
  bytes image;                    // written as "img"; none when empty
  std::vector<file_entry> files;  // further files in the folder
  std::string output;
  int status;
  std::vector<patch> written;  // the only changes expected in "img"
};

const char usage[] =
    "set_config [options] Version 1.385\n\t-e\t environment\n\t-d\t dect_cal-file\n\t-i\t configfile\n"
    "\t-u\t tolvanefile\n\t-w\t wlan_cal-file\n";

bytes concat(bytes a, const bytes &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void check_run(const program_case &c) {
  SCOPED_TRACE(c.title);
  temp_folder folder;
  if (!c.image.empty()) write_file(folder.path("img"), c.image);
  for (const file_entry &f : c.files) write_file(folder.path(f.name), f.content);
  tool_run run = run_tool(folder, c.args);
  EXPECT_EQ(c.output, run.output);
  EXPECT_EQ(c.status, run.status);
  if (c.image.empty()) return;
  bytes expected = c.image;
  for (const patch &p : c.written) put_bytes(expected, p.offset, p.content);
  bytes actual = read_file(folder.path("img"));
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); i++) {
    if (expected[i] != actual[i]) {
      ADD_FAILURE() << "image byte 0x" << std::hex << i << " is 0x" << +actual[i] << ", expected 0x" << +expected[i];
      break;
    }
  }
}

TEST(program, command_line) {
  bytes image = example_image();
  const program_case cases[] = {
      {"no arguments", {}, image, {}, usage, 0, {}},
      {"-h ends at once", {"-l", "-h", "-i", "x"}, image, {}, usage, 0, {}},
      {"unknown letter", {"-x"}, image, {}, "", 0, {}},
      {"plain word", {"foo"}, image, {}, "", 0, {}},
      {"image only", {"-u", "img"}, image, {}, "", 0, {}},
      {"-i as last argument is absent", {"-u", "img", "-i"}, image, {}, "", 0, {}},
      {"only the second character counts",
       {"-lima", "-upper", "img", "-wlan", "w"},
       image,
       {{"w", pattern(4, 1)}},
       "[read_extra_config] size 4\n[read_extra_config] read len 4\n"
       "[config_II_empty] offset 0x980 size 8\nwrite w to img\n"
       "[write_config] file img offset 0x980 config_size 8\n[write_config] len 8\n",
       0,
       {{config_II_offset, concat({2, 0, 4, 0}, pattern(4, 1))}}},
      {"a later value replaces an earlier one",
       {"-u", "none", "-w", "w", "-u", "img"},
       image,
       {{"w", pattern(4, 1)}},
       "",
       0,
       {{config_II_offset, concat({2, 0, 4, 0}, pattern(4, 1))}}},
      {"-u as last argument leaves no target",
       {"-w", "w", "-u"},
       image,
       {{"w", pattern(4, 1)}},
       "[write_config] ERROR: -12\n",
       244,
       {}},
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
      {"image one byte short",
       {"-u", "img"},
       bytes(image.begin(), image.end() - 1),
       {},
       "ERROR: reading file img len 65535",
       253,
       {}},
      {"missing image", {"-u", "missing", "-w", "w"}, {}, {{"w", wlan}}, "ERROR: reading file missing len 0", 253, {}},
      {"folder as image", {"-u", ".", "-w", "w"}, {}, {{"w", wlan}}, "ERROR: reading file . len 0", 253, {}},
      {"longer image: only its first 64 KiB count, its length stays",
       {"-u", "img", "-w", "w"},
       long_image,
       {{"w", wlan}},
       "",
       0,
       {{config_II_offset, concat({2, 0, 100, 0}, wlan)}}},
      {"no target for the records", {"-w", "w"}, image, {{"w", wlan}}, "[write_config] ERROR: -12\n", 244, {}},
      {"no target, traced",
       {"-l", "-w", "w"},
       image,
       {{"w", wlan}},
       "[read_extra_config] size 100\n[read_extra_config] read len 100\n"
       "[config_II_empty] offset 0x980 size 104\nwrite w to (null)\n"
       "[write_config] file (null) offset 0x980 config_size 104\n[write_config] ERROR: -12\n",
       244,
       {}},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, calibration_records) {
  bytes image = example_image();
  bytes wlan = pattern(100, 7);
  bytes dect = pattern(10, 3);
  bytes wlan_record = concat({2, 0, 100, 0}, wlan);
  bytes dect_record = concat({2, 1, 10, 0}, dect);
  bytes with_wlan = with(image, config_II_offset, record(0, 100));
  bytes with_dect = with(image, config_II_offset, record(1, 20));
  const program_case cases[] = {
      {"WLAN on an erased region, traced",
       {"-l", "-u", "img", "-w", "wlan.bin"},
       image,
       {{"wlan.bin", wlan}},
       "[read_extra_config] size 100\n[read_extra_config] read len 100\n"
       "[config_II_empty] offset 0x980 size 104\nwrite wlan.bin to img\n"
       "[write_config] file img offset 0x980 config_size 104\n[write_config] len 104\n",
       0,
       {{config_II_offset, wlan_record}}},
      {"DECT behind a WLAN record", {"-u", "img", "-d", "d"}, with_wlan, {{"d", dect}}, "", 0, {{0x9E8, dect_record}}},
      {"DECT behind a WLAN record, traced",
       {"-l", "-u", "img", "-d", "d"},
       with_wlan,
       {{"d", dect}},
       "[read_extra_config] size 10\n[read_extra_config] read len 10\n"
       "[config_II_empty] offset 0x980 size 14\n[config_II_empty] Config not empty\nwrite d to img\n"
       "[write_config] file img offset 0x9e8 config_size 14\n[write_config] len 14\n",
       0,
       {{0x9E8, dect_record}}},
      {"WLAN behind a DECT record",
       {"-u", "img", "-w", "w"},
       with_dect,
       {{"w", wlan}},
       "",
       0,
       {{config_II_offset + 24, wlan_record}}},
      {"both files on an erased region, WLAN first",
       {"-l", "-u", "img", "-d", "d", "-w", "w"},
       image,
       {{"w", wlan}, {"d", dect}},
       "[read_extra_config] size 100\n[read_extra_config] read len 100\n"
       "[read_extra_config] size 10\n[read_extra_config] read len 10\n"
       "[config_empty] offset 0x980 size 1152\nwrite w to img\nwrite d to img\n"
       "[write_config] file img offset 0x980 config_size 118\n[write_config] len 118\n",
       0,
       {{config_II_offset, concat(wlan_record, dect_record)}}},
      {"empty WLAN file", {"-u", "img", "-w", "w"}, image, {{"w", {}}}, "", 0, {{config_II_offset, {2, 0, 0, 0}}}},
      {"a whole-region WLAN record",
       {"-u", "img", "-w", "w"},
       image,
       {{"w", pattern(1148, 5)}},
       "",
       0,
       {{config_II_offset, concat({2, 0, 0x7C, 0x04}, pattern(1148, 5))}}},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, calibration_refusals) {
  bytes image = example_image();
  bytes wlan = pattern(100, 7);
  bytes with_wlan = with(image, config_II_offset, record(0, 100));
  const std::string exists = "ERROR: Config_II not empty - this Type of Config exists\n";
  const program_case cases[] = {
      {"missing WLAN file", {"-u", "img", "-w", "missing"}, image, {}, "ERROR: Configfile properties\n", 241, {}},
      // A folder is read like a pipe, to its end, whatever size its status
      // gives: nothing can be read, so it is refused alike on every file system.
      {"folder as calibration file",
       {"-l", "-u", "img", "-d", "."},
       image,
       {},
       "[read_extra_config] size 0\nERROR: open . failed\nERROR: Configfile size missmatch 1152 - 0\n"
       "ERROR: Configfile properties\n",
       241,
       {}},
      {"missing DECT file: nothing written",
       {"-u", "img", "-w", "w", "-d", "missing.bin"},
       image,
       {{"w", wlan}},
       "ERROR: Configfile properties\n",
       241,
       {}},
      {"WLAN file too large",
       {"-u", "img", "-w", "w"},
       image,
       {{"w", pattern(1149, 1)}},
       "ERROR: Configfile size missmatch 1152 - 1149\nERROR: Configfile properties\n",
       241,
       {}},
      {"DECT fits the space left",
       {"-u", "img", "-w", "w", "-d", "d"},
       image,
       {{"w", pattern(996, 1)}, {"d", pattern(148, 2)}},
       "",
       0,
       {{config_II_offset, concat(concat({2, 0, 0xE4, 3}, pattern(996, 1)), concat({2, 1, 148, 0}, pattern(148, 2)))}}},
      {"DECT one byte over the space left",
       {"-u", "img", "-w", "w", "-d", "d"},
       image,
       {{"w", pattern(996, 1)}, {"d", pattern(149, 2)}},
       "ERROR: Configfile size missmatch 152 - 149\nERROR: Configfile properties\n",
       241,
       {}},
      {"WLAN record present", {"-u", "img", "-w", "w"}, with_wlan, {{"w", wlan}}, exists, 243, {}},
      {"both files on a region in use",
       {"-u", "img", "-w", "w", "-d", "d"},
       with(image, config_II_offset, record(1, 4)),
       {{"w", wlan}, {"d", pattern(4, 1)}},
       "ERROR: Config not empty\n",
       243,
       {}},
      {"unknown version",
       {"-u", "img", "-w", "w"},
       with(image, config_II_offset, {3}),
       {{"w", wlan}},
       "ERROR: Config_II not empty unknown Version\n",
       243,
       {}},
      {"record longer than the region",
       {"-u", "img", "-d", "d"},
       with(image, config_II_offset, {2, 0, 0x7D, 0x04}),
       {{"d", wlan}},
       "ERROR: Config_II not empty\n",
       243,
       {}},
      {"record running past the region's end",
       {"-u", "img", "-d", "d"},
       with(with(image, config_II_offset, record(0, 1000)), config_II_offset + 1004, {2, 0, 200, 0}),
       {{"d", pattern(1, 1)}},
       "ERROR: Config_II not empty\n",
       243,
       {}},
      {"a record of the type behind an erased gap",
       {"-u", "img", "-d", "d"},
       with(with(image, config_II_offset, record(0, 8)), 0xA48, record(1, 16)),
       {{"d", pattern(16, 1)}},
       exists,
       243,
       {}},
      {"erased gap before a record",
       {"-u", "img", "-w", "w"},
       with(image, config_II_offset + 2, record(1, 4)),
       {{"w", wlan}},
       "ERROR: Config_II no room for 104 bytes at 0x988\n",
       243,
       {}},
      {"scan runs out of the region",
       {"-u", "img", "-d", "d"},
       with(image, config_II_offset, record(0, 1000)),
       {{"d", pattern(200, 1)}},
       "ERROR: Config_II not empty\n",
       243,
       {}},
      {"existing and new records exceed the region",
       {"-u", "img", "-d", "d"},
       with(image, config_II_offset, record(0, 1000)),
       {{"d", pattern(145, 1)}},
       "ERROR: Config_II no room for 149 bytes at 0xd6c\n",
       243,
       {}},
      {"record beyond the scanned steps",
       {"-u", "img", "-w", "w"},
       with(with(image, config_II_offset, record(1, 4)), config_II_offset + 111, record(1, 4)),
       {{"w", wlan}},
       "ERROR: Config_II no room for 104 bytes at 0x988\n",
       243,
       {}},
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
      {"worked example, traced",
       {"-l", "-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {cfg, env},
       "[config_empty] offset 0x580 size 1020\n"
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
       0,
       {{config_offset, worked_example_block()}}},
      {"fixed tags only, traced: no count of variable tags",
       {"-l", "-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes("alpha overwrite one two\n")}, env},
       "[config_empty] offset 0x580 size 1020\n"
       "go\n"
       "[copy_tag] \"alpha\" \n"
       "[copy_tag] \"overwrite\" \n"
       "[copy_parameter] \"one two\" available memory 878\n"
       "write to img\n"
       "[write_config] file img offset 0x580 config_size 1020\n"
       "[write_config] len 1020\n",
       0,
       {{config_offset, worked_example_block()}, {config_offset + 128, bytes(7, erased)}}},
      {"config and calibration records",
       {"-u", "img", "-w", "w", "-i", "cfg", "-e", "env"},
       image,
       {cfg, env, {"w", wlan}},
       "",
       0,
       {{config_offset, worked_example_block()}, {config_II_offset, concat({2, 0, 100, 0}, wlan)}}},
      {"value looked up, traced",
       {"-l", "-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes("beta keep")}, {"env", text_bytes("#beta 1\nbeta 9\n")}},
       "[config_empty] offset 0x580 size 1020\n"
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
       0,
       {{config_offset, example_header()},
        {config_offset + header_var_data,
         {0xF8, 0x05, 0x00, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 'b', 'e', 't', 'a', 0, '9', 0}}}},
      {"long environment: the text ends before its 16384th byte",
       {"-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes("late keep\n")}, {"env", text_bytes(long_env + std::string(20000 - long_env.size(), 'x'))}},
       "ERROR: keinen Parameter f\xfc"
       "r late gefunden",
       249,
       {}},
      {"long environment: what lies before is found",
       {"-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes("early keep\n")}, {"env", text_bytes("early 5\n" + std::string(20000, 'x'))}},
       "",
       0,
       {{config_offset, example_header()},
        {config_offset + header_var_data,
         {0xF8, 0x05, 0x00, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 'e', 'a', 'r', 'l', 'y', 0, '5', 0}}}},
      {"long environment: a line cut by the limit is no setting",
       {"-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes("maca keep\n")}, {"env", text_bytes(cut_env + std::string(20000, 'x'))}},
       "ERROR: keinen Parameter f\xfc"
       "r maca gefunden",
       249,
       {}},
      {"long environment: a line that ends at the limit is whole",
       {"-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes("maca keep\n")},
        {"env", text_bytes(std::string(16383 - mac.size(), '#') + "\n" + mac.substr(0, mac.size() - 1) + "\nx")}},
       "",
       0,
       looked_up(std::string("maca\0"
                             "00:11:22:33:44:55\0",
                             23))},
      {"an environment line over 254 characters is skipped whole",
       {"-l", "-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes("maca keep\n")},
        {"env", text_bytes("x " + std::string(252, 'y') + mac + "maca 66:77:88:99:aa:bb\n")}},
       "[config_empty] offset 0x580 size 1020\ngo\n[copy_tag] \"maca\" \n[copy_tag] \"keep\" \n"
       "[copy_parameter] \"\" \n[search_env] maca\n<line> maca 66:77:88:99:aa:bb\n[copy_tag] \"maca\" \n"
       "[copy_parameter] \"66:77:88:99:aa:bb\" {found parameter 66:77:88:99:aa:bb}\navailable memory 900\n"
       "variable Parameter 1\nwrite to img\n[write_config] file img offset 0x580 config_size 1020\n"
       "[write_config] len 1020\n",
       0,
       looked_up(std::string("maca\0"
                             "66:77:88:99:aa:bb\0",
                             23))},
      {"CRs, NULs and blanks at a line's end, a line of NULs, a comment with a CR",
       {"-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes("# set\rtings\n\0\0\n\0 \r\nalpha overwrite one two\r \t\0\r\nbeta keep 7\0\n"s)}, env},
       "",
       0,
       {{config_offset, worked_example_block()}}},
      {"a comment line of any length is skipped",
       {"-u", "img", "-i", "cfg", "-e", "env"},
       image,
       {{"cfg", text_bytes(long_comment + worked_example_config)}, env},
       "",
       0,
       {{config_offset, worked_example_block()}}},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, config_refusals) {
  bytes image = example_image();
  file_entry cfg{"cfg", text_bytes(worked_example_config)};
  file_entry env{"env", text_bytes("alpha 1\n")};
  std::vector<std::string> args = {"-u", "img", "-i", "cfg", "-e", "env"};
  auto plus = [&](std::vector<std::string> more) {
    std::vector<std::string> all = args;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const program_case cases[] = {
      {"config area in use",
       args,
       with(image, locator_offset - 1, {0x7F}),
       {cfg, env},
       "ERROR: Config not empty\n",
       243,
       {}},
      {"no default config",
       args,
       with(image, locator_offset, {0xFF, 0xFF, 0xFF, 0xFF}),
       {cfg, env},
       "ERROR: found no Defaultconfig\n",
       245,
       {}},
      {"a default header whose first word is erased",
       args,
       with(image, example_descriptor_offset + 4, {0x00, 0x07}),  // the header at 0x600, in the config area
       {cfg, env},
       "ERROR: found no Defaultconfig\n",
       245,
       {}},
      {"no image: the erased buffer has no default config",
       {"-i", "cfg", "-e", "env", "-u"},
       image,
       {cfg, env},
       "ERROR: found no Defaultconfig\n",
       245,
       {}},
      {"missing environment",
       {"-u", "img", "-i", "cfg", "-e", "missing"},
       image,
       {cfg},
       "ERROR: reading file missing len 0",
       253,
       {}},
      {"empty environment", args, image, {cfg, {"env", {}}}, "ERROR: reading file env len 0", 253, {}},
      {"folder as environment",
       {"-u", "img", "-i", "cfg", "-e", "."},
       image,
       {cfg},
       "ERROR: reading file . len 0",
       253,
       {}},
      {"-e as last argument",
       {"-u", "img", "-i", "cfg", "-e"},
       image,
       {cfg},
       "ERROR: reading file (null) len 0",
       253,
       {}},
      {"missing config file",
       {"-u", "img", "-i", "nope", "-e", "env"},
       image,
       {env},
       "ERROR: open config_file nope\n",
       254,
       {}},
      {"no flag", args, image, {{"cfg", text_bytes("alpha\n")}, env}, "ERROR: no flag found for alpha\n", 254, {}},
      {"line too long",
       args,
       image,
       {{"cfg", text_bytes("alpha keep " + std::string(300, 'v') + "\n")}, env},
       "ERROR: line too long for alpha\n",
       254,
       {}},
      {"a config line that never ends",
       {"-u", "img", "-i", "/dev/zero", "-e", "env"},
       image,
       {env},
       "ERROR: line too long for \n",
       254,
       {}},
      {"tag name beginning with an erased byte",
       args,
       image,
       {{"cfg", text_bytes("alpha overwrite 1\n\xff"
                           "beta keep 2\n")},
        env},
       "ERROR: tag name in config line 2 begins with byte 0xFF\n",
       254,
       {}},
      {"lines joined by CRs",
       args,
       image,
       {{"cfg", text_bytes("A overwrite 1\rB overwrite 2\rC keep 3\r")}, env},
       "ERROR: config line 1 goes on after a CR or NUL\n",
       254,
       {}},
      {"a NUL inside a value",
       args,
       image,
       {{"cfg", text_bytes("P overwrite Exa\0mple\n\0Q overwrite 2\n"s)}, env},
       "ERROR: config line 1 goes on after a CR or NUL\n",
       254,
       {}},
      {"a NUL before a tag",
       args,
       image,
       {{"cfg", text_bytes("# settings\nalpha overwrite 1\n\0Q overwrite 2\n"s)}, env},
       "ERROR: config line 3 goes on after a CR or NUL\n",
       254,
       {}},
      {"no value",
       args,
       image,
       {{"cfg", text_bytes("beta overwrite\n")}, env},
       "ERROR: keinen Parameter f\xfc"
       "r beta gefunden",
       249,
       {}},
      {"no room for the variable pairs",
       args,
       image,
       {{"cfg", text_bytes("a keep " + std::string(240, 'v') + "\nb keep " + std::string(240, 'v') + "\nc keep " +
                           std::string(240, 'v') + "\nd keep " + std::string(168, 'v') + "\n")},
        env},
       "no Memory available 900 need 900\n",
       246,
       {}},
      {"calibration refused after the build: nothing written",
       plus({"-w", "missing"}),
       image,
       {cfg, env},
       "ERROR: Configfile properties\n",
       241,
       {}},
      {"region in use after the build: nothing written",
       plus({"-w", "w"}),
       with(image, config_II_offset, record(0, 4)),
       {cfg, env, {"w", pattern(4, 1)}},
       "ERROR: Config_II not empty - this Type of Config exists\n",
       243,
       {}},
  };
  for (const program_case &c : cases) check_run(c);
}

TEST(program, faults) {
  bytes image = example_image();
  file_entry cfg{"cfg", text_bytes(worked_example_config)};
  file_entry env{"env", text_bytes("alpha 1\n")};
  file_entry wlan{"w", pattern(100, 7)};
  const program_case cases[] = {
      {"folder as target",
       {"-u", ".", "-i", "cfg", "-e", "env", "-w", "w"},
       image,
       {cfg, env, wlan},
       "ERROR: reading file . len 0",
       253,
       {}},
      // A full device reads as zeros: nothing is erased, so nothing is written.
      {"full device as target for the records",
       {"-u", "/dev/full", "-w", "w"},
       image,
       {wlan},
       "ERROR: Config_II not empty unknown Version\n",
       243,
       {}},
      {"full device as target for the block",
       {"-u", "/dev/full", "-i", "cfg", "-e", "env"},
       image,
       {cfg, env},
       "ERROR: Config not empty\n",
       243,
       {}},
  };
  for (const program_case &c : cases) check_run(c);
}

// A read-back that cannot read the partition says so, and names where. The
// write that it follows took; the version byte after it never came.
TEST(program, a_read_back_that_cannot_read) {
  const char *shim = fault_shim();
  if (!shim) GTEST_SKIP() << "no fault library for this build's tool";
  bytes image = example_image();
  bytes wlan = pattern(100, 7);
  for (const char *fault : {"pread_eio", "pread_eof"}) {
    setenv("LD_PRELOAD", shim, 1);
    setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);  // the sanitizers' runtime comes second then
    setenv("SET_CONFIG_FAULT", fault, 1);
    check_run({fault,
               {"-u", "img", "-w", "w"},
               image,
               {{"w", wlan}},
               "ERROR: read back failed at 0x981\n[write_config] ERROR: -12\n",
               244,
               // All but the version byte, which goes last, took.
               {{config_II_offset + 1, concat({0, 100, 0}, wlan)}}});
    unsetenv("LD_PRELOAD");
    unsetenv("ASAN_OPTIONS");
    unsetenv("SET_CONFIG_FAULT");
  }
}

}  // namespace
