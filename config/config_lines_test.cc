#include "config/config_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fixture.h"

namespace {

struct line_read {
  std::string line;
  bool too_long;
  bool goes_on = false;  // after a CR or a NUL
  bool operator==(const line_read &other) const = default;
};

// Every line of text; the rest of a line cut as too long is skipped.
std::vector<line_read> read_lines(const std::string &text) {
  temp_folder folder;
  write_text(folder.path("cfg"), text);
  config_lines lines;
  lines.file = fopen(folder.path("cfg").c_str(), "r");
  std::vector<line_read> read;
  char line[config_line_max + 1];
  bool too_long = false;
  while (next_config_line(lines, line, too_long)) {
    read.push_back({line, too_long, lines.goes_on});
    skip_line_rest(lines);
  }
  (void)fclose(lines.file);
  return read;
}

// A line that never ends is too long as soon as it passes the longest line:
// only a chunk or two of it is read.
TEST(next_config_line, stops_early_on_a_line_that_never_ends) {
  config_lines lines;
  lines.file = fopen("/dev/zero", "r");
  ASSERT_NE(nullptr, lines.file);
  char line[config_line_max + 1];
  bool too_long = false;
  EXPECT_TRUE(next_config_line(lines, line, too_long));
  EXPECT_TRUE(too_long);
  EXPECT_TRUE(lines.cut);
  EXPECT_LE(ftell(lines.file), 2 * (long)sizeof lines.chunk);
  (void)fclose(lines.file);
}

TEST(next_config_line, splits_at_each_lf) {
  std::string s255(255, 's'), s256(256, 'l');
  struct lines_case {
    std::string text;
    std::vector<line_read> lines;
  };
  const lines_case cases[] = {
      {"", {}},
      {"a b\nc d", {{"a b", false}, {"c d", false}}},
      {"a b\r\n\r\n\n", {{"a b", false}, {"", false}, {"", false}}},
      {"a\rb c\r\r\n", {{"a\rb c", false, true}}},  // a CR ends no line
      {s255 + "\r\n" + s255 + "\n" + s255, {{s255, false}, {s255, false}, {s255, false}}},
      {s256 + "\n" + "next\n", {{s256.substr(0, 255), true}, {"next", false}}},
      {s255 + "x\r\r\r\n", {{s255, true}}},
      {std::string("a\0b\n", 4), {{"a", false, true}}},
      {std::string("a\r \t\0\r\n\0\0\n", 10), {{"a\r \t", false}, {"", false}}},
      {"# a\rb\n" + s255 + "\rb\n", {{"# a\rb", false, true}, {s255, true}}},  // too long is told first
  };
  for (const lines_case &c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20));
    EXPECT_EQ(c.lines, read_lines(c.text));
  }
}

TEST(next_config_line, reads_across_chunks) {
  // Lines of every length around the chunk size, with CR LF ends split at every point.
  std::string text;
  std::vector<line_read> expected;
  for (size_t length = 1; length < 300; length += 7) {
    std::string word(length, (char)('a' + length % 26));
    text += word + std::string(length % 3, '\r') + "\n";
    expected.push_back({word.substr(0, config_line_max), length > config_line_max});
  }
  text += std::string(5000, 'z') + "\r\r\n" + "tail";
  expected.push_back({std::string(255, 'z'), true});
  expected.push_back({"tail", false});
  EXPECT_EQ(expected, read_lines(text));
}

// A line whose CR LF end is split by the reader's chunk boundary at every
// offset: the CRs are dropped as line end wherever the boundary falls.
TEST(next_config_line, drops_crs_split_by_a_chunk_boundary) {
  const std::string line = "a b\r\r\r\n";
  for (size_t split = 0; split <= line.size(); split++) {
    SCOPED_TRACE(split);
    size_t before = sizeof(config_lines::chunk) - split;  // the bytes before the line
    std::string text;
    std::vector<line_read> expected;
    while (text.size() < before) {
      size_t left = before - text.size();
      size_t length = left > 101 ? 100 : left - 1;  // a comment line and its LF
      std::string filler = length == 0 ? "" : "#" + std::string(length - 1, 'x');
      text += filler + "\n";
      expected.push_back({filler, false});
    }
    text += line + "c d\n";
    expected.push_back({"a b", false});
    expected.push_back({"c d", false});
    EXPECT_EQ(expected, read_lines(text));
  }
}

// What follows a CR inside a line is seen wherever the chunk boundary falls:
// between the CR and the rest, or inside the run of CRs and blanks before it.
TEST(next_config_line, sees_past_a_cr_split_by_a_chunk_boundary) {
  const std::string line = "a b\r \r\rc";
  for (size_t split = 0; split <= line.size(); split++) {
    SCOPED_TRACE(split);
    std::string text;
    std::vector<line_read> expected;
    while (text.size() < sizeof(config_lines::chunk) - split) {
      size_t left = sizeof(config_lines::chunk) - split - text.size();
      std::string filler = left > 101 ? "#" + std::string(99, 'x') : std::string(left - 1, 'y');
      text += filler + "\n";
      expected.push_back({filler, false});
    }
    text += line + "\nc d\n";
    expected.push_back({"a b\r \r\rc", false, true});
    expected.push_back({"c d", false});
    EXPECT_EQ(expected, read_lines(text));
  }
}

}  // namespace
