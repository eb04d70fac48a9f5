// show_config's readers, listing and printers over an arbitrary config block
// (the input's first 1020 bytes) and Config_II region (the next 1152): never a
// read outside the image, and a listing that holds what its state says.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/layout.h"
#include "fuzz/check.h"
#include "programs/listing_formats.h"

namespace {

// A large record: one, reused by every input.
partition_listing listing;

void check_area(area_state state, const char *message, const char *area) {
  bool troubled = state == area_interrupted || state == area_damaged;
  check(troubled == (message[0] != '\0'), area);
}

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
  list_block(block, std::span<const uint8_t>(block).first(112), listing.config);
  check_area(listing.config.state, listing.config.message, "the block has a message when interrupted or damaged");
  list_region(image, listing.config_II);
  check_area(listing.config_II.state, listing.config_II.message,
             "the region has a message when interrupted or damaged");
  for (uint32_t i = 0; i < listing.config_II.record_count; i++) {
    const record_view &record = listing.config_II.records[i];
    check(record.offset + 4 + record.length <= config_II_offset + config_II_size,
          "a listed record lies inside the region");
  }
  show_messages messages;
  show_report report{"partition", &listing, &messages, 0};
  for (const listing_format &format : listing_formats) {
    format.print_listing(report);
    if (format.print_end) format.print_end(report);
  }
  return 0;
}
