#include "config/builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/result.h"
#include "config/block.h"
#include "tests/fixture.h"

namespace {

struct build {
  int result;
  std::string output;
  bytes block;
};

// Builds a block from config text and environment text, with an example header.
build build_from(const std::string &config, const std::string &environment = "") {
  temp_folder folder;
  write_text(folder.path("cfg"), config);
  std::vector<char> env(env_buffer_size, '\0');
  memcpy(env.data(), environment.data(), std::min(environment.size(), env.size() - 1));
  build b{0, "", bytes(config_size, erased)};
  put_bytes(b.block, 0, example_header());
  testing::internal::CaptureStdout();
  b.result = build_tolvane_config(folder.path("cfg").c_str(), b.block, env.data());
  b.output = testing::internal::GetCapturedStdout();
  return b;
}

// The block of a comments-only file: the table is its two zero words.
bytes empty_table_block() {
  bytes block(config_size, erased);
  put_bytes(block, 0, example_header());
  put_le32(&block[header_var_data], 0x900005F8);
  put_bytes(block, 112, bytes(8, 0));
  return block;
}

TEST(build_tolvane_config, gives_the_expected_block) {
  struct block_case {
    const char *title;
    const char *config;
    const char *environment;
    bytes block;
    const char *output;
  };
  const block_case cases[] = {
      {"worked example", worked_example_config, "", worked_example_block(), ""},
      {"CR LF line ends", "# settings\r\nalpha overwrite one two\r\nbeta keep 7\r\n", "beta 9\nalpha zero\n",
       worked_example_block(), ""},
      {"no final line end", "# settings\nalpha overwrite one two\nbeta keep 7", "beta 9\nalpha zero\n",
       worked_example_block(), ""},
      {"blanks, tabs and empty lines", "\n# settings\n\n  \talpha\toverwrite  one two  \n\nbeta  keep 7\t# note\n",
       "beta 9\nalpha zero\n", worked_example_block(), ""},
      {"comments only", "# only\n#comments\n", "", empty_table_block(), ""},
  };
  for (const block_case &c : cases) {
    SCOPED_TRACE(c.title);
    build b = build_from(c.config, c.environment);
    EXPECT_EQ(result_ok, b.result);
    EXPECT_EQ(c.output, b.output);
    EXPECT_EQ(c.block, b.block);
  }
}

struct value_case {
  const char *config;
  const char *environment;
  const char *value;  // of the one tag, "beta" (variable) or "alpha" (fixed)
  uint32_t at;        // the value's block offset: behind "beta\0" in the variable area, or at the block's top
};

TEST(build_tolvane_config, takes_empty_values_from_the_environment) {
  const value_case cases[] = {
      {"beta keep 7", "beta 9\n", "7", 125},  // a value in the file is kept, line end or not
      {"beta keep", "beta 9\n", "9", 125},
      {"beta keep  \n", "beta nine and more\t#\n", "nine and more", 125},
      {"beta \n", "#beta 1\nbeta 9\nbeta 10\n", "9", 125},  // an empty flag makes a variable tag
      {"alpha overwrite\n", "alpha one two\n", "one two", 1012},
  };
  for (const value_case &c : cases) {
    SCOPED_TRACE(c.config);
    build b = build_from(c.config, c.environment);
    ASSERT_EQ(result_ok, b.result) << b.output;
    EXPECT_STREQ(c.value, (const char *)&b.block[c.at]);
  }
}

struct failure_case {
  std::string config;
  const char *environment;
  int result;
  std::string output;
};

std::string tags(int count, const char *flag) {
  std::string text;
  for (int i = 0; i < count; i++) text += "t" + std::to_string(i) + " " + flag + " v\n";
  return text;
}

// Three fixed tags of 2 + 244 bytes and a fourth "d" with a value of length chars.
std::string fixed_tags(size_t length) {
  std::string text;
  for (const char *name : {"a", "b", "c"}) text += std::string(name) + " overwrite " + std::string(243, 'v') + "\n";
  return text + "d overwrite " + std::string(length, 'w') + "\n";
}

// Variable pairs needing 753 + 4 + length bytes.
std::string variable_tags(size_t length) {
  std::string text;
  for (int i = 0; i < 3; i++) text += "big keep " + std::string(246, 'v') + "\n";
  return text + "b2 keep " + std::string(length, 'w') + "\n";
}

TEST(build_tolvane_config, decides_at_its_limits) {
  const failure_case cases[] = {
      {"alpha\n", "", result_config_file, "ERROR: no flag found for alpha\n"},
      {"ok keep 1\nalpha", "", result_config_file, "ERROR: no flag found for alpha\n"},
      {"   \t \n", "", result_config_file, "ERROR: no flag found for \n"},
      {"alpha overwrite\n", "beta 1\n", result_no_value,
       "ERROR: keinen Parameter f\xfc"
       "r alpha gefunden"},
      {"alpha overwrite\n", "alpha\n", result_no_value,
       "ERROR: keinen Parameter f\xfc"
       "r alpha gefunden"},
      {"alpha overwrite\nbeta\n", "", result_no_value,
       "ERROR: keinen Parameter f\xfc"
       "r alpha gefunden"},
      // An editor's byte-order mark is no part of the first tag's name.
      {"\xEF\xBB\xBF"
       "alpha overwrite 1\n",
       "", result_config_file, "ERROR: config line 1 begins with a byte-order mark\n"},
      {"\xEF\xBB\xBF# settings\n", "", result_config_file, "ERROR: config line 1 begins with a byte-order mark\n"},
      {tags(64, "keep"), "", result_ok, ""},
      {tags(64, "keep") + "last keep v\n", "", result_no_memory, "ERROR: too many variable tags at last\n"},
      {tags(64, "keep") + "last keep\n", "", result_no_value,
       "ERROR: keinen Parameter f\xfc"
       "r last gefunden"},
      // The table meets the strings: the last fitting tag leaves no byte for the
      // variable area, and equal room is too little there.
      {fixed_tags(126), "", result_ok, ""},
      {fixed_tags(127), "", result_no_memory, "no Memory available 0 need 0\n"},
      {fixed_tags(128), "", result_no_memory, "ERROR: no room for tag d\n"},
      {variable_tags(142), "", result_ok, ""},
      {variable_tags(143), "", result_no_memory, "no Memory available 900 need 900\n"},
  };
  for (const failure_case &c : cases) {
    SCOPED_TRACE(c.config.substr(0, 40) + "... " + std::to_string(c.config.size()));
    build b = build_from(c.config, c.environment);
    EXPECT_EQ(c.result, b.result);
    EXPECT_EQ(c.output, b.output);
  }
}

TEST(build_tolvane_config, takes_a_long_line_whole) {
  struct long_case {
    std::string config;
    int result;
    std::string output;
  };
  const long_case cases[] = {
      {"a keep " + std::string(248, 'v') + "\n", result_ok, ""},
      {"a keep " + std::string(248, 'v') + "\r\n", result_ok, ""},
      {"a keep " + std::string(248, 'v'), result_ok, ""},
      {"a keep " + std::string(249, 'v') + "\n", result_config_file, "ERROR: line too long for a\n"},
      {"#" + std::string(400, 'c') + " x overwrite y\n", result_ok, ""},
      {std::string(300, 'n') + " keep 1\n", result_config_file,
       "ERROR: line too long for " + std::string(255, 'n') + "\n"},
  };
  for (const long_case &c : cases) {
    SCOPED_TRACE(c.config.size());
    build b = build_from(c.config);
    EXPECT_EQ(c.result, b.result);
    EXPECT_EQ(c.output, b.output);
  }
  // An overlong comment adds nothing: its tail is no tag.
  build comment = build_from("#" + std::string(400, 'c') + " x overwrite y\n");
  EXPECT_EQ(0x900005F8u, get_le32(&comment.block[header_var_data]));
}

TEST(build_tolvane_config, needs_a_readable_config_file) {
  temp_folder folder;
  bytes block(config_size, erased);
  struct open_case {
    const char *path;
    std::string output;
  };
  const open_case cases[] = {
      {nullptr, "ERROR: open config_file (null)\n"},
      {"/nonexistent/cfg", "ERROR: open config_file /nonexistent/cfg\n"},
      {folder.root().c_str(), "ERROR: open config_file " + folder.root() + "\n"},
  };
  for (const open_case &c : cases) {
    SCOPED_TRACE(c.output);
    testing::internal::CaptureStdout();
    EXPECT_EQ(result_config_file, build_tolvane_config(c.path, block, ""));
    EXPECT_EQ(c.output, testing::internal::GetCapturedStdout());
  }
}

TEST(append_tag_copies, counts_what_the_pairs_need) {
  var_tag_list list{};
  EXPECT_EQ(0, append_tag_copies(list, "beta", "7"));
  EXPECT_EQ(0, append_tag_copies(list, "", "x"));
  EXPECT_EQ(2u, list.count);
  EXPECT_EQ(7u + 3u, list.total_len);
  EXPECT_STREQ("beta", list.name[0]);
  EXPECT_STREQ("x", list.value[1]);
  free_var_data(list);
  EXPECT_EQ(0u, list.count);
}

}  // namespace
