#include "config/block.h"

#include <cstdio>
#include <cstring>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/report.h"
#include "base/result.h"

static_assert(config_address_base == 0x90000000 + config_offset, "pointers address the block where it lies");
static_assert(header_var_data + 4 == header_size, "var_data is the header's last word");

long default_config_source(std::span<const uint8_t> image) {
  if (image.size() < locator_offset + 4) return -1;
  uint32_t locator = get_le32(&image[locator_offset]);
  uint32_t descriptor = locator & 0xFFFF;
  if (locator == 0 || locator == 0xFFFFFFFF || descriptor == 0) return -1;
  // Three 16-bit words at descriptor + 4, + 8 and + 12.
  if (descriptor + 14 > image.size()) return -1;
  int32_t first = get_le16(&image[descriptor + 4]);
  int32_t second = get_le16(&image[descriptor + 8]);
  int32_t third = get_le16(&image[descriptor + 12]);
  long source = first - third + second;
  if (source < 0 || (size_t)source + header_size > image.size()) return -1;
  return source;
}

int copy_default_config(std::span<uint8_t> block, std::span<const uint8_t> image) {
  long source = default_config_source(image);
  // A header whose first word is erased is no header: the locator leads into
  // flash that was never written.
  if (source < 0 || block.size() < header_size || get_le32(&image[(size_t)source]) == 0xFFFFFFFF) {
    report("ERROR: found no Defaultconfig\n");
    return result_no_default_config;
  }
  memcpy(block.data(), image.data() + source, header_size);
  return result_ok;
}

int write_tag(std::span<uint8_t> block, uint32_t &tag_pos, uint32_t &str_top, const char *string) {
  size_t n = strlen(string) + 1;
  if (str_top > block.size() || tag_pos > str_top || n + 4 > str_top - tag_pos) return -1;
  str_top -= (uint32_t)n;
  memcpy(block.data() + str_top, string, n);
  put_le32(block.data() + tag_pos, config_address_base + str_top);
  tag_pos += 4;
  return 0;
}

int write_vartag(std::span<uint8_t> area, uint32_t &pos, const char *string) {
  size_t n = strlen(string) + 1;
  if (pos > area.size() || n > area.size() - pos) return -1;
  memcpy(area.data() + pos, string, n);
  pos += (uint32_t)n;
  return 0;
}
