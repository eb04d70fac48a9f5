// A config block decoded for show_config's listing, once, from its reader:
// its state, its header's named fields, its tags each with whether a config
// line holds it and why not, and what is interrupted or damaged. Every output
// format prints from this record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/layout.h"
#include "base/result.h"
#include "config/block.h"
#include "config/block_reader.h"
#include "config/config_lines.h"

// Whether a config line holds a tag: why not, or its length.
struct tag_line {
  const char *lead;  // " " before a name that begins with '#', else ""
  const char *why;   // why no line reads the tag back, or null
  size_t length;     // of the line, lead included
  bool holds() const;
};

struct listed_tag {
  tag_record tag;  // name and value point into the block
  tag_line line;
};

// Most tags a block holds: each takes two bytes or more behind the header and
// the table's closing zero words (an empty name and value, or a table pair).
inline constexpr uint32_t block_tags_max = (config_size - header_size - 8) / 2;

// A builder's message names a tag of up to 255 characters.
inline constexpr size_t builder_message_size = 320;
inline constexpr size_t block_rebuild_size = builder_message_size + 64;

struct block_listing {
  area_state state;
  uint32_t header[header_field_count];  // a written block's named fields, as header_fields orders them
  // A written block's first word is not the default header's, which
  // set_config -i writes (only when the partition has a default header).
  bool first_word_differs;
  uint32_t first_word, default_first_word;
  uint32_t tag_count;
  listed_tag tags[block_tags_max];  // in block order, those in front of any damage
  char message[area_message_size];  // interrupted or damaged: what and where (no "ERROR: "); else empty
  // A whole block whose every tag a config line holds: why those lines do not
  // build this block again through set_config -i (the first offset where the
  // block they build differs, or the builder's refusal); else empty.
  char rebuild[block_rebuild_size];
};

// Decodes the config block (1020 bytes) into listing, which then points into
// it. default_header: the partition's default header, when it has one (see
// read_block_state).
void list_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header, block_listing &listing);

// True when the listing's config lines give the same block back through
// set_config -i: a config line for every tag, the default header's first
// word, and the block those lines build equal to this one.
bool gives_block_back(const block_listing &listing);

// The config line that holds a tag (its line holds()), without a line end,
// into line: its length.
size_t tag_config_line(const listed_tag &listed, char (&line)[config_line_max + 1]);

// "variable" for a variable tag, else "overwrite": the flag of its config line.
const char *tag_flag(const tag_record &tag);

// Why a tag is a comment, into text: "tag that no config line holds (WHY)" or
// "tag too long for a config line (N characters, at most M)".
inline constexpr size_t tag_reason_size = 96;
void tag_reason(const tag_line &line, char (&text)[tag_reason_size]);
