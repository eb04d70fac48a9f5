#include "examples/example_image.h"

#include <cstring>

#include "base/bytes.h"
#include "base/layout.h"
#include "config/block.h"

void make_example_image(std::span<uint8_t> image) {
  memset(image.data(), erased, image.size());
  uint8_t *header = &image[example_header_offset];
  for (uint32_t i = 0; i < header_size; i++) header[i] = (uint8_t)(0x41 + i * 13);
  put_le32(header + header_offset("version"), 3);
  put_le32(header + header_offset("memsize"), 0x02000000);
  put_le32(header + header_offset("flashsize"), 0x00800000);
  put_le32(header + header_offset("systemfrequency"), 125000000);
  put_le32(header + header_offset("cpufrequency"), 250000000);
  put_le32(header + header_offset("feature_low"), 0x0000001F);
  put_le32(header + header_offset("feature_high"), 0);
  put_le32(header + header_offset("var_data"), 0xFFFFFFFF);
  // The header lies at first - third + second of the descriptor's 16-bit words.
  put_le32(&image[locator_offset], example_descriptor_offset);
  uint8_t *descriptor = &image[example_descriptor_offset];
  put_le32(descriptor + 4, example_header_offset + 0x100);
  put_le32(descriptor + 8, 0x40);
  put_le32(descriptor + 12, 0x140);
}
