// Reading a config block back as the config-file lines that set_config -i
// turns into the same block, and the decisions and messages of that listing
// that the JSON listing shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/result.h"
#include "config/block_reader.h"

// Prints the config block (1020 bytes) as a config file: its header fields as
// comment lines, then one line per tag in block order, fixed tags as
// "NAME overwrite VALUE", variable tags as "NAME variable VALUE"; an erased
// block is one comment line. A tag that needs a longer line than set_config
// reads, or that no line reads back into (an empty name or value, a blank or
// line end in the name, a tab or line end in the value or blanks around it, a
// name beginning with byte 0xFF), is a comment saying why. default_header is
// the partition's default header, when it has one (see read_block_state).
listing_result show_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header = {});

// "variable" for a variable tag, else "overwrite": the flag of its config line.
const char *tag_flag(const tag_record &tag);

// Whether a config line holds a tag: why not (see show_block), or its length.
struct tag_line {
  const char *lead;  // " " before a name that begins with '#', else ""
  const char *why;   // why no line reads the tag back, or null
  size_t length;     // of the line, lead included
  bool holds() const;
};
tag_line check_tag_line(const tag_record &tag);

// Prints why a tag is a comment: "tag that no config line holds (WHY)" or
// "tag too long for a config line (N characters, at most M)".
void print_comment_reason(const tag_line &line);

// Prints the message (no "ERROR: ", no line end) for the damage that next_tag met.
void print_damage(tag_status status, const tag_cursor &cursor);

// Prints the message (no "ERROR: ", no line end) for an interrupted block.
void print_block_interrupted();
