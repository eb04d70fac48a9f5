// The config block: 1020 bytes at partition offset 0x580. A 112-byte header,
// then the tag pointer table growing up and the fixed strings growing down from
// the block's end; the variable area follows the table's two zero words. Every
// pointer is config_address_base plus a block offset, a little-endian word.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

inline constexpr uint32_t config_address_base = 0x90000580;
inline constexpr uint32_t header_size = 112;

// The header's named fields, each a 32-bit little-endian word at a block
// offset, in block order; the listings show them in this order. The bytes
// between them are carried unchanged from the default header.
struct header_field {
  const char *name;
  uint32_t offset;
};
inline constexpr header_field header_fields[] = {
    {"version", 0},       {"memsize", 36},      {"flashsize", 40},     {"systemfrequency", 44},
    {"cpufrequency", 48}, {"feature_low", 100}, {"feature_high", 104}, {"var_data", 108},
};
inline constexpr uint32_t header_field_count = std::size(header_fields);

// Not defined: a look-up of a name that header_fields lacks calls it, and so
// does not compile.
uint32_t no_such_header_field();

// The block offset of the header field called name.
consteval uint32_t header_offset(std::string_view name) {
  for (const header_field &field : header_fields) {
    if (name == field.name) return field.offset;
  }
  return no_such_header_field();
}

// True when the fields are whole words inside the header, in block order.
consteval bool header_fields_in_order() {
  uint32_t next = 0;
  for (const header_field &field : header_fields) {
    if (field.offset < next || field.offset % 4 != 0) return false;
    next = field.offset + 4;
  }
  return next <= header_size;
}
static_assert(header_fields_in_order(), "the named fields are words inside the header, in block order");

// The pointer to the variable area, the header's last word.
inline constexpr uint32_t header_var_data = header_offset("var_data");

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
