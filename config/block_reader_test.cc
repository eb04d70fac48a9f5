#include "config/block_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/layout.h"
#include "config/block.h"
#include "tests/fixture.h"

namespace {

bytes word_bytes(uint32_t value) {
  bytes w(4);
  put_le32(w.data(), value);
  return w;
}

// The example header's first word is 3: 03 00 00 00.
TEST(read_block_state, tells_erased_written_and_interrupted) {
  bytes whole = worked_example_block();
  bytes header = example_header();
  struct state_case {
    const char *title;
    bytes block;
    bool with_default;  // the partition has its default header
    block_state state;
  };
  const state_case cases[] = {
      {"erased", bytes(config_size, erased), true, block_erased},
      {"whole", whole, true, block_written},
      {"first word erased", with(whole, 0, bytes(4, erased)), true, block_interrupted},
      {"first word erased, no default header", with(whole, 0, bytes(4, erased)), false, block_interrupted},
      {"first word cut after its first byte", with(whole, 1, bytes(3, erased)), true, block_interrupted},
      {"first word cut before its last byte", with(whole, 3, {erased}), true, block_interrupted},
      {"first word with several bytes still to program", with(whole, 0, {0x07, 0xFF, 0x10, 0x00}), true,
       block_interrupted},
      {"first word with a bit the default's lacks still set", with(whole, 0, {0x0B}), true, block_interrupted},
      // The rest of the header does not count: a cut word is a cut word.
      {"first word cut, more of the header changed", with(with(whole, 1, {0x55}), 40, {0x55}), true, block_interrupted},
      {"first word cut, no default header", with(whole, 1, bytes(3, erased)), false, block_written},
      {"first word of another version", with(whole, 0, {0x02}), true, block_written},
      {"first word lacking a bit the default's has", with(whole, 0, {0x01}), true, block_written},
      {"first word with a bit the default's lacks and lacking one it has", with(whole, 0, {0x05}), true, block_written},
  };
  for (const state_case &c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(c.state, read_block_state(
                           c.block, c.with_default ? std::span<const uint8_t>(header) : std::span<const uint8_t>()));
  }
}

// The tags of a block, as next_tag gives them, and its last status.
struct walk {
  std::vector<std::string> tags;  // "NAME=VALUE", a variable one with a leading '*'
  tag_status last;
  uint32_t at;
};

walk walk_tags(const bytes &block) {
  walk w{{}, tag_found, 0};
  tag_cursor cursor;
  tag_record tag;
  while ((w.last = next_tag(block, cursor, tag)) == tag_found) {
    w.tags.push_back(std::string(tag.variable ? "*" : "") + tag.name + "=" + tag.value);
  }
  w.at = cursor.at;
  return w;
}

TEST(next_tag, walks_fixed_then_variable_tags) {
  walk w = walk_tags(worked_example_block());
  EXPECT_EQ((std::vector<std::string>{"alpha=one two", "*beta=7"}), w.tags);
  EXPECT_EQ(tag_end, w.last);
}

TEST(next_tag, names_each_kind_of_damage_where_it_is) {
  bytes headed = with(bytes(config_size, erased), 0, example_header());
  bytes closed = with(headed, 112, bytes(8, 0));  // an empty table
  bytes variable_area = with(closed, 108, word_bytes(config_address_base + 120));
  bytes full_table;
  for (uint32_t slot = 112; slot < config_size; slot += 4) {
    bytes w = word_bytes(config_address_base + 1016);
    full_table.insert(full_table.end(), w.begin(), w.end());
  }
  full_table.resize(config_size - 112 - 4);
  struct damage_case {
    const char *title;
    bytes block;
    tag_status status;
    uint32_t at;
  };
  const damage_case cases[] = {
      {"pointer outside", with(with(closed, 108, word_bytes(0x90000580 + 128)), 112, word_bytes(0x90001000)),
       tag_pointer_outside, 112},
      {"string without its NUL",
       with(with(with(closed, 112, word_bytes(0x90000580 + 1016)), 116, word_bytes(0x90000580 + 1016)), 1016,
            {'a', 'b', 'c', 'd'}),
       tag_string_unended, 1016},
      {"table without closing words", with(with(headed, 112, full_table), 1016, {'x', 0, 0xFF, 0xFF}),
       tag_table_unclosed, 112},
      {"var_data outside", with(closed, 108, word_bytes(0x80000000)), tag_var_data_outside, 108},
      {"var_data not behind the table", with(closed, 108, word_bytes(0x90000580 + 124)), tag_var_data_misplaced, 108},
      {"name running to the block's end", with(variable_area, 120, bytes(config_size - 120, 'a')), tag_name_unended,
       120},
      {"value running to the block's end",
       with(variable_area, 120, text_bytes(std::string("n\0", 2) + std::string(config_size - 122, 'v'))),
       tag_value_unended, 122},
  };
  for (const damage_case &c : cases) {
    SCOPED_TRACE(c.title);
    walk w = walk_tags(c.block);
    EXPECT_EQ(c.status, w.last);
    EXPECT_EQ(c.at, w.at);
  }
}

}  // namespace
