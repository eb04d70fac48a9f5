#include "base/layout.h"

#include <gtest/gtest.h>

#include "base/result.h"
#include "tests/fixture.h"

namespace {

TEST(config_empty, needs_every_byte_erased) {
  bytes image = erased_image();
  image[config_offset + config_size - 1] = 0x00;
  struct area_case {
    uint32_t offset, size;
    int result;
  };
  const area_case cases[] = {
      {config_offset, config_size, result_not_erased},  // last byte in use
      {config_offset, config_size - 1, result_ok},     {config_offset + config_size - 1, 0, result_ok},  // empty area
      {config_II_offset, config_II_size, result_ok},   {image_size - 4, 8, result_not_erased},  // leaves the image
  };
  for (const area_case &c : cases) {
    SCOPED_TRACE(c.offset);
    testing::internal::CaptureStdout();
    EXPECT_EQ(c.result, config_empty(image, c.offset, c.size));
    EXPECT_EQ(c.result == result_ok ? "" : "ERROR: Config not empty\n", testing::internal::GetCapturedStdout());
  }
}

TEST(programmable, needs_every_bit_of_the_new_bytes) {
  struct bits_case {
    uint8_t old_byte, new_byte;
    bool programmable;
  };
  const bits_case cases[] = {
      {0xFF, 0x02, true},  {0x02, 0x02, true},  {0x42, 0x02, true},  // erased, equal, half programmed
      {0x00, 0x02, false}, {0x01, 0x02, false}, {0x7F, 0x80, false},
  };
  for (const bits_case &c : cases) {
    SCOPED_TRACE(c.old_byte);
    const uint8_t old_bytes[] = {0xFF, c.old_byte}, new_bytes[] = {0x00, c.new_byte};
    EXPECT_EQ(c.programmable, programmable(old_bytes, new_bytes));
  }
  const uint8_t three[] = {0xFF, 0xFF, 0xFF};
  EXPECT_FALSE(programmable(three, std::span<const uint8_t>(three).first(2)));  // not as long
}

}  // namespace
