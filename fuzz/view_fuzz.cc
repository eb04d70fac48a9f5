// show_config's readers and listing over an arbitrary config block (the
// input's first 1020 bytes) and Config_II region (the next 1152): never a read
// outside the image, and a listing that holds what its state says.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/layout.h"
#include "calibration/region_listing.h"
#include "config/block_listing.h"
#include "fuzz/check.h"

namespace {

// Large records: one of each, reused by every input.
block_listing block_listed;
region_listing region_listed;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  quiet_stdout();
  // The image ends right after the region, so a read past it is caught.
  std::vector<uint8_t> image(config_II_offset + config_II_size, erased);
  size_t length = size < config_size + config_II_size ? size : config_size + config_II_size;
  size_t block_part = length < config_size ? length : config_size;
  memcpy(&image[config_offset], data, block_part);
  memcpy(&image[config_II_offset], data + block_part, length - block_part);
  // The block is handed over as its own 1020 bytes, as show_config does.
  std::vector<uint8_t> block(image.begin() + config_offset, image.begin() + config_offset + config_size);
  // The default header, when there is one, is the input's first 112 bytes too.
  list_block(block, std::span<const uint8_t>(block).first(112), block_listed);
  bool troubled = block_listed.state == area_interrupted || block_listed.state == area_damaged;
  check(troubled == (block_listed.message[0] != '\0'), "the block has a message when it is interrupted or damaged");
  check(block_listed.tag_count <= block_tags_max, "the tags fit their array");
  list_region(image, region_listed);
  troubled = region_listed.state == area_interrupted || region_listed.state == area_damaged;
  check(troubled == (region_listed.message[0] != '\0'), "the region has a message when it is interrupted or damaged");
  for (uint32_t i = 0; i < region_listed.record_count; i++) {
    const record_view &record = region_listed.records[i];
    check(record.offset + 4 + record.length <= config_II_offset + config_II_size,
          "a listed record lies inside the region");
  }
  return 0;
}
