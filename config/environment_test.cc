#include "config/environment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/layout.h"
#include "driver/trace.h"

namespace {

// An environment buffer as the run holds it: zero-filled, the text at its start.
struct environment {
  std::vector<char> buffer = std::vector<char>(env_buffer_size, '\0');
  explicit environment(const std::string &text) {
    memcpy(buffer.data(), text.data(), std::min(text.size(), buffer.size() - 1));
    p_env = buffer.data();
  }
  const char *text() const { return buffer.data(); }
};

std::vector<std::string> lines_of(const environment &env, size_t line_size) {
  std::vector<std::string> lines;
  seek(env.text(), 0, 0);
  std::vector<char> line(line_size + 1, '#');
  while (int count = get_env_line({line.data(), line_size})) {
    EXPECT_EQ('#', line[line_size]);  // nothing past the buffer
    lines.push_back(line.data());
    if (lines.size() > 100) break;
    (void)count;
  }
  return lines;
}

TEST(get_env_line, delivers_lines_with_their_line_ends) {
  environment env("name1\tvalue1\nname2 value2\r\n\n\nname3\n");
  std::vector<std::string> expected = {"name1\tvalue1\n", "name2 value2\r\n\n\n", "name3\n"};
  EXPECT_EQ(expected, lines_of(env, 256));
  environment leading("\n\r\nname x\n");
  EXPECT_EQ((std::vector<std::string>{"\n\r\n", "name x\n"}), lines_of(leading, 256));
}

TEST(get_env_line, cuts_a_line_too_long_for_the_buffer) {
  std::string exact(254, 'a');
  std::string over(255, 'b');
  environment env(exact + "\n" + over + "\n" + exact + std::string(20, '\n'));
  std::vector<std::string> lines = lines_of(env, 256);
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(exact + "\n", lines[0]);
  EXPECT_EQ(std::string(254, 'b'), lines[1]);
  EXPECT_EQ("b\n", lines[2]);
  EXPECT_EQ(exact + "\n", lines[3]);  // the run of line ends is consumed, as much as fits kept
  EXPECT_EQ('\0', *p_env);
}

TEST(seek, refuses_what_is_not_a_rewind_inside_the_buffer) {
  environment env("x");
  const char *before = p_env;
  EXPECT_EQ(-1, seek(env.text(), 0, 1));
  EXPECT_EQ(-1, seek(env.text(), env_buffer_size, 0));
  EXPECT_EQ(-1, seek(env.text(), -1, 0));
  EXPECT_EQ(before, p_env);
  EXPECT_EQ(0, seek(env.text(), env_buffer_size - 1, 0));
  EXPECT_EQ(env.text() + env_buffer_size - 1, p_env);
}

struct search_case {
  const char *name;
  int result;
  const char *value;  // out afterwards; "untouched" when not found
};

TEST(search_env, finds_the_first_exact_name) {
  environment env(
      "\n#name1 comment\nname1\tvalue1\nname2 value2\r\n\n\nname3\nname1 second\nname4   spaced value \t x\n");
  const search_case cases[] = {
      {"name1", 0, "value1"}, {"name2", 0, "value2"},       {"name3", 0, ""},
      {"Name1", 1, "untouched"}, {"name", 1, "untouched"}, {"name4", 0, "spaced value"},
      {"#name1", 1, "untouched"},
  };
  for (const search_case &c : cases) {
    SCOPED_TRACE(c.name);
    char out[256] = "untouched";
    EXPECT_EQ(c.result, search_env(env.text(), out, c.name));
    EXPECT_STREQ(c.value, out);
  }
}

TEST(search_env, stays_inside_its_buffers_on_long_lines) {
  std::string long_name(300, 'n');
  environment env(long_name + " value\n" + std::string(254, 'k') + "\n" + "short " + std::string(250, 'v') + "\n");
  char out[256];
  EXPECT_EQ(1, search_env(env.text(), out, long_name.c_str()));
  EXPECT_EQ(0, search_env(env.text(), out, std::string(254, 'k').c_str()));
  EXPECT_STREQ("", out);
  EXPECT_EQ(0, search_env(env.text(), out, "short"));
  EXPECT_EQ(std::string(248, 'v'), out);  // the rest of the cut line is a line of its own
}

// Quiet look-ups go straight to the name's occurrences; traced ones walk every
// line. Both must find the same line.
TEST(search_env, finds_the_same_line_quiet_or_traced) {
  std::string blanks252(252, ' ');
  const std::string texts[] = {
      "other name\nxname 1\nname_x 2\n  name 3\n",
      "#name 1\n\tname\t2\n",
      "\n\n\rname 4\n",
      std::string(254, ' ') + "name 5\n",               // a piece of blanks, then the name starts a piece
      blanks252 + "name 6\nname 7\n",                  // the name is cut at the piece's end
      std::string(254, 'x') + "#name 8\nname 9",       // a piece that starts with '#'
      std::string(254, 'x') + "name\n",                 // a piece that is the name alone
      std::string(508, 'y') + "  name 10\n",
      "namename 11\nname name 12\n",
      "a b\nnam\nname",
      std::string(300, '\n') + "name 13",
  };
  const char *names[] = {"name", "nam", "x", "xname", "#name"};
  for (const std::string &text : texts) {
    environment env(text);
    for (const char *name : names) {
      SCOPED_TRACE(text.substr(0, 30) + " / " + name);
      char quiet[256] = "untouched", traced[256] = "untouched";
      int quiet_result = search_env(env.text(), quiet, name);
      silent = 0;
      testing::internal::CaptureStdout();
      int traced_result = search_env(env.text(), traced, name);
      testing::internal::GetCapturedStdout();
      silent = 1;
      EXPECT_EQ(traced_result, quiet_result);
      EXPECT_STREQ(traced, quiet);
    }
  }
}

}  // namespace
