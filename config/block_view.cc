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
bool print_tag(const tag_record &tag) {
  tag_line line = check_tag_line(tag);
  if (line.holds()) {
    printf("%s%s %s %s\n", line.lead, tag.name, tag_flag(tag), tag.value);
    return true;
  }
  printf("# ");
  print_comment_reason(line);
  printf(": ");
  print_escaped(tag.name);
  printf(" %s ", tag_flag(tag));
  print_escaped(tag.value);
  printf("\n");
  return false;
}

}  // namespace

bool tag_line::holds() const { return !why && length <= config_line_max; }

const char *tag_flag(const tag_record &tag) { return tag.variable ? "variable" : "overwrite"; }

tag_line check_tag_line(const tag_record &tag) {
  tag_line line;
  line.lead = tag.name[0] == '#' ? " " : "";
  line.why = unreadable_as_line(tag.name, tag.value);
  line.length = strlen(line.lead) + strlen(tag.name) + 1 + strlen(tag_flag(tag)) + 1 + strlen(tag.value);
  return line;
}

void print_comment_reason(const tag_line &line) {
  if (line.why) {
    printf("tag that no config line holds (%s)", line.why);
  } else {
    printf("tag too long for a config line (%d characters, at most %d)", (int)line.length, (int)config_line_max);
  }
}

void print_damage(tag_status status, const tag_cursor &cursor) {
  uint32_t at = config_offset + cursor.at;
  switch (status) {
    case tag_pointer_outside:
      printf("tag pointer 0x%08x at 0x%x points outside the config block", cursor.word, at);
      break;
    case tag_string_unended: printf("tag string at 0x%x has no end inside the config block", at); break;
    case tag_table_unclosed: printf("tag table at 0x%x has no closing zero words", at); break;
    case tag_var_data_outside:
      printf("var_data 0x%08x at 0x%x points outside the config block", cursor.word, at);
      break;
    case tag_var_data_misplaced:
      printf("var_data 0x%08x at 0x%x does not point right behind the tag table", cursor.word, at);
      break;
    case tag_name_unended: printf("variable tag at 0x%x has no end inside the config block", at); break;
    case tag_value_unended: printf("variable tag value at 0x%x has no end inside the config block", at); break;
    case tag_found:
    case tag_end: break;
  }
}

void print_block_interrupted() {
  printf("interrupted write in the config block at 0x%x: %s", config_offset, rerun_to_complete);
}

listing_result show_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header) {
  block_state state = read_block_state(block, default_header);
  if (state == block_erased) {
    printf("# config block at 0x%x: erased\n", config_offset);
    return listed;
  }
  printf("# config block at 0x%x\n", config_offset);
  if (state == block_interrupted) {
    printf("ERROR: ");
    print_block_interrupted();
    printf("\n");
    return listed_interrupted;
  }
  for (const header_field &field : header_fields) printf("# %s 0x%08x\n", field.name, get_le32(&block[field.offset]));
  listing_result result = listed;
  tag_cursor cursor;
  tag_record tag;
  tag_status status;
  while ((status = next_tag(block, cursor, tag)) == tag_found) {
    if (!print_tag(tag)) result = listed_with_comments;
  }
  if (status == tag_end) return result;
  printf("ERROR: ");
  print_damage(status, cursor);
  printf("\n");
  return listed_damaged;
}
