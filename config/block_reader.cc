#include "config/block_reader.h"

#include <cstring>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/partition.h"
#include "config/block.h"

static_assert(header_size == 112, "the tag cursor starts behind the header");

block_state read_block_state(std::span<const uint8_t> block, std::span<const uint8_t> default_header) {
  if (is_erased(block, 0, (uint32_t)block.size())) return block_erased;
  if (block.size() < header_size) return block_written;
  uint32_t first = get_le32(block.data());
  if (first == 0xFFFFFFFF) return block_interrupted;
  if (default_header.size() < header_size) return block_written;
  // Programming only clears bits: a word cut on its way to the default's
  // first word still has every bit set that the default's has.
  uint32_t word = get_le32(default_header.data());
  return (first & word) == word && first != word ? block_interrupted : block_written;
}

namespace {

// True when a NUL ends the string at offset inside the block.
bool ends_inside(std::span<const uint8_t> block, uint32_t offset) {
  return offset < block.size() && memchr(&block[offset], 0, block.size() - offset) != nullptr;
}

// The string that the table pointer at slot points to, or a damage status.
tag_status pointed_string(std::span<const uint8_t> block, uint32_t slot, tag_cursor &cursor, const char *&string) {
  uint32_t pointer = get_le32(&block[slot]);
  uint32_t offset = pointer - config_address_base;
  if (offset >= block.size()) {
    cursor.at = slot;
    cursor.word = pointer;
    return tag_pointer_outside;
  }
  if (!ends_inside(block, offset)) {
    cursor.at = offset;
    return tag_string_unended;
  }
  string = (const char *)&block[offset];
  return tag_found;
}

// Past the table's closing zero words: var_data must point right behind them.
tag_status enter_variable_area(std::span<const uint8_t> block, tag_cursor &cursor) {
  uint32_t pointer = get_le32(&block[header_var_data]);
  uint32_t pos = pointer - config_address_base;
  cursor.at = header_var_data;
  cursor.word = pointer;
  if (pos < header_size || pos > block.size()) return tag_var_data_outside;
  // A pointer elsewhere (a flash bit lost) would list made-up tags.
  if (pos != cursor.slot + 8) return tag_var_data_misplaced;
  cursor.pos = pos;
  return tag_found;
}

}  // namespace

tag_status next_tag(std::span<const uint8_t> block, tag_cursor &cursor, tag_record &tag) {
  if (cursor.pos == 0) {
    if (cursor.slot + 8 > block.size()) {
      cursor.at = header_size;
      return tag_table_unclosed;
    }
    if (get_le32(&block[cursor.slot]) != 0 || get_le32(&block[cursor.slot + 4]) != 0) {
      tag_status status = pointed_string(block, cursor.slot, cursor, tag.value);
      if (status == tag_found) status = pointed_string(block, cursor.slot + 4, cursor, tag.name);
      if (status != tag_found) return status;
      tag.variable = false;
      cursor.slot += 8;
      return tag_found;
    }
    tag_status entered = enter_variable_area(block, cursor);
    if (entered != tag_found) return entered;
  }
  uint32_t pos = cursor.pos;
  if (pos >= block.size() || block[pos] == erased) return tag_end;
  cursor.at = pos;
  if (!ends_inside(block, pos)) return tag_name_unended;
  tag.name = (const char *)&block[pos];
  pos += (uint32_t)strlen(tag.name) + 1;
  cursor.at = pos;
  if (!ends_inside(block, pos)) return tag_value_unended;
  tag.value = (const char *)&block[pos];
  cursor.pos = pos + (uint32_t)strlen(tag.value) + 1;
  tag.variable = true;
  return tag_found;
}
