// show_config's readers over an arbitrary config block (the input's first 1020
// bytes) and Config_II region (the next 1152): never a read outside the image.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/layout.h"
#include "calibration/region_reader.h"
#include "calibration/region_view.h"
#include "config/block_view.h"
#include "fuzz/check.h"

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
  listing_result shown = show_block(block, std::span<const uint8_t>(block).first(112));
  check(shown >= listed && shown <= listed_interrupted, "the block is shown, with a tag as a comment, or refused");
  shown = show_region(image);
  check(shown == listed || shown == listed_damaged || shown == listed_interrupted, "the region is shown or refused");
  record_view record;
  for (record_type type : {record_wlan, record_dect}) {
    if (find_record(image, type, record)) {
      check(record.offset + 4 + record.length <= config_II_offset + config_II_size,
            "a found record lies inside the region");
    }
  }
  return 0;
}
