#include "config/block_view.h"

#include <cstdio>
#include <cstring>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/partition.h"
#include "config/block.h"
#include "config/block_reader.h"
#include "config/config_lines.h"

namespace {

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

// Why a config line cannot give name and value back as they are (a reader of
// the line takes a word for the name and drops the value's outer blanks), or null.
const char *unreadable_as_line(const char *name, const char *value) {
  size_t length = strlen(value);
  if (name[0] == '\0') return "empty name";
  if ((uint8_t)name[0] == erased) return "name begins with byte 0xFF";
  if (strpbrk(name, " \t\r\n")) return "blank or line end in the name";
  if (length == 0) return "empty value";
  if (strpbrk(value, "\t\r\n")) return "tab or line end in the value";
  if (value[0] == ' ' || value[length - 1] == ' ') return "blank at the start or end of the value";
  return nullptr;
}

// Prints string with each control character as \xHH, so that a comment stays one line.
void print_escaped(const char *string) {
  for (const char *p = string; *p; p++) {
    if ((uint8_t)*p < 0x20) {
      printf("\\x%02x", (uint8_t)*p);
    } else {
      putchar(*p);
    }
  }
}

// A tag line; a name that begins with '#' gets a blank first, so that it is no
// comment. A tag that no config line can hold, or would read back as another
// tag, is shown as a comment saying why, never as a line that set_config
// refuses or reads otherwise: false then.
bool print_tag(const char *name, const char *flag, const char *value) {
  const char *lead = name[0] == '#' ? " " : "";
  size_t length = strlen(lead) + strlen(name) + 1 + strlen(flag) + 1 + strlen(value);
  const char *why = unreadable_as_line(name, value);
  if (!why && length <= config_line_max) {
    printf("%s%s %s %s\n", lead, name, flag, value);
    return true;
  }
  if (why) {
    printf("# tag that no config line holds (%s): ", why);
  } else {
    printf("# tag too long for a config line (%d characters, at most %d): ", (int)length, (int)config_line_max);
  }
  print_escaped(name);
  printf(" %s ", flag);
  print_escaped(value);
  printf("\n");
  return false;
}

// The error line for the damage that next_tag met.
void print_damage(tag_status status, const tag_cursor &cursor) {
  uint32_t at = config_offset + cursor.at;
  switch (status) {
    case tag_pointer_outside:
      printf("ERROR: tag pointer 0x%08x at 0x%x points outside the config block\n", cursor.word, at);
      break;
    case tag_string_unended: printf("ERROR: tag string at 0x%x has no end inside the config block\n", at); break;
    case tag_table_unclosed: printf("ERROR: tag table at 0x%x has no closing zero words\n", at); break;
    case tag_var_data_outside:
      printf("ERROR: var_data 0x%08x at 0x%x points outside the config block\n", cursor.word, at);
      break;
    case tag_var_data_misplaced:
      printf("ERROR: var_data 0x%08x at 0x%x does not point right behind the tag table\n", cursor.word, at);
      break;
    case tag_name_unended: printf("ERROR: variable tag at 0x%x has no end inside the config block\n", at); break;
    case tag_value_unended: printf("ERROR: variable tag value at 0x%x has no end inside the config block\n", at); break;
    case tag_found:
    case tag_end: break;
  }
}

}  // namespace

listing_result show_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header) {
  block_state state = read_block_state(block, default_header);
  if (state == block_erased) {
    printf("# config block at 0x%x: erased\n", config_offset);
    return listed;
  }
  printf("# config block at 0x%x\n", config_offset);
  if (state == block_interrupted) {
    printf("ERROR: interrupted write in the config block at 0x%x: %s\n", config_offset, rerun_to_complete);
    return listed_interrupted;
  }
  for (const named_field &field : header_fields) printf("# %s 0x%08x\n", field.name, get_le32(&block[field.offset]));
  listing_result result = listed;
  tag_cursor cursor;
  tag_record tag;
  tag_status status;
  while ((status = next_tag(block, cursor, tag)) == tag_found) {
    if (!print_tag(tag.name, tag.variable ? "variable" : "overwrite", tag.value)) result = listed_with_comments;
  }
  if (status == tag_end) return result;
  print_damage(status, cursor);
  return listed_damaged;
}
