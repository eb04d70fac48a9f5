#include "config/scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>

namespace {

struct copy_case {
  const char *src;
  const char *copied;
  int stop;  // position reached, -1: null
};

int position(const char *src, const char *end) { return end ? (int)(end - src) : -1; }

TEST(copy_tag, takes_one_word) {
  const copy_case cases[] = {
      {"  \tabc\tdef", "abc", 6}, {"abc", "abc", 3}, {"\n", "", -1},      {"", "", -1},
      {"   \n", "", 3},           {"a b", "a", 1},   {"ab\r\n", "ab", 2}, {"\rab", "", -1},
  };
  for (const copy_case &c : cases) {
    SCOPED_TRACE(c.src);
    char dst[256];
    EXPECT_EQ(c.stop, position(c.src, copy_tag(dst, c.src)));
    EXPECT_STREQ(c.copied, dst);
  }
  char dst[4] = "xyz";
  EXPECT_EQ(nullptr, copy_tag(dst, nullptr));
  EXPECT_STREQ("", dst);
}

TEST(copy_parameter, takes_the_rest_of_the_line) {
  const copy_case cases[] = {
      {" value with spaces  \n", "value with spaces", 20},
      {"value\tnext", "value", 5},
      {"value", "value", -1},
      {"\n", "", -1},
      {"", "", -1},
      {"  \r\n", "", 2},
      {"one two\r\n", "one two", 7},
  };
  for (const copy_case &c : cases) {
    SCOPED_TRACE(c.src);
    char dst[256];
    EXPECT_EQ(c.stop, position(c.src, copy_parameter(dst, c.src)));
    EXPECT_STREQ(c.copied, dst);
  }
}

// A destination of 8 with a guard byte after it: a one-byte overflow shows
// without a sanitizer.
TEST(copiers, stay_inside_their_destination) {
  std::string word(300, 'w');
  for (int copier = 0; copier < 2; copier++) {
    SCOPED_TRACE(copier == 0 ? "copy_tag" : "copy_parameter");
    char buffer[9];
    memset(buffer, '#', sizeof buffer);
    std::span<char> dst(buffer, 8);
    if (copier == 0) copy_tag(dst, word.c_str());
    if (copier == 1) copy_parameter(dst, word.c_str());
    EXPECT_STREQ("wwwwwww", buffer);
    EXPECT_EQ('#', buffer[8]);
  }
}

}  // namespace
