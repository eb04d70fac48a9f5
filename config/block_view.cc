#include "config/block_view.h"

#include <cstdio>
#include <cstring>

#include "config/block.h"
#include "config/config_lines.h"
#include "driver/bytes.h"
#include "driver/layout.h"
#include "driver/partition.h"

namespace {

const char complete_with_rerun[] = "rerun the same set_config command with -r to complete it";

struct named_field {
  const char *name;
  uint32_t offset;
};

const named_field header_fields[] = {
    {"version", header_version},           {"memsize", header_memsize},
    {"flashsize", header_flashsize},       {"systemfrequency", header_systemfrequency},
    {"cpufrequency", header_cpufrequency}, {"feature_low", header_feature_low},
    {"feature_high", header_feature_high}, {"var_data", header_var_data},
};

// True when the string at offset ends with its NUL inside the block; false
// after an error line naming what it is.
bool ends_inside(std::span<const uint8_t> block, uint32_t offset, const char *what) {
  if (offset >= block.size() || !memchr(&block[offset], 0, block.size() - offset)) {
    printf("ERROR: %s at 0x%x has no end inside the config block\n", what, config_offset + offset);
    return false;
  }
  return true;
}

// The string a table pointer at slot points to, or null after an error line.
const char *pointed_string(std::span<const uint8_t> block, uint32_t slot) {
  uint32_t pointer = get_le32(&block[slot]);
  uint32_t offset = pointer - config_address_base;
  if (offset >= block.size()) {
    printf("ERROR: tag pointer 0x%08x at 0x%x points outside the config block\n", pointer, config_offset + slot);
    return nullptr;
  }
  if (!ends_inside(block, offset, "tag string")) return nullptr;
  return (const char *)&block[offset];
}

// A tag line; a name that begins with '#' gets a blank first, so that it is no
// comment. A tag that no config line can hold is shown as a comment saying so,
// never as a line that set_config refuses: false then.
bool print_tag(const char *name, const char *flag, const char *value) {
  const char *lead = name[0] == '#' ? " " : "";
  size_t length = strlen(lead) + strlen(name) + 1 + strlen(flag) + 1 + strlen(value);
  if (length <= config_line_max) {
    printf("%s%s %s %s\n", lead, name, flag, value);
    return true;
  }
  printf("# tag too long for a config line (%d characters, at most %d): %s %s %s\n", (int)length, (int)config_line_max,
         name, flag, value);
  return false;
}

// 0, 1 after an error line, or 2 when a tag was shown as a comment.
int show_fixed_tags(std::span<const uint8_t> block) {
  int result = 0;
  for (uint32_t slot = header_size; slot + 8 <= block.size(); slot += 8) {
    if (get_le32(&block[slot]) == 0 && get_le32(&block[slot + 4]) == 0) return result;
    const char *value = pointed_string(block, slot);
    const char *name = value ? pointed_string(block, slot + 4) : nullptr;
    if (!name) return 1;
    if (!print_tag(name, "overwrite", value)) result = 2;
  }
  printf("ERROR: tag table at 0x%x has no closing zero words\n", config_offset + header_size);
  return 1;
}

// The variable pairs run from var_data to the first erased byte. 0, 1 after an
// error line, or 2 when a tag was shown as a comment.
int show_variable_tags(std::span<const uint8_t> block) {
  int result = 0;
  uint32_t pointer = get_le32(&block[header_var_data]);
  uint32_t pos = pointer - config_address_base;
  if (pos < header_size || pos > block.size()) {
    printf("ERROR: var_data 0x%08x at 0x%x points outside the config block\n", pointer,
           config_offset + header_var_data);
    return 1;
  }
  while (pos < block.size() && block[pos] != erased) {
    if (!ends_inside(block, pos, "variable tag")) return 1;
    const char *name = (const char *)&block[pos];
    pos += (uint32_t)strlen(name) + 1;
    if (!ends_inside(block, pos, "variable tag value")) return 1;
    const char *value = (const char *)&block[pos];
    pos += (uint32_t)strlen(value) + 1;
    if (!print_tag(name, "variable", value)) result = 2;
  }
  return result;
}

}  // namespace

bool block_interrupted(std::span<const uint8_t> block, std::span<const uint8_t> default_header) {
  if (block.size() < header_size) return false;
  uint32_t first = get_le32(block.data());
  if (first == 0xFFFFFFFF) return !is_erased(block, 0, (uint32_t)block.size());
  return default_header.size() >= header_size && first != get_le32(default_header.data()) &&
         memcmp(block.data() + 4, default_header.data() + 4, header_var_data - 4) == 0;
}

int show_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header) {
  if (is_erased(block, 0, (uint32_t)block.size())) {
    printf("# config block at 0x%x: erased\n", config_offset);
    return 0;
  }
  printf("# config block at 0x%x\n", config_offset);
  if (block_interrupted(block, default_header)) {
    printf("ERROR: interrupted write in the config block at 0x%x: %s\n", config_offset, complete_with_rerun);
    return 3;
  }
  for (const named_field &field : header_fields) printf("# %s 0x%08x\n", field.name, get_le32(&block[field.offset]));
  int fixed = show_fixed_tags(block);
  if (fixed == 1) return 1;
  int variable = show_variable_tags(block);
  return variable != 0 ? variable : fixed;
}
