// Reading a config block back: its state and its tags one by one, as plain
// records; printing them is the listing's business.
#pragma once

#include <cstdint>
#include <span>

// What a config block area holds.
enum block_state {
  block_erased,       // every byte erased
  block_written,      // a block, whole unless its tags say otherwise (next_tag)
  block_interrupted,  // part of a write, which puts the first word down last
};

// The block's state. It holds part of a write when its first word is erased
// while other bytes are written, or is a half-programmed form of the default
// header's first word (default_header, when the partition has one): every bit
// set in the default's word is still set in it, and it is not equal, so
// programming can still finish it. Under any other first word (a block written
// before the default header's version changed, say) the block is written.
block_state read_block_state(std::span<const uint8_t> block, std::span<const uint8_t> default_header);

// A tag: its name and value, NUL-terminated inside the block.
struct tag_record {
  const char *name;
  const char *value;
  bool variable;  // a variable tag (behind the table), else a fixed one (in the table)
};

// Where next_tag is in the block, and where it met damage.
struct tag_cursor {
  uint32_t slot = 112;  // the next pointer pair of the table (the header's size)
  uint32_t pos = 0;     // the next variable pair, once past the table; 0 before
  uint32_t at = 0;      // block offset of the damage next_tag met
  uint32_t word = 0;    // the pointer or var_data word there
};

enum tag_status {
  tag_found,               // tag holds the next tag
  tag_end,                 // the block has no more tags
  tag_pointer_outside,     // the table pointer word at `at` points outside the block
  tag_string_unended,      // the fixed tag string at `at` has no NUL inside the block
  tag_table_unclosed,      // the table has no closing zero words (at: the table's start)
  tag_var_data_outside,    // var_data (word, at `at`) points outside the block
  tag_var_data_misplaced,  // var_data (word, at `at`) does not point right behind the table
  tag_name_unended,        // the variable tag name at `at` has no NUL inside the block
  tag_value_unended,       // the variable tag value at `at` has no NUL inside the block
};

// The next tag of a written block (1020 bytes) into tag, in block order: the
// fixed tags of the table, value pointer then name pointer, up to its two
// closing zero words; then var_data, which must point right behind them; then
// the variable name and value pairs up to the first erased byte. A status
// other than tag_found and tag_end names the damage met, at cursor.at.
tag_status next_tag(std::span<const uint8_t> block, tag_cursor &cursor, tag_record &tag);
