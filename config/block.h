// The config block: 1020 bytes at partition offset 0x580. A 112-byte header,
// then the tag pointer table growing up and the fixed strings growing down from
// the block's end; the variable area follows the table's two zero words. Every
// pointer is config_address_base plus a block offset, a little-endian word.
#pragma once

#include <cstdint>
#include <span>

inline constexpr uint32_t config_address_base = 0x90000580;
inline constexpr uint32_t header_size = 112;

// Byte offsets of the header's named fields, each a 32-bit little-endian word.
// The bytes between them are carried unchanged from the default header.
enum header_field : uint32_t {
  header_version = 0,
  header_memsize = 36,
  header_flashsize = 40,
  header_systemfrequency = 44,
  header_cpufrequency = 48,
  header_feature_low = 100,
  header_feature_high = 104,
  header_var_data = 108,
};

// Image offset of the default header that the locator word at 0x97C leads to,
// or -1 when there is none or it, or its descriptor, would leave the image.
long default_config_source(std::span<const uint8_t> image);

// Copies the default header to the start of block: 0, or -11 after
// "ERROR: found no Defaultconfig" with block untouched (also when the header's
// first word is erased).
int copy_default_config(std::span<uint8_t> block, std::span<const uint8_t> image);

// Places string with its NUL right below str_top and its pointer at tag_pos,
// lowering str_top and raising tag_pos by 4. 0, or -1 with nothing placed when
// the string and the pointer would not fit between tag_pos and str_top.
int write_tag(std::span<uint8_t> block, uint32_t &tag_pos, uint32_t &str_top, const char *string);

// Appends string with its NUL at pos of area and raises pos past it. 0, or -1
// with nothing placed when it would not fit inside area.
int write_vartag(std::span<uint8_t> area, uint32_t &pos, const char *string);
