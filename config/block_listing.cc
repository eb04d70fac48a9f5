#include "config/block_listing.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/bytes.h"
#include "base/report.h"
#include "config/builder.h"
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

// A tag's config line; a name that begins with '#' gets a blank first, so
// that it is no comment. A tag that no config line can hold, or would read
// back as another tag, has a reason instead.
tag_line check_tag_line(const tag_record &tag) {
  tag_line line;
  line.lead = tag.name[0] == '#' ? " " : "";
  line.why = unreadable_as_line(tag.name, tag.value);
  line.length = strlen(line.lead) + strlen(tag.name) + 1 + strlen(tag_flag(tag)) + 1 + strlen(tag.value);
  return line;
}

// The message for the damage that next_tag met, into message.
void describe_damage(tag_status status, const tag_cursor &cursor, char (&message)[area_message_size]) {
  uint32_t at = config_offset + cursor.at;
  size_t size = sizeof message;
  switch (status) {
    case tag_pointer_outside:
      (void)snprintf(message, size, "tag pointer 0x%08x at 0x%x points outside the config block", cursor.word, at);
      break;
    case tag_string_unended:
      (void)snprintf(message, size, "tag string at 0x%x has no end inside the config block", at);
      break;
    case tag_table_unclosed: (void)snprintf(message, size, "tag table at 0x%x has no closing zero words", at); break;
    case tag_var_data_outside:
      (void)snprintf(message, size, "var_data 0x%08x at 0x%x points outside the config block", cursor.word, at);
      break;
    case tag_var_data_misplaced:
      (void)snprintf(message, size, "var_data 0x%08x at 0x%x does not point right behind the tag table", cursor.word,
                     at);
      break;
    case tag_name_unended:
      (void)snprintf(message, size, "variable tag at 0x%x has no end inside the config block", at);
      break;
    case tag_value_unended:
      (void)snprintf(message, size, "variable tag value at 0x%x has no end inside the config block", at);
      break;
    case tag_found:
    case tag_end: break;
  }
}

// The header's named fields and whether the first word is the default header's.
void list_header(std::span<const uint8_t> block, std::span<const uint8_t> default_header, block_listing &listing) {
  for (uint32_t i = 0; i < header_field_count; i++) listing.header[i] = get_le32(&block[header_fields[i].offset]);
  if (default_header.size() < header_size) return;
  listing.first_word = get_le32(block.data());
  listing.default_first_word = get_le32(default_header.data());
  listing.first_word_differs = listing.first_word != listing.default_first_word;
}

// The tags in block order, up to the end or the damage, which sets the state.
void list_tags(std::span<const uint8_t> block, block_listing &listing) {
  tag_cursor cursor;
  tag_record tag;
  tag_status status;
  // The array holds every tag a block can hold: the bound never cuts the walk.
  while ((status = next_tag(block, cursor, tag)) == tag_found && listing.tag_count < block_tags_max) {
    listing.tags[listing.tag_count++] = {tag, check_tag_line(tag)};
  }
  listing.state = status == tag_end ? area_whole : area_damaged;
  if (status != tag_end) describe_damage(status, cursor, listing.message);
}

// Keeps the first message reported into the builder_message_size bytes at
// context, without its "ERROR: " and line end.
void keep_first_message(void *context, const char *message) {
  auto &kept = *(char(*)[builder_message_size])context;
  if (kept[0]) return;
  const char prefix[] = "ERROR: ";
  if (strncmp(message, prefix, strlen(prefix)) == 0) message += strlen(prefix);
  (void)snprintf(kept, sizeof kept, "%.*s", (int)strcspn(message, "\n"), message);
}

// The listing's config lines, each with its line end, into text: their length.
size_t config_lines_of(const block_listing &listing, std::span<char> text) {
  size_t used = 0;
  for (uint32_t i = 0; i < listing.tag_count; i++) {
    char line[config_line_max + 1];
    size_t length = tag_config_line(listing.tags[i], line);
    if (length + 1 > text.size() - used) break;  // never: a block's lines fit
    memcpy(&text[used], line, length);
    text[used + length] = '\n';
    used += length + 1;
  }
  return used;
}

// Builds a block from the listing's config lines as set_config -i does, over
// header (the default header, or the block's own when the partition has none),
// and says in listing.rebuild where it is not this block, or why the builder
// refuses the lines.
void check_rebuild(std::span<const uint8_t> block, std::span<const uint8_t> header, block_listing &listing) {
  char text[config_read_ahead];
  config_source lines;
  lines.path = "the listing";
  lines.opened = true;
  lines.ahead = std::span<const char>(text, config_lines_of(listing, text));
  uint8_t rebuilt[config_size];
  memset(rebuilt, erased, sizeof rebuilt);
  memcpy(rebuilt, header.data(), header_size);
  char refusal[builder_message_size] = "";
  reporter before = set_reporter({keep_first_message, &refusal});
  int built = build_config_source(lines, rebuilt, value_source{});
  set_reporter(before);
  size_t differs = 0;
  while (differs < config_size && rebuilt[differs] == block[differs]) differs++;
  if (built != 0) {
    (void)snprintf(listing.rebuild, sizeof listing.rebuild, "set_config -i refuses these lines: %s", refusal);
  } else if (differs < config_size) {
    (void)snprintf(listing.rebuild, sizeof listing.rebuild,
                   "these lines build another block through set_config -i: it differs at 0x%x",
                   (unsigned)(config_offset + differs));
  }
}

}  // namespace

size_t tag_config_line(const listed_tag &listed, char (&line)[config_line_max + 1]) {
  int length = snprintf(line, sizeof line, "%s%s %s %s", listed.line.lead, listed.tag.name, tag_flag(listed.tag),
                        listed.tag.value);
  return length < 0 ? 0 : std::min((size_t)length, sizeof line - 1);
}

bool tag_line::holds() const { return !why && length <= config_line_max; }

const char *tag_flag(const tag_record &tag) { return tag.variable ? "variable" : "overwrite"; }

void tag_reason(const tag_line &line, char (&text)[tag_reason_size]) {
  if (line.why) {
    (void)snprintf(text, sizeof text, "tag that no config line holds (%s)", line.why);
  } else {
    (void)snprintf(text, sizeof text, "tag too long for a config line (%d characters, at most %d)", (int)line.length,
                   (int)config_line_max);
  }
}

void list_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header, block_listing &listing) {
  listing.tag_count = 0;
  listing.first_word_differs = false;
  listing.first_word = listing.default_first_word = 0;
  listing.message[0] = '\0';
  listing.rebuild[0] = '\0';
  block_state state = read_block_state(block, default_header);
  if (state == block_erased) {
    listing.state = area_erased;
  } else if (state == block_interrupted) {
    listing.state = area_interrupted;
    (void)snprintf(listing.message, sizeof listing.message, "interrupted write in the config block at 0x%x: %s",
                   config_offset, rerun_to_complete);
  } else {
    list_header(block, default_header, listing);
    list_tags(block, listing);
    if (listing.state == area_whole && gives_block_back(listing)) {
      check_rebuild(block, default_header.size() >= header_size ? default_header : block, listing);
    }
  }
}

bool gives_block_back(const block_listing &listing) {
  for (uint32_t i = 0; i < listing.tag_count; i++) {
    if (!listing.tags[i].line.holds()) return false;
  }
  return !listing.first_word_differs && !listing.rebuild[0];
}
