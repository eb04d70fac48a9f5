// show_config, run as built on real files: what it prints of a partition, the
// payloads it writes out, its refusals of damaged blocks and regions, and the
// round trip through set_config -i.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include "base/bytes.h"
#include "base/layout.h"
#include "calibration/records.h"
#include "config/block.h"
#include "tests/fixture.h"

namespace {

const char example_header_lines[] =
    "# config block at 0x580\n"
    "# version 0x00000003\n"
    "# memsize 0x02000000\n"
    "# flashsize 0x00800000\n"
    "# systemfrequency 0x07735940\n"
    "# cpufrequency 0x0ee6b280\n"
    "# feature_low 0x0000001f\n"
    "# feature_high 0x00000000\n";

// A listing read back by set_config -i onto the example image in folder gives image.
void expect_read_back(temp_folder &folder, const std::string &listing, const bytes &image) {
  write_text(folder.path("cfg"), listing);
  write_text(folder.path("env"), "unused 1\n");
  write_file(folder.path("img"), example_image());
  tool_run again = run_tool(folder, {"-u", "img", "-i", "cfg", "-e", "env"});
  EXPECT_EQ(0, again.status) << again.output;
  EXPECT_EQ(image, read_file(folder.path("img")));
}

// Runs set_config on the example image in folder, then returns the image.
bytes set_up(temp_folder &folder, const std::string &config, const std::string &environment,
             std::vector<std::string> more = {}) {
  write_file(folder.path("img"), example_image());
  write_text(folder.path("cfg"), config);
  write_text(folder.path("env"), environment);
  std::vector<std::string> args = {"-u", "img", "-i", "cfg", "-e", "env"};
  args.insert(args.end(), more.begin(), more.end());
  tool_run run = run_tool(folder, args);
  EXPECT_EQ(0, run.status) << run.output;
  return read_file(folder.path("img"));
}

TEST(show_config, prints_the_block_and_the_records) {
  bytes provisioned = patched(example_image(), {{config_offset, worked_example_block()},
                                                {config_II_offset, record(record_wlan, 100)},
                                                {0x9E8, record(record_dect, 10)}});
  struct print_case {
    const char *title;
    bytes image;
    std::string output;
  };
  const print_case cases[] = {
      {"a provisioned partition", provisioned,
       std::string(example_header_lines) + "# var_data 0x90000600\n"
                                           "alpha overwrite one two\n"
                                           "beta variable 7\n"
                                           "# Config_II region at 0x980\n"
                                           "# record at 0x980: WLAN, version 2, length 100\n"
                                           "# record at 0x9e8: DECT, version 2, length 10\n"},
      {"a record of another type", with(example_image(), 0x980, record_of(7, {0x55})),
       "# config block at 0x580: erased\n# Config_II region at 0x980\n# record at 0x980: type 7, version 2, length "
       "1\n"},
      {"an erased partition", example_image(),
       "# config block at 0x580: erased\n# Config_II region at 0x980\n# erased\n"},
  };
  for (const print_case &c : cases) {
    SCOPED_TRACE(c.title);
    temp_folder folder;
    write_file(folder.path("img"), c.image);
    tool_run run = run_show(folder, {"-u", "img"});
    EXPECT_EQ(c.output, run.output);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(c.image, read_file(folder.path("img")));  // never written
  }
}

// A payload goes to a new file, or replaces all of an existing one: a longer
// file keeps no tail of its own.
TEST(show_config, writes_the_payloads_asked_for) {
  bytes image =
      patched(example_image(), {{config_II_offset, record(record_wlan, 100)}, {0x9E8, record(record_dect, 10)}});
  struct output_case {
    const char *title;
    bool existing;
    bytes before;  // of each output file, when existing
  };
  const output_case cases[] = {
      {"new files", false, {}},
      {"over longer files", true, pattern(300, 50)},
      {"over shorter files", true, pattern(3, 60)},
      {"over empty files", true, {}},
  };
  for (const output_case &c : cases) {
    SCOPED_TRACE(c.title);
    temp_folder folder;
    write_file(folder.path("img"), image);
    if (c.existing) {
      write_file(folder.path("w.out"), c.before);
      write_file(folder.path("d.out"), c.before);
    }
    tool_run run = run_show(folder, {"-u", "img", "-w", "w.out", "-d", "d.out"});
    EXPECT_EQ(
        "# config block at 0x580: erased\n# Config_II region at 0x980\n"
        "# record at 0x980: WLAN, version 2, length 100\n# record at 0x9e8: DECT, version 2, length 10\n",
        run.output);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(bytes(image.begin() + 0x984, image.begin() + 0x984 + 100), read_file(folder.path("w.out")));
    EXPECT_EQ(bytes(image.begin() + 0x9EC, image.begin() + 0x9EC + 10), read_file(folder.path("d.out")));
    EXPECT_EQ(image, read_file(folder.path("img")));
  }
}

// Feeding what show_config prints back to set_config -i on the same image with
// the block area erased gives the same 1020 bytes.
TEST(show_config, round_trips_through_set_config) {
  const std::string configs[] = {
      "# settings\nalpha overwrite one two\nbeta keep 7\n",
      "a overwrite\r\nb\tkeep\t\r\n  #hash overwrite  x  y \n c flag   spaced   value  \nd overwrite 1\n",
      "# only comments\n",
      "v1 keep 1\nv2 other\nf overwrite " + std::string(200, 'f') + "\n",
  };
  for (const std::string &config : configs) {
    SCOPED_TRACE(config);
    temp_folder folder;
    bytes written = set_up(folder, config, "a from env\nb 2\nv2 two words\n");
    tool_run shown = run_show(folder, {"-u", "img"});
    ASSERT_EQ(0, shown.status) << shown.output;
    write_text(folder.path("cfg"), shown.output);
    write_file(folder.path("img"), example_image());
    tool_run again = run_tool(folder, {"-u", "img", "-i", "cfg", "-e", "env"});
    ASSERT_EQ(0, again.status) << again.output;
    EXPECT_EQ(written, read_file(folder.path("img"))) << shown.output;
  }
}

struct damage_case {
  const char *title;
  std::vector<patch> changes;  // on the example image with a block begun from its default header
  const char *error;           // the one error line, among what is shown
};

size_t count_errors(const std::string &output) {
  size_t count = 0;
  for (size_t at = output.find("ERROR: "); at != std::string::npos; at = output.find("ERROR: ", at + 1)) count++;
  return count;
}

bytes word(uint32_t value) {
  bytes w(4);
  put_le32(w.data(), value);
  return w;
}

// The example image with a block begun from its default header, as every
// block that set_config writes is: the changes of a case go on top.
bytes headed_image() { return with(example_image(), config_offset, example_header()); }

// Table slots from block offset 112 up to end, each holding pointer.
bytes table_of(uint32_t end, uint32_t pointer) {
  bytes table;
  for (uint32_t slot = 112; slot < end; slot += 4) {
    bytes w = word(pointer);
    table.insert(table.end(), w.begin(), w.end());
  }
  return table;
}

TEST(show_config, refuses_damage_naming_its_offset) {
  bytes full_table = table_of(1016, config_address_base + 1016);
  bytes provisioned = laid_out_block({{"HWRevision", "195"}, {"ProductID", "Example_Box_7000"}},
                                     {{"SerialNumber", "EX0000000001"}, {"firmware_version", "07.50"}});
  const damage_case cases[] = {
      {"pointer outside the block",
       {{0x5EC, word(0x900005F8)}, {0x5F0, word(0x90001000)}},
       "ERROR: tag pointer 0x90001000 at 0x5f0 points outside the config block"},
      {"pointer below the block",
       {{0x5EC, word(0x900005F8)}, {0x5F0, word(0x90000000)}},
       "ERROR: tag pointer 0x90000000 at 0x5f0 points outside the config block"},
      {"string without its NUL",
       {{0x5EC, word(0x90000600)}, {0x5F0, word(0x90000978)}, {0x978, {'a', 'b', 'c', 'd'}}},
       "ERROR: tag string at 0x978 has no end inside the config block"},
      {"table without closing zero words",
       {{0x5EC, word(0x90000600)}, {0x5F0, full_table}, {0x978, {'a', 'b', 'c', 0}}},
       "ERROR: tag table at 0x5f0 has no closing zero words"},
      {"var_data outside the block",
       {{0x5EC, word(0x80000000)}, {0x5F0, bytes(8, 0)}},
       "ERROR: var_data 0x80000000 at 0x5ec points outside the config block"},
      {"var_data one below the lowest it may be",
       {{0x5EC, word(0x900005EF)}, {0x5F0, bytes(8, 0)}},
       "ERROR: var_data 0x900005ef at 0x5ec points outside the config block"},
      {"variable tag running to the block's end",
       {{0x5EC, word(0x90000978)},
        {0x5F0, table_of(1008, config_address_base + 1016)},
        {0x970, bytes(8, 0)},
        {0x978, {'a', 'b', 0, 'c'}}},
       "ERROR: variable tag value at 0x97b has no end inside the config block"},
      // A flash bit lost: var_data points into the table instead of behind it.
      {"var_data not right behind the table",
       {{config_offset, provisioned}, {0x5EC, word(0x900005f0)}},
       "ERROR: var_data 0x900005f0 at 0x5ec does not point right behind the tag table"},
      {"var_data past the variable area's start",
       {{config_offset, provisioned}, {0x5EC, word(0x90000618)}},
       "ERROR: var_data 0x90000618 at 0x5ec does not point right behind the tag table"},
      {"record running past the region",
       {{0x580, worked_example_block()},
        {0x980, record(record_wlan, 0x37C)},
        {0xD00, record_header_bytes(record_wlan, 0xFD)}},
       "ERROR: record at 0xd00 runs past the Config_II region"},
      {"record header cut by the region's end",
       {{0x580, worked_example_block()}, {0x980, record(record_wlan, 0x47A)}, {0xDFE, {2, 0}}},
       "ERROR: record at 0xdfe runs past the Config_II region"},
  };
  for (const damage_case &c : cases) {
    SCOPED_TRACE(c.title);
    temp_folder folder;
    write_file(folder.path("img"), patched(headed_image(), c.changes));
    tool_run run = run_show(folder, {"-u", "img"});
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.output.find(std::string(c.error) + "\n")) << run.output;
    EXPECT_EQ(1u, count_errors(run.output)) << run.output;
  }
}

// A write puts the block's first word and the first record's version byte down
// last: a partition that holds part of one is named as interrupted, with its
// own status, and no payload is written out of it.
TEST(show_config, names_an_interrupted_write) {
  bytes block = worked_example_block();
  bytes wlan = record(record_wlan, 40), dect = record(record_dect, 8);
  const char block_error[] =
      "ERROR: interrupted write in the config block at 0x580: rerun the same set_config command with -r to complete "
      "it\n";
  auto region_error = [](const char *offset) {
    return std::string("ERROR: interrupted write in the Config_II region at ") + offset +
           ": rerun the same set_config command with -r to complete it\n";
  };
  struct interrupted_case {
    const char *title;
    std::vector<patch> changes;  // on the example image
    std::string error;
  };
  const interrupted_case cases[] = {
      {"block written but its first word", {{0x580, block}, {0x580, bytes(4, erased)}}, block_error},
      {"block's first word half programmed", {{0x580, block}, {0x580, {0x03, 0xFF, 0xFF, 0xFF}}}, block_error},
      {"block's first word cut after a byte", {{0x580, block}, {0x581, {0xFF, 0xFF, 0xFF}}}, block_error},
      {"block's first word with one byte torn", {{0x580, block}, {0x580, {0x03, 0x00, 0x00, 0x40}}}, block_error},
      {"block's first word with bytes torn", {{0x580, block}, {0x580, {0x07, 0xFF, 0x10, 0x00}}}, block_error},
      {"block's first word with a bit the default's lacks", {{0x580, block}, {0x580, {0x0B}}}, block_error},
      {"record written but its version byte", {{0x980, wlan}, {0x980, {erased}}}, region_error("0x980")},
      {"version byte half programmed", {{0x980, wlan}, {0x980, {0x06}}}, region_error("0x980")},
      {"second record behind an erased byte", {{0x980, wlan}, {0x9AD, dect}}, region_error("0x9ac")},
      {"record start neither erased nor version 2", {{0x980, wlan}, {0x9AC, {7, 1, 0, 0}}}, region_error("0x9ac")},
  };
  for (const interrupted_case &c : cases) {
    SCOPED_TRACE(c.title);
    temp_folder folder;
    write_file(folder.path("img"), patched(example_image(), c.changes));
    tool_run run = run_show(folder, {"-u", "img", "-w", "w.out"});
    EXPECT_EQ(7, run.status);
    EXPECT_NE(std::string::npos, run.output.find(c.error)) << run.output;
    EXPECT_EQ(1u, count_errors(run.output)) << run.output;
    EXPECT_NE(0, access(folder.path("w.out").c_str(), F_OK));
  }
}

// A block under a first word that programming cannot turn into the default
// header's (one written before the default's version changed) is no cut
// write: it is listed as it is, and a comment says that its lines give the
// default's first word back.
TEST(show_config, lists_a_block_under_another_first_word) {
  struct word_case {
    const char *title;
    std::vector<patch> changes;  // on the example image with the worked example's block
    uint32_t first;              // the block's first word, as changed
    std::string error;           // the error line, when the block is damaged too
    int status;
  };
  const word_case cases[] = {
      {"another version", {{0x580, {0x02}}}, 2, "", 5},
      {"a bit of the default's cleared, one it lacks set", {{0x580, {0x05, 0x00, 0x00, 0x80}}}, 0x80000005, "", 5},
      {"and damaged",
       {{0x580, {0x02}}, {0x5EC, word(0x900005F0)}},
       2,
       "ERROR: var_data 0x900005f0 at 0x5ec does not point right behind the tag table\n",
       1},
  };
  for (const word_case &c : cases) {
    SCOPED_TRACE(c.title);
    temp_folder folder;
    bytes image = patched(with(example_image(), config_offset, worked_example_block()), c.changes);
    write_file(folder.path("img"), image);
    tool_run run = run_show(folder, {"-u", "img"});
    char note[128];
    (void)snprintf(note, sizeof note,
                   "# first word 0x%08x differs from the default header's 0x00000003, which set_config -i writes\n"
                   "# version 0x%08x\n",
                   c.first, c.first);
    std::string header = example_header_lines;
    header.replace(header.find("# version 0x00000003\n"), strlen("# version 0x00000003\n"), note);
    std::string tags = c.error.empty() ? "# var_data 0x90000600\nalpha overwrite one two\nbeta variable 7\n"
                                       : "# var_data 0x900005f0\nalpha overwrite one two\n" + c.error;
    EXPECT_EQ(header + tags + "# Config_II region at 0x980\n# erased\n", run.output);
    EXPECT_EQ(c.status, run.status);
    if (c.status != 5) continue;
    // The listing read back gives the same block under the default's first word.
    expect_read_back(folder, run.output, with(example_image(), config_offset, worked_example_block()));
  }
}

// The limits that the damage checks draw, from the side that passes: the
// lowest var_data (right behind an empty table), and a table whose zero words
// are the block's last pair, its tags all "x overwrite x" and one "x variable x".
// The second shares one string among all its pointers, as set_config never
// lays a block out: its lines build another block (status 5).
TEST(show_config, shows_blocks_at_the_limits) {
  struct limit_case {
    std::vector<patch> changes;
    int status;
  };
  const limit_case limits[] = {
      {{{0x5EC, word(0x900005F8)}, {0x5F0, bytes(8, 0)}}, 0},
      {{{0x5EC, word(0x90000978)},
        {0x5F0, table_of(1008, config_address_base + 1016)},
        {0x970, bytes(8, 0)},
        {0x978, {'x', 0, 'x', 0}}},
       5},
  };
  for (const limit_case &c : limits) {
    SCOPED_TRACE(get_le32(c.changes[0].content.data()));
    temp_folder folder;
    write_file(folder.path("img"), patched(headed_image(), c.changes));
    tool_run run = run_show(folder, {"-u", "img"});
    EXPECT_EQ(c.status, run.status);
    EXPECT_EQ(0u, count_errors(run.output)) << run.output;
  }
}

TEST(show_config, refuses_what_it_cannot_do) {
  temp_folder folder;
  write_file(folder.path("img"), example_image());
  write_file(folder.path("short"), bytes(100, erased));
  const std::string usage =
      "show_config -u tolvanefile [-w wlan_out] [-d dect_out]\n\t-u\t tolvanefile: partition device or image, only "
      "read\n"
      "\t-w\t writes the WLAN record's payload to this file\n\t-d\t writes the DECT record's payload to this file\n";
  struct refusal_case {
    std::vector<std::string> args;
    std::string output;
    int status;
  };
  const refusal_case cases[] = {
      {{}, usage, 2},
      {{"-u"}, usage, 2},
      {{"-w", "x"}, usage, 2},
      {{"-u", "img", "-x", "y"}, usage, 2},
      {{"-u", "short"}, "ERROR: reading file short len 100\n", 3},
      {{"-u", "missing"}, "ERROR: reading file missing len 0\n", 3},
      {{"-u", "img", "-d", "d.out"},
       "# config block at 0x580: erased\n# Config_II region at 0x980\n# erased\nERROR: no DECT record in the Config_II "
       "region\n",
       4},
  };
  for (const refusal_case &c : cases) {
    SCOPED_TRACE(c.output);
    tool_run run = run_show(folder, c.args);
    EXPECT_EQ(c.output, run.output);
    EXPECT_EQ(c.status, run.status);
  }
  write_file(folder.path("img"), with(example_image(), config_II_offset, record(0, 4)));
  tool_run run = run_show(folder, {"-u", "img", "-w", "."});
  EXPECT_EQ(4, run.status);
  EXPECT_NE(std::string::npos, run.output.find("ERROR: cannot write the WLAN payload to .\n")) << run.output;
}

// A payload goes to a plain file only: never over the partition it was read
// from (by any name), nor to a device.
TEST(show_config, never_writes_the_partition_nor_a_device) {
  temp_folder folder;
  bytes image = with(example_image(), config_II_offset, record(0, 4));
  write_file(folder.path("img"), image);
  ASSERT_EQ(0, symlink("img", folder.path("link").c_str()));
  const char *outputs[] = {"img", "link", "/dev/null", "/dev/full"};
  for (const char *output : outputs) {
    for (const char *option : {"-w", "-d"}) {
      SCOPED_TRACE(std::string(option) + " " + output);
      tool_run run = run_show(folder, {"-u", "img", option, output});
      EXPECT_EQ("ERROR: " + std::string(output) + " is the partition or a device: a payload goes to a plain file\n",
                run.output);
      EXPECT_EQ(4, run.status);
      EXPECT_EQ(image, read_file(folder.path("img")));
    }
  }
}

// What an output's name stands for may change between its check and its open
// (the fault library puts a link to the partition or to a device in its
// place at the open): the file opened is checked again, and the payload
// refused.
TEST(show_config, an_output_that_becomes_the_partition_at_its_open_is_refused) {
  if (!fault_shim()) GTEST_SKIP() << "no fault library for this build's tool";
  bytes image = patched(example_image(), {{config_II_offset, record(record_wlan, 4)}, {0x988, record(record_dect, 4)}});
  const std::string listing =
      "# config block at 0x580: erased\n# Config_II region at 0x980\n"
      "# record at 0x980: WLAN, version 2, length 4\n# record at 0x988: DECT, version 2, length 4\n";
  for (const char *target : {"img", "/dev/null"}) {
    for (const char *option : {"-w", "-d"}) {
      SCOPED_TRACE(std::string(option) + " out, linked to " + target);
      temp_folder folder;
      write_file(folder.path("img"), image);
      write_file(folder.path("out"), pattern(10, 1));  // a plain file when it is checked
      preloaded_faults faults(fault_settings{{"SET_CONFIG_RELINK", "out"}, {"SET_CONFIG_RELINK_TO", target}});
      tool_run run = run_show(folder, {"-u", "img", option, "out"});
      EXPECT_EQ(listing + "ERROR: out is the partition or a device: a payload goes to a plain file\n", run.output);
      EXPECT_EQ(4, run.status);
      EXPECT_EQ(image, read_file(folder.path("img")));
    }
  }
}

// A payload output that is a pipe, a process substitution or a FIFO with a
// reader, takes the payload whole; the partition may come from a pipe too.
TEST(show_config, writes_a_payload_into_a_pipe) {
  const char *scripts[] = {
      "timeout 20 $SHOW_CONFIG -u img -w >(cat > w.out); status=$?; wait $!; exit $status",
      "mkfifo fifo; cat fifo > w.out & timeout 20 $SHOW_CONFIG -u img -w fifo; status=$?; wait; exit $status",
      // The pipeline's last command in this shell, so that $! is its substitution's.
      ("shopt -s lastpipe; cat img | timeout 20 $SHOW_CONFIG -u /dev/stdin -w >(cat > w.out); status=$?; wait $!; "
       "exit $status"),
  };
  bytes image = with(example_image(), config_II_offset, record(record_wlan, 1148));
  for (const char *script : scripts) {
    SCOPED_TRACE(script);
    temp_folder folder;
    write_file(folder.path("img"), image);
    tool_run run = run_shell(folder, script);
    EXPECT_EQ(
        "# config block at 0x580: erased\n# Config_II region at 0x980\n# record at 0x980: WLAN, version 2, length "
        "1148\n",
        run.output);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(bytes(image.begin() + 0x984, image.begin() + 0x984 + 1148), read_file(folder.path("w.out")));
    EXPECT_EQ(image, read_file(folder.path("img")));
  }
}

// Full, or closed: the listing, text or JSON, did not reach anyone; standard
// error says so.
TEST(show_config, a_listing_that_cannot_be_written_fails) {
  struct output_case {
    const char *redirection;
    const char *message;
  };
  const output_case cases[] = {
      {"> /dev/full", "show_config: standard output could not be written\n"},
      {">&-", "show_config: standard output is closed: no listing\n"},
  };
  for (const output_case &c : cases) {
    for (const char *format : {"", " -j"}) {
      SCOPED_TRACE(std::string(c.redirection) + format);
      temp_folder folder;
      write_file(folder.path("img"), example_image());
      tool_run run = run_shell(folder, std::string("$SHOW_CONFIG -u img") + format + " " + c.redirection +
                                           " 2> err; status=$?; cat err; exit $status");
      EXPECT_EQ(c.message, run.output);
      EXPECT_EQ(6, run.status);
    }
  }
}

// A value from the environment can make a tag longer than any config line:
// it is listed as a comment that says so, and the status tells that the
// listing does not give the same block back.
TEST(show_config, lists_a_tag_no_config_line_holds_as_a_comment) {
  temp_folder folder;
  std::string value(250, 'v');
  set_up(folder, "mac keep\nshort keep 1\n", "mac " + value + "\n");
  tool_run shown = run_show(folder, {"-u", "img"});
  EXPECT_EQ(std::string(example_header_lines) + "# var_data 0x900005f8\n" +
                "# tag too long for a config line (263 characters, at most 255): mac variable " + value + "\n" +
                "short variable 1\n# Config_II region at 0x980\n# erased\n",
            shown.output);
  EXPECT_EQ(5, shown.status);
  write_text(folder.path("cfg"), shown.output);
  write_file(folder.path("img"), example_image());
  tool_run again = run_tool(folder, {"-u", "img", "-i", "cfg", "-e", "env"});
  EXPECT_EQ(0, again.status) << again.output;
}

// The example files' run with one bit of var_data lost (0x90000610 becomes
// 0x90000600): the pointer table is no variable area, the block is damaged.
TEST(show_config, a_var_data_off_the_table_is_damage) {
  temp_folder folder;
  bytes image = set_up(folder,
                       "HWRevision overwrite 195\nProductID overwrite Example_Box_7000\nSerialNumber keep\n"
                       "maca overwrite\nfirmware_version keep 07.50\nlinux_fs_start keep 0\n",
                       "SerialNumber EX0000000001\nmaca 00:00:5E:00:53:01\n");
  ASSERT_EQ(0x10, image[config_offset + header_var_data]);
  image[config_offset + header_var_data] = 0;
  write_file(folder.path("img"), image);
  tool_run run = run_show(folder, {"-u", "img"});
  EXPECT_EQ(std::string(example_header_lines) +
                "# var_data 0x90000600\nHWRevision overwrite 195\nProductID overwrite Example_Box_7000\n"
                "maca overwrite 00:00:5E:00:53:01\n"
                "ERROR: var_data 0x90000600 at 0x5ec does not point right behind the tag table\n"
                "# Config_II region at 0x980\n# erased\n",
            run.output);
  EXPECT_EQ(1, run.status);
}

// Tags that no config line gives back are comments saying why, one line each
// whatever bytes they hold; the listing reads back into the other tags only.
TEST(show_config, lists_a_tag_no_line_reads_back_as_a_comment) {
  temp_folder folder;
  tags fixed = {{"nl", "a\nINJECT overwrite 1"},
                {"two words", "v"},
                {"lead", " v"},
                {"trail", "v "},
                {"tab", "a\tb"},
                {"cr", "a\rb"},
                {"empty", ""},
                {"\xff"
                 "ff",
                 "v"},
                {"", "v"},
                {"#kept", "one two"}};
  tags variable = {{"line\nend", "v"}, {"kept", "\x01 x"}};
  write_file(folder.path("img"), with(example_image(), config_offset, laid_out_block(fixed, variable)));
  tool_run shown = run_show(folder, {"-u", "img"});
  EXPECT_EQ(
      std::string(example_header_lines) +
          "# var_data 0x90000648\n"
          "# tag that no config line holds (tab or line end in the value): nl overwrite a\\x0aINJECT overwrite 1\n"
          "# tag that no config line holds (blank or line end in the name): two words overwrite v\n"
          "# tag that no config line holds (blank at the start or end of the value): lead overwrite  v\n"
          "# tag that no config line holds (blank at the start or end of the value): trail overwrite v \n"
          "# tag that no config line holds (tab or line end in the value): tab overwrite a\\x09b\n"
          "# tag that no config line holds (tab or line end in the value): cr overwrite a\\x0db\n"
          "# tag that no config line holds (empty value): empty overwrite \n"
          "# tag that no config line holds (name begins with byte 0xFF): \xff"
          "ff overwrite v\n"
          "# tag that no config line holds (empty name):  overwrite v\n"
          " #kept overwrite one two\n"
          "# tag that no config line holds (blank or line end in the name): line\\x0aend variable v\n"
          "kept variable \x01 x\n"
          "# Config_II region at 0x980\n# erased\n",
      shown.output);
  EXPECT_EQ(5, shown.status);
  write_text(folder.path("cfg"), shown.output);
  write_text(folder.path("env"), "unused 1\n");
  write_file(folder.path("img"), example_image());
  tool_run again = run_tool(folder, {"-u", "img", "-i", "cfg", "-e", "env"});
  EXPECT_EQ(0, again.status) << again.output;
  EXPECT_EQ(with(example_image(), config_offset, laid_out_block({{"#kept", "one two"}}, {{"kept", "\x01 x"}})),
            read_file(folder.path("img")));
}

// The round trip as a property, over blocks whose tags hold every awkward
// byte (blanks, tabs, CRs, LFs, 0xFF, '#', control bytes; an empty string is a
// NUL at once): every listing that exits 0 gives the same block back through
// set_config -i, and every listing keeps one line a tag, comment or not.
TEST(show_config, every_listing_that_exits_0_reads_back) {
  tag_generator generator(20261217);
  int listed = 0, commented = 0;
  for (int round = 0; round < 120 / sweep_stride(); round++) {
    tags fixed = generator.some(false), variable = generator.some(true);
    bytes image = with(example_image(), config_offset, laid_out_block(fixed, variable));
    temp_folder folder;
    write_file(folder.path("img"), image);
    tool_run shown = run_show(folder, {"-u", "img"});
    SCOPED_TRACE(shown.output);
    ASSERT_TRUE(shown.status == 0 || shown.status == 5);
    size_t lines = (size_t)std::count(shown.output.begin(), shown.output.end(), '\n');
    // The block's line, one a header field, one a tag, and the region's two.
    EXPECT_EQ(1 + header_field_count + fixed.size() + variable.size() + 2, lines);
    if (shown.status != 0) {
      commented++;
      continue;
    }
    listed++;
    expect_read_back(folder, shown.output, image);
  }
  // The generator reaches both kinds of listing (where every round runs).
  if (sweep_stride() == 1) {
    EXPECT_GE(listed, 20);
    EXPECT_GE(commented, 20);
  }
  RecordProperty("listed", listed);
  RecordProperty("commented", commented);
}

}  // namespace

namespace {

// A listing answers 0 only when its lines build the same block through
// set_config -i: a block that the builder refuses, or that it would lay out
// otherwise, is listed with a comment saying why (status 5).
TEST(show_config, checks_that_its_lines_build_the_block) {
  tags sixty_five;
  for (int i = 0; i < 65; i++) sixty_five.emplace_back("v" + std::to_string(i), "1");
  tags nine_hundred;  // 9 pairs of 100 bytes, the last one a byte short
  for (int i = 0; i < 9; i++) nine_hundred.emplace_back("a" + std::to_string(i), std::string(i < 8 ? 96 : 95, 'v'));
  bytes full = laid_out_block({}, nine_hundred);
  put_bytes(full, config_size - 2, {'v', 0});  // now the variable area meets the block's end
  bytes stray = with(worked_example_block(), 700, {'x'});
  bytes shared = laid_out_block({{"a", "1"}, {"b", "1"}}, {});
  put_bytes(shared, header_size + 8, word(get_le32(&shared[header_size])));  // b's value is a's
  const std::string refused = "# set_config -i refuses these lines: ";
  const std::string differs = "# these lines build another block through set_config -i: it differs at 0x";
  struct block_case {
    const char *title;
    bytes block;
    std::string comment;
  };
  const block_case cases[] = {
      {"65 variable tags", laid_out_block({}, sixty_five), refused + "too many variable tags at v64\n"},
      {"a variable area that fills the room", full, refused + "no Memory available 900 need 900\n"},
      {"a stray byte", stray, differs + "83c\n"},
      {"a variable name that begins with 0xFF",
       laid_out_block({}, {{"a", "1"},
                           {"\xff"
                            "b",
                            "2"}}),
       differs + "5fd\n"},
      {"two pointers to one string", shared, differs + "5f8\n"},
  };
  for (const block_case &c : cases) {
    SCOPED_TRACE(c.title);
    temp_folder folder;
    write_file(folder.path("img"), with(example_image(), config_offset, c.block));
    tool_run run = run_show(folder, {"-u", "img"});
    EXPECT_EQ(5, run.status);
    EXPECT_NE(std::string::npos, run.output.find(c.comment)) << run.output;
    EXPECT_EQ(0u, count_errors(run.output)) << run.output;
  }
}

// The round trip as a property over blocks that set_config would not lay out
// so: a stray byte, a pointer to another tag's string, a variable name that
// begins with 0xFF, many tags. Every listing that exits 0 builds the same
// block through set_config -i onto a fresh image.
TEST(show_config, a_listing_that_exits_0_builds_the_same_block) {
  tag_generator generator(20261211);
  std::mt19937 random(20261211);
  int listed = 0, refused = 0;
  for (int round = 0; round < 100 / sweep_stride(); round++) {
    tags fixed = generator.some(false), variable = generator.some(true);
    if (round % 10 == 9) {
      for (int i = 0; i < 62; i++) variable.emplace_back("n" + std::to_string(i), "v");
    }
    bytes block = laid_out_block(fixed, variable);
    uint32_t at = header_size + 8 + (uint32_t)(random() % (config_size - header_size - 8));
    switch (round % 4) {
      case 1:
        if (block[at] == erased) block[at] = 'x';
        break;
      case 2:
        if (fixed.size() >= 2) put_bytes(block, header_size + 8, word(get_le32(&block[header_size])));
        break;
      case 3:
        if (variable.size() >= 2)
          block[header_size + 8 * fixed.size() + 8 + variable[0].first.size() + 1 + variable[0].second.size() + 1] =
              erased;
        break;
      default: break;
    }
    bytes image = with(example_image(), config_offset, block);
    temp_folder folder;
    write_file(folder.path("img"), image);
    tool_run shown = run_show(folder, {"-u", "img"});
    SCOPED_TRACE(shown.output);
    ASSERT_TRUE(shown.status == 0 || shown.status == 5 || shown.status == 1);
    if (shown.status != 0) {
      refused++;
      continue;
    }
    listed++;
    expect_read_back(folder, shown.output, image);
  }
  if (sweep_stride() == 1) {
    EXPECT_GE(listed, 20);
    EXPECT_GE(refused, 20);
  }
}

}  // namespace
