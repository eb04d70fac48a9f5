// The default-config locator over an arbitrary image: the input's first four
// bytes are the locator word, the rest lies at the descriptor it names.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/result.h"
#include "config/block.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  quiet_stdout();
  if (size < 4) return 0;
  std::vector<uint8_t> image(image_size, erased);
  memcpy(&image[locator_offset], data, 4);
  uint32_t descriptor = get_le32(data) & 0xFFFF;
  size_t rest = size - 4;
  if (rest > image_size - descriptor) rest = image_size - descriptor;
  memcpy(&image[descriptor], data + 4, rest);

  std::vector<uint8_t> block(config_size, 0x5A);
  int result = copy_default_config(block, image);
  long source = default_config_source(image);
  if (result == result_ok) {
    check(source >= 0 && source + header_size <= image_size, "the header lies inside the image");
    check(get_le32(&image[(size_t)source]) != 0xFFFFFFFF, "a header's first word is written");
    check(memcmp(block.data(), &image[(size_t)source], header_size) == 0, "the header is copied whole");
    for (uint32_t i = header_size; i < config_size; i++) check(block[i] == 0x5A, "nothing else is written");
  } else {
    // A header whose first word is erased is no header either.
    bool erased_header = source >= 0 && get_le32(&image[(size_t)source]) == 0xFFFFFFFF;
    check(result == result_no_default_config && (source < 0 || erased_header),
          "a refused locator is one that finds nothing, or an erased header");
    for (uint8_t byte : block) check(byte == 0x5A, "a refused locator writes nothing");
  }
  return 0;
}
