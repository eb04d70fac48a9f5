#include "config/scan.h"

#include <gtest/gtest.h>

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

TEST(copiers, stay_inside_their_destination) {
  std::string word(300, 'w');
  char dst[8];
  copy_tag(dst, word.c_str());
  EXPECT_STREQ("wwwwwww", dst);
  copy_parameter(dst, word.c_str());
  EXPECT_STREQ("wwwwwww", dst);
}

}  // namespace
