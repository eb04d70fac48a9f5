// Reading a config block back as the config-file lines that set_config -i
// turns into the same block.
#pragma once

#include <cstdint>
#include <span>

// Prints the config block (1020 bytes) as a config file: its header fields as
// comment lines, then one line per tag in block order, fixed tags as
// "NAME overwrite VALUE", variable tags as "NAME variable VALUE". An erased
// block is one comment line. 0; 1 after an "ERROR: ..." line naming the
// partition offset of the damage (a pointer outside the block, a table without
// its closing zero words, a string without its NUL inside the block); 2 when a
// tag needs a longer line than set_config reads and was shown as a comment;
// 3 after an "ERROR: interrupted write ..." line when the block holds part of
// a write (see block_interrupted).
int show_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header = {});

// True when the config block holds part of a write, which puts its first word
// down last: that word is erased while other bytes are written, or it differs
// from the default header's first word (default_header, when the partition has
// one) while the rest of the header, var_data aside, equals that header's.
bool block_interrupted(std::span<const uint8_t> block, std::span<const uint8_t> default_header);
