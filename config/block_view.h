// Reading a config block back as the config-file lines that set_config -i
// turns into the same block.
#pragma once

#include <cstdint>
#include <span>

#include "base/result.h"

// Prints the config block (1020 bytes) as a config file: its header fields as
// comment lines, then one line per tag in block order, fixed tags as
// "NAME overwrite VALUE", variable tags as "NAME variable VALUE"; an erased
// block is one comment line. A tag that needs a longer line than set_config
// reads, or that no line reads back into (an empty name or value, a blank or
// line end in the name, a tab or line end in the value or blanks around it, a
// name beginning with byte 0xFF), is a comment saying why. default_header is
// the partition's default header, when it has one (see read_block_state).
listing_result show_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header = {});
