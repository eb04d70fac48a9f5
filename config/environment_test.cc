#include "config/environment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/layout.h"
#include "base/trace.h"

namespace {

// An environment buffer as the run holds it: zero-filled, the text at its start.
struct environment {
  std::vector<char> buffer = std::vector<char>(env_buffer_size, '\0');
  explicit environment(const std::string &text) {
    memcpy(buffer.data(), text.data(), std::min(text.size(), buffer.size() - 1));
    seek(buffer.data(), 0, 0);
  }
  const char *text() const { return buffer.data(); }
};

// The lines delivered from the start of the text. Their counts add up to the
// whole text: each line is consumed with its line ends, nothing more.
std::vector<std::string> lines_of(const environment &env, size_t line_size) {
  std::vector<std::string> lines;
  seek(env.text(), 0, 0);
  std::vector<char> line(line_size + 1, '#');
  size_t consumed = 0;
  while (int count = get_env_line({line.data(), line_size})) {
    EXPECT_EQ('#', line[line_size]);  // nothing past the buffer
    EXPECT_GT(count, 0);
    consumed += (size_t)count;
    lines.push_back(line.data());
    if (lines.size() > 100) break;
  }
  EXPECT_EQ(strlen(env.text()), consumed);
  return lines;
}

TEST(get_env_line, delivers_lines_with_their_line_ends) {
  environment env("name1\tvalue1\nname2 value2\r\n\n\nname3\n");
  std::vector<std::string> expected = {"name1\tvalue1\n", "name2 value2\r\n\n\n", "name3\n"};
  EXPECT_EQ(expected, lines_of(env, 256));
  environment leading("\n\r\nname x\n");
  EXPECT_EQ((std::vector<std::string>{"\n\r\n", "name x\n"}), lines_of(leading, 256));
}

TEST(get_env_line, delivers_a_line_too_long_empty) {
  std::string exact(254, 'a');
  std::string over(255, 'b');
  environment env(exact + "\n" + over + "\r\n" + exact + std::string(20, '\n') + over);
  std::vector<std::string> lines = lines_of(env, 256);
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(exact + "\n", lines[0]);
  EXPECT_EQ("", lines[1]);            // skipped whole, its line ends with it
  EXPECT_EQ(exact + "\n", lines[2]);  // the run of line ends is consumed, as much as fits kept
  EXPECT_EQ("", lines[3]);
}

// The text read from a file of count bytes ends inside the buffer, and a last
// line that the end cuts is dropped whole.
TEST(end_environment_text, drops_a_cut_last_line) {
  struct end_case {
    const char *title;
    std::string file;
    size_t size;  // of the buffer
    std::string text;
  };
  const end_case cases[] = {
      {"short file", "a 1\nb 2", 16, "a 1\nb 2"},
      {"exactly one byte too long, line complete", "a 1\nbb 22\n", 11, "a 1\nbb 22\n"},
      {"the byte cut is a line end", "a 1\nbb 22\n", 10, "a 1\nbb 22"},
      {"value cut", "a 1\nbb 22\n", 9, "a 1\n"},
      {"value cut, CR LF ends", "a 1\r\nbb 22\r\n", 10, "a 1\r\n"},
      {"one line, cut", "maca 00:11:22:33:44:55\n", 15, ""},
  };
  for (const end_case &c : cases) {
    SCOPED_TRACE(c.title);
    std::vector<uint8_t> buffer(c.size + 1, 0xEE);
    size_t count = std::min(c.file.size(), c.size);
    memcpy(buffer.data(), c.file.data(), count);
    end_environment_text({buffer.data(), c.size}, c.file.size() > c.size ? c.size : count);
    EXPECT_EQ(c.text, std::string((const char *)buffer.data()));
    EXPECT_EQ(0xEE, buffer[c.size]);
  }
}

// The cursor shows in the next line delivered.
TEST(seek, refuses_what_is_not_a_rewind_inside_the_buffer) {
  environment env("first\nsecond\n");
  char line[256];
  EXPECT_EQ(0, seek(env.text(), 6, 0));
  EXPECT_EQ(-1, seek(env.text(), 0, 1));
  EXPECT_EQ(-1, seek(env.text(), env_buffer_size, 0));
  EXPECT_EQ(-1, seek(env.text(), -1, 0));
  EXPECT_EQ(7, get_env_line(line));  // still at "second"
  EXPECT_STREQ("second\n", line);
  EXPECT_EQ(0, seek(env.text(), env_buffer_size - 1, 0));
  EXPECT_EQ(0, get_env_line(line));  // on the buffer's last byte, the NUL
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
      {"name1", 0, "value1"},   {"name2", 0, "value2"},       {"name3", 0, ""},           {"Name1", 1, "untouched"},
      {"name", 1, "untouched"}, {"name4", 0, "spaced value"}, {"#name1", 1, "untouched"},
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
  environment env(long_name + " value\n" + std::string(254, 'k') + "\n" + "short " + std::string(248, 'v') + "\n");
  char out[256];
  EXPECT_EQ(1, search_env(env.text(), out, long_name.c_str()));
  EXPECT_EQ(0, search_env(env.text(), out, std::string(254, 'k').c_str()));
  EXPECT_STREQ("", out);
  EXPECT_EQ(0, search_env(env.text(), out, "short"));
  EXPECT_EQ(std::string(248, 'v'), out);
}

// A line over 254 characters is never matched, nor any piece of it: a MAC
// address from the middle of a long line must not pass for a setting.
TEST(search_env, skips_a_line_too_long_whole) {
  std::string tail = "maca 00:11:22:33:44:55";
  environment env("x " + std::string(254 - tail.size(), 'y') + tail + "z\n" + "maca 66:77:88:99:aa:bb\n");
  for (int quiet = 1; quiet >= 0; quiet--) {
    SCOPED_TRACE(quiet);
    silent = quiet;
    char out[256] = "untouched";
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, search_env(env.text(), out, "maca"));
    std::string trace = testing::internal::GetCapturedStdout();
    silent = 1;
    EXPECT_STREQ("66:77:88:99:aa:bb", out);
    if (!quiet) {
      EXPECT_EQ(std::string::npos, trace.find("<line> x")) << trace;
    }
  }
}

// Quiet and traced look-ups, and the index of a build's look-ups, must all
// find the same line.
TEST(search_env, finds_the_same_line_quiet_or_traced) {
  std::string blanks252(252, ' ');
  const std::string texts[] = {
      "other name\nxname 1\nname_x 2\n  name 3\n",
      "#name 1\n\tname\t2\n",
      "\n\n\rname 4\n",
      std::string(254, ' ') + "name 5\n",  // lines too long, around the name
      blanks252 + "name 6\nname 7\n",
      std::string(254, 'x') + "#name 8\nname 9",
      std::string(254, 'x') + "name\n",
      std::string(248, ' ') + "name 14\n",  // 254 characters: read
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
      char quiet[256] = "untouched", traced[256] = "untouched", indexed[256] = "untouched";
      int quiet_result = search_env(env.text(), quiet, name);
      silent = 0;
      testing::internal::CaptureStdout();
      int traced_result = search_env(env.text(), traced, name);
      testing::internal::GetCapturedStdout();
      silent = 1;
      EXPECT_EQ(traced_result, quiet_result);
      EXPECT_STREQ(traced, quiet);
      env_lookups lookups{env.text()};
      EXPECT_EQ(traced_result, look_up_env(lookups, indexed, name));
      EXPECT_STREQ(traced, indexed);
      release_env_lookups(lookups);
    }
  }
}

// A look-up through the index finds what the walk over the text finds.
struct lookup_case {
  const char *title;
  std::string text;
  std::string name;
  int result;
  const char *value;  // "untouched" when not found
};

void expect_lookups(const std::vector<lookup_case> &cases) {
  for (const lookup_case &c : cases) {
    SCOPED_TRACE(c.title);
    environment env(c.text);
    env_lookups lookups{env.text()};
    char indexed[256] = "untouched", walked[256] = "untouched";
    EXPECT_EQ(c.result, look_up_env(lookups, indexed, c.name.c_str()));
    EXPECT_STREQ(c.value, indexed);
    EXPECT_EQ(c.result, search_env(env.text(), walked, c.name.c_str()));
    EXPECT_STREQ(c.value, walked);
    release_env_lookups(lookups);
  }
}

TEST(look_up_env, finds_what_the_walk_finds) {
  std::string tail = "maca 00:11:22:33:44:55";
  expect_lookups({
      {"first match wins", "a 1\nb 2\na 3\n", "a", 0, "1"},
      {"comment", "#a 1\na 2\n", "a", 0, "2"},
      {"comment only", "#a 1\n", "a", 1, "untouched"},
      {"comment name", "#a 1\n", "#a", 1, "untouched"},
      {"'#' after blanks is a name", "  #a 1\n", "#a", 0, "1"},
      {"indented name", " \t a 1\n", "a", 0, "1"},
      {"name after a word", "x a 1\na 2", "a", 0, "2"},
      {"line of 254 characters", "a " + std::string(252, 'v') + "\n", "a", 0, std::string(252, 'v').c_str()},
      {"line of 255 characters", "a " + std::string(253, 'v') + "\na 2\n", "a", 0, "2"},
      {"a setting inside a long line", "x " + std::string(254 - tail.size(), 'y') + tail + "z\n", "maca", 1,
       "untouched"},
      {"empty value", "a\nb 2\n", "a", 0, ""},
      {"blank value", "a \t \nb 2\n", "a", 0, ""},
      {"empty value at the end", "b 2\na", "a", 0, ""},
      {"value to the tab", "a  one two \tthree\n", "a", 0, "one two"},
      {"a name is no prefix", "name 1\nnam 2\n", "nam", 0, "2"},
      {"a prefix is no name", "name 1\n", "nam", 1, "untouched"},
      {"a longer name", "nam 1\n", "name", 1, "untouched"},
      {"case counts", "Name 1\n", "name", 1, "untouched"},
      {"CR LF line ends", "a 1\r\nb 2\r\n", "b", 0, "2"},
      {"CR line ends", "a 1\rb 2\r", "b", 0, "2"},
      {"blank lines", "\r\n\r\n\n a 1\r\n\r\nb 2", "b", 0, "2"},
      {"text cut at a NUL", std::string("a 1\0b 2\n", 8), "b", 1, "untouched"},
      {"name holding a blank", "a b 1\n", "a b", 1, "untouched"},
      {"empty name, a line of blanks", "a 1\n  \t\nb 2\n", "", 0, ""},
      {"empty name, no line of blanks", "a 1\n", "", 1, "untouched"},
      {"control byte in a name", "ab\001cdefghij 5\nab 6\n", "ab\001cdefghij", 0, "5"},
      {"name of eight", "abcdefgh 8\nabcdefghi 9\n", "abcdefgh", 0, "8"},
      {"name of sixteen", "abcdefghijklmnop 16\nabcdefghijklmnopq 17\n", "abcdefghijklmnop", 0, "16"},
      {"name of seventeen", "abcdefghijklmnop 16\nabcdefghijklmnopq 17\n", "abcdefghijklmnopq", 0, "17"},
      {"text ends in the name", "x 1\nabcdefghij", "abcdefghij", 0, ""},
      {"bytes above 0x7F", "\xfc\xe4name \xe9t\xe9\n", "\xfc\xe4name", 0, "\xe9t\xe9"},
  });
}

// Thousands of names, most of them sharing their first bytes: each is found
// with its first value, and none that is missing.
TEST(look_up_env, finds_every_name_of_a_full_text) {
  std::string text;
  int count = 0;
  while (text.size() < env_buffer_size - 40) {
    text += "k" + std::to_string(count) + " " + std::to_string(count) + "\n";
    if (count % 7 == 0) text += "k" + std::to_string(count / 2) + " later\n";
    count++;
  }
  environment env(text);
  env_lookups lookups{env.text()};
  for (int i = 0; i < count; i++) {
    char out[256] = "untouched";
    ASSERT_EQ(0, look_up_env(lookups, out, ("k" + std::to_string(i)).c_str())) << i;
    EXPECT_EQ(std::to_string(i), out);
  }
  char out[256] = "untouched";
  EXPECT_EQ(1, look_up_env(lookups, out, ("k" + std::to_string(count)).c_str()));
  EXPECT_EQ(1, look_up_env(lookups, out, "k"));
  EXPECT_STREQ("untouched", out);
  release_env_lookups(lookups);
}

// Random texts of few characters, where every kind of line meets every other:
// for each name, the index and the walk agree.
TEST(look_up_env, agrees_with_the_walk_on_random_texts) {
  const char alphabet[] = {'a', 'b', 'a', 'b', ' ', '\t', '\n', '\r', '#', '\x01'};
  const char *names[] = {"a", "b", "ab", "ba", "aa", "abab", "aaaaaaaaa", "#a", "", "a\x01", "\x01"};
  uint32_t seed = 12345;
  for (int round = 0; round < 400; round++) {
    std::string text;
    size_t length = round < 300 ? (size_t)round % 60 : 200 + (size_t)round * 3;
    for (size_t i = 0; i < length; i++) {
      seed = seed * 1103515245 + 12345;
      text += alphabet[(seed >> 16) % sizeof alphabet];
    }
    environment env(text);
    // Told of a config whose lines begin with a, blanks and #: names that
    // begin otherwise are found all the same.
    env_lookups lookups{env.text()}, told{env.text()};
    expect_names_of(told, " \ta keep\n#x\n\n");
    for (const char *name : names) {
      char indexed[256] = "untouched", walked[256] = "untouched", indexed_told[256] = "untouched";
      int walked_result = search_env(env.text(), walked, name);
      ASSERT_EQ(walked_result, look_up_env(lookups, indexed, name)) << testing::PrintToString(text) << " / " << name;
      ASSERT_STREQ(walked, indexed) << testing::PrintToString(text) << " / " << name;
      ASSERT_EQ(walked_result, look_up_env(told, indexed_told, name)) << testing::PrintToString(text) << " / " << name;
      ASSERT_STREQ(walked, indexed_told) << testing::PrintToString(text) << " / " << name;
    }
    release_env_lookups(lookups);
    release_env_lookups(told);
  }
}

// With the trace on, a look-up walks the text and prints what search_env prints.
TEST(look_up_env, traces_as_search_env_does) {
  environment env("#c\nother 1\nname 2\nname 3\n");
  env_lookups lookups{env.text()};
  silent = 0;
  char walked[256], indexed[256];
  testing::internal::CaptureStdout();
  search_env(env.text(), walked, "name");
  std::string walked_trace = testing::internal::GetCapturedStdout();
  testing::internal::CaptureStdout();
  look_up_env(lookups, indexed, "name");
  std::string trace = testing::internal::GetCapturedStdout();
  silent = 1;
  EXPECT_EQ(walked_trace, trace);
  EXPECT_NE(std::string::npos, trace.find("<line> other 1\n")) << trace;
  EXPECT_STREQ("2", indexed);
  release_env_lookups(lookups);
}

}  // namespace
