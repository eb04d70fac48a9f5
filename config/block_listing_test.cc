#include "config/block_listing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/bytes.h"
#include "tests/fixture.h"

namespace {

// The text a listing gives for a tag: its config line's lead, or the reason it is a comment.
std::string line_or_reason(const listed_tag &listed) {
  if (listed.line.holds()) return std::string("line '") + listed.line.lead + "'";
  char reason[tag_reason_size];
  tag_reason(listed.line, reason);
  return reason;
}

TEST(list_block, tells_for_each_tag_whether_a_config_line_holds_it) {
  struct tag_case {
    std::string name, value;
    const char *expected;
  };
  const tag_case cases[] = {
      {"plain", "one two", "line ''"},
      {"#hash", "v", "line ' '"},
      {"long", std::string(240, 'v'), "line ''"},  // 255 characters
      {"longer", std::string(248, 'v'), "tag too long for a config line (265 characters, at most 255)"},
      {"", "v", "tag that no config line holds (empty name)"},
      {"\xff", "v", "tag that no config line holds (name begins with byte 0xFF)"},
      {"two words", "v", "tag that no config line holds (blank or line end in the name)"},
      {"empty", "", "tag that no config line holds (empty value)"},
      {"cr", "a\rb", "tag that no config line holds (tab or line end in the value)"},
      {"trail", "v ", "tag that no config line holds (blank at the start or end of the value)"},
  };
  auto listing = std::make_unique<block_listing>();
  for (const tag_case &c : cases) {
    SCOPED_TRACE(c.name);
    for (bool variable : {false, true}) {
      if (variable && c.name[0] == '\xff') continue;  // such a name ends the variable area
      bytes block = variable ? laid_out_block({}, {{c.name, c.value}}) : laid_out_block({{c.name, c.value}}, {});
      list_block(block, example_header(), *listing);
      ASSERT_EQ(area_whole, listing->state);
      ASSERT_EQ(1u, listing->tag_count);
      EXPECT_EQ(c.name, listing->tags[0].tag.name);
      EXPECT_EQ(variable, listing->tags[0].tag.variable);
      std::string expected = c.expected;
      // "overwrite" is one character longer than "variable".
      if (variable && c.name == "longer") expected = "tag too long for a config line (264 characters, at most 255)";
      EXPECT_EQ(expected, line_or_reason(listing->tags[0]));
      EXPECT_EQ(expected.starts_with("line"), gives_block_back(*listing));
    }
  }
}

// The tightest block: no fixed tags, then variable tags of an empty name and
// an empty value, two NULs each, to the block's end.
TEST(list_block, holds_every_tag_a_block_can_hold) {
  bytes block = with(bytes(config_size, 0), 0, example_header());
  put_le32(&block[header_var_data], config_address_base + header_size + 8);
  auto listing = std::make_unique<block_listing>();
  list_block(block, example_header(), *listing);
  EXPECT_EQ(area_whole, listing->state);
  EXPECT_EQ(block_tags_max, listing->tag_count);
  EXPECT_EQ(block.data() + config_size - 2, (const uint8_t *)listing->tags[block_tags_max - 1].tag.name);
}

TEST(list_block, reads_the_named_fields_from_the_header_table) {
  bytes block = worked_example_block();
  auto listing = std::make_unique<block_listing>();
  list_block(block, example_header(), *listing);
  for (uint32_t i = 0; i < header_field_count; i++) {
    SCOPED_TRACE(header_fields[i].name);
    EXPECT_EQ(get_le32(&block[header_fields[i].offset]), listing->header[i]);
  }
}

// A block under a first word that no programming turns into the default
// header's is listed whole, and says so: its lines give the default's word back.
TEST(list_block, tells_a_first_word_other_than_the_default_headers) {
  struct word_case {
    const char *title;
    bytes first;  // the block's first bytes
    area_state state;
    bool with_default;  // the partition has its default header
    bool differs;
  };
  const word_case cases[] = {
      {"the default's", {0x03, 0, 0, 0}, area_whole, true, false},
      {"another version", {0x02, 0, 0, 0}, area_whole, true, true},
      {"another version, no default header", {0x02, 0, 0, 0}, area_whole, false, false},
      {"half programmed", {0x03, 0xFF, 0, 0}, area_interrupted, true, false},
  };
  auto listing = std::make_unique<block_listing>();
  for (const word_case &c : cases) {
    SCOPED_TRACE(c.title);
    bytes header = c.with_default ? example_header() : bytes();
    list_block(with(worked_example_block(), 0, c.first), header, *listing);
    EXPECT_EQ(c.state, listing->state);
    EXPECT_EQ(c.differs, listing->first_word_differs);
    if (c.differs) {
      EXPECT_EQ(get_le32(c.first.data()), listing->first_word);
      EXPECT_EQ(3u, listing->default_first_word);
    }
    EXPECT_TRUE(c.state != area_whole || gives_block_back(*listing) == !c.differs);
  }
}

}  // namespace
