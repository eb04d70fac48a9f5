// show_config -j, run as built: the object parses (tests/json_listing.py,
// with Python's json module), carries its schema version and every member
// the manual page names in every object, stands for the same listing as the
// text one of the same partition, exits with the same status, and keeps every
// byte of the block's names and values.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/layout.h"
#include "calibration/records.h"
#include "tests/fixture.h"

namespace {

// Runs show_config -j with args in folder and reads its object back with
// mode ("listing" or "tags"), which checks its version and members first; the
// exit status follows as "exit N".
std::string read_back(const temp_folder &folder, const std::vector<std::string> &args, const char *mode) {
  std::string script = "$SHOW_CONFIG -j";
  for (const std::string &arg : args) script += " '" + arg + "'";
  script += " > listing.json; status=$?; python3 " JSON_LISTING_SCRIPT " ";
  script += mode;
  script += " < listing.json || exit 99; echo \"exit $status\"";
  tool_run run = run_shell(folder, script);
  EXPECT_EQ(0, run.status) << run.output << read_file(folder.path("listing.json")).size();
  return run.output;
}

// The JSON listing of image with args equals its text listing, status included.
void expect_same_listing(const bytes &image, const std::vector<std::string> &args) {
  temp_folder folder;
  write_file(folder.path("img"), image);
  tool_run text = run_show(folder, args);
  std::string json = read_back(folder, args, "listing");
  EXPECT_EQ(text.output + "status " + std::to_string(text.status) + "\nexit " + std::to_string(text.status) + "\n",
            json);
}

bytes word(uint32_t value) {
  bytes w(4);
  put_le32(w.data(), value);
  return w;
}

TEST(show_config_json, stands_for_the_text_listing) {
  bytes provisioned = with(
      with(with(example_image(), config_offset, worked_example_block()), config_II_offset, record(record_wlan, 100)),
      0x9E8, record(record_dect, 10));
  bytes headed = with(example_image(), config_offset, example_header());
  tags awkward = {{"nl", "a\nb"}, {"two words", "v"}, {"lead", " v"}, {"empty", ""},
                  {"\xff", "v"},  {"", "v"},          {"#kept", "x"}, {"long", std::string(250, 'v')}};
  tags sixty_five;
  for (int i = 0; i < 65; i++) sixty_five.emplace_back("v" + std::to_string(i), "1");
  struct json_case {
    const char *title;
    bytes image;
    std::vector<std::string> args;
  };
  const json_case cases[] = {
      {"erased", example_image(), {"-u", "img"}},
      {"whole, payloads written", provisioned, {"-u", "img", "-w", "w.out", "-d", "d.out"}},
      {"a record of another type", with(example_image(), 0x980, {2, 7, 1, 0, 0x55}), {"-u", "img"}},
      {"tags no config line holds",
       with(example_image(), config_offset, laid_out_block(awkward, {{"v", "\x01"}})),
       {"-u", "img"}},
      {"block interrupted", with(provisioned, config_offset, bytes(4, erased)), {"-u", "img", "-w", "w.out"}},
      {"region interrupted", with(provisioned, 0x9E8, {erased}), {"-u", "img"}},
      {"block's first word half programmed", with(provisioned, config_offset, {0x07, 0xFF}), {"-u", "img"}},
      {"block under another first word", with(provisioned, config_offset, {0x02}), {"-u", "img", "-w", "w.out"}},
      {"lines that build another block", with(provisioned, 0x5F0 + 700, {'x'}), {"-u", "img"}},
      {"lines that set_config refuses",
       with(example_image(), config_offset, laid_out_block({}, sixty_five)),
       {"-u", "img"}},
      {"damaged block under another first word",
       with(with(provisioned, config_offset, {0x02}), 0x5EC, word(0x900005F0)),
       {"-u", "img"}},
      {"pointer outside the block",
       with(with(headed, 0x5EC, word(0x900005F8)), 0x5F0, word(0x90001000)),
       {"-u", "img"}},
      {"var_data misplaced", with(provisioned, 0x5EC, word(0x900005F0)), {"-u", "img"}},
      {"record past the region", with(provisioned, 0xD00, {2, 0, 0xFD, 0}), {"-u", "img"}},
      {"short partition", bytes(100, erased), {"-u", "img"}},
      {"missing partition", example_image(), {"-u", "missing"}},
      {"no record asked for", example_image(), {"-u", "img", "-d", "d.out"}},
      {"payload into the partition", provisioned, {"-u", "img", "-w", "img"}},
      {"payload into a folder", provisioned, {"-u", "img", "-w", "."}},
  };
  for (const json_case &c : cases) {
    SCOPED_TRACE(c.title);
    expect_same_listing(c.image, c.args);
  }
}

// The round trip property's blocks, with records of any type and length.
TEST(show_config_json, stands_for_the_text_listing_of_random_partitions) {
  tag_generator generator(20261218);
  std::mt19937 random(7);
  for (int round = 0; round < 40 / sweep_stride(); round++) {
    SCOPED_TRACE(round);
    bytes image = with(example_image(), config_offset, laid_out_block(generator.some(false), generator.some(true)));
    uint32_t at = config_II_offset;
    for (uint32_t n = random() % 4; n > 0; n--) {
      auto length = (uint16_t)(random() % 500);
      bytes one = record((uint8_t)(random() % 3), length);
      if (random() % 8 == 0) one[0] = (uint8_t)random();  // now and then a cut or unknown record start
      if (at + one.size() > config_II_offset + config_II_size) one.resize(config_II_offset + config_II_size - at);
      put_bytes(image, at, one);
      at += (uint32_t)one.size();
    }
    expect_same_listing(image, {"-u", "img"});
  }
}

// Every byte of a name or value comes back as it was, whatever JSON must escape.
TEST(show_config_json, keeps_every_byte_of_names_and_values) {
  std::string every;
  for (int byte = 1; byte < 256; byte++) every += (char)byte;
  auto hex = [](const std::string &string) {
    std::string out;
    char two[3];
    for (char c : string) (void)snprintf(two, sizeof two, "%02x", (uint8_t)c), out += two;
    return out;
  };
  tags fixed = {{"quote\"", "back\\slash"},
                {"\x01\x1f\x7f", "\n\r\t\b\f"},
                {"\xff\xfe", "\xc3\xa9 not UTF-8 \xc3"},
                {"every", every.substr(0, 200)}};
  tags variable = {{"rest", every.substr(200)}, {"</script>", "\\u0041"}};
  temp_folder folder;
  write_file(folder.path("img"), with(example_image(), config_offset, laid_out_block(fixed, variable)));
  std::string expected;
  for (const auto &[name, value] : fixed) expected += "overwrite " + hex(name) + " " + hex(value) + "\n";
  for (const auto &[name, value] : variable) expected += "variable " + hex(name) + " " + hex(value) + "\n";
  EXPECT_EQ(expected + "exit 5\n", read_back(folder, {"-u", "img"}, "tags"));
}

// The members the reader checks every object against are those the manual
// page's JSON LISTING section names, kind by kind and in order; the page
// gives the same schema version, and its example has every member.
TEST(show_config_json, manual_page_names_the_members_the_reader_checks) {
  temp_folder folder;
  tool_run run = run_shell(folder, "python3 " JSON_LISTING_SCRIPT " manual 2>&1");
  EXPECT_EQ(0, run.status) << run.output;
}

// The reader refuses an object whose version differs, that lacks a member or
// has one it does not know, or that holds null where a value applies: so
// every object the tests above read has each member, and the version.
TEST(show_config_json, reader_refuses_another_shape) {
  temp_folder folder;
  write_file(folder.path("img"),
             with(with(example_image(), config_offset, laid_out_block({{"kept", "v"}}, {{"empty", ""}})),
                  config_II_offset, record(record_wlan, 10)));
  ASSERT_EQ("overwrite 6b657074 76\nvariable 656d707479 \nexit 5\n", read_back(folder, {"-u", "img"}, "tags"));
  bytes object = read_file(folder.path("listing.json"));
  const std::string json(object.begin(), object.end());
  struct shape_case {
    const char *title;
    const char *from, *to;  // the first from in the object becomes to
  };
  const shape_case cases[] = {
      {"another version", "{\"schema_version\":1,", "{\"schema_version\":2,"},
      {"no version", "{\"schema_version\":1,", "{"},
      {"an unknown member", "\"errors\":", "\"later\":null,\"errors\":"},
      {"a header field lacking", "\"memsize\":", "\"mem_size\":"},
      {"a tag without its reason", ",\"reason\":null", ""},
      {"a comment without its reason", "\"reason\":\"tag that no config line holds (empty value)\"", "\"reason\":null"},
      {"the block without its message", "\"state\":\"whole\",\"message\":null,", "\"state\":\"whole\","},
      {"the block without default_first_word", ",\"default_first_word\":null", ""},
      {"the region without its message", ",\"message\":null}", "}"},
      {"a message on a whole region", ",\"message\":null}", ",\"message\":\"x\"}"},
      {"a record without its type name", "\"type_name\":\"WLAN\",", ""},
      {"members out of order", "\"errors\":[],\"status\":5", "\"status\":5,\"errors\":[]"},
  };
  for (const shape_case &c : cases) {
    SCOPED_TRACE(c.title);
    std::string changed = json;
    size_t at = changed.find(c.from);
    ASSERT_NE(std::string::npos, at) << json;
    changed.replace(at, strlen(c.from), c.to);
    write_text(folder.path("changed.json"), changed);
    tool_run run = run_shell(folder, "python3 " JSON_LISTING_SCRIPT " listing < changed.json > /dev/null 2>&1");
    EXPECT_EQ(1, run.status) << changed;
  }
}

// Standard output holds the object only, or nothing: never the partition.
TEST(show_config_json, never_goes_into_the_partition) {
  temp_folder folder;
  write_file(folder.path("img"), example_image());
  tool_run run = run_shell(folder, "$SHOW_CONFIG -j -u img >> img 2> err; status=$?; cat err; exit $status");
  EXPECT_EQ("show_config: standard output is the partition img\n", run.output);
  EXPECT_EQ(6, run.status);
  EXPECT_EQ(example_image(), read_file(folder.path("img")));
}

}  // namespace
