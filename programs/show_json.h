// show_config -j: the listing as one JSON object, printed from the same
// readers' records and the same decisions as the text listing.
#pragma once

#include <cstdint>
#include <span>

#include "base/result.h"

// Prints string as a JSON string: each byte is the code point of the same
// number (the block's text is ISO-8859-1), written as UTF-8; quotes,
// backslashes and control bytes escaped.
void print_json_string(const char *string);

// Prints the member "config" for the config block (1020 bytes): its offset,
// state ("erased", "whole", "interrupted", "damaged"), the damage's message,
// the header's named fields (null unless written) and its tags, each with
// whether a config line holds it and, if not, why. default_header as for
// show_block. The same result as show_block.
listing_result print_json_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header);

// Prints the member "config_II" for the Config_II region of image: its
// offset, state ("erased", "whole", "interrupted", "damaged"), message and
// records. The same result as show_region.
listing_result print_json_region(std::span<const uint8_t> image);
