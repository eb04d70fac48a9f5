#include "config/block.h"

#include <gtest/gtest.h>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/result.h"
#include "tests/fixture.h"

namespace {

struct locator_case {
  const char *title;
  uint32_t locator;
  uint16_t first, second, third;  // the descriptor's words at +4, +8, +12
  long source;                    // -1: no default config
};

TEST(copy_default_config, follows_the_locator) {
  const locator_case cases[] = {
      {"worked example", 0x00001000, 0x1234, 0x0200, 0x1000, 0x0434},
      {"erased", 0xFFFFFFFF, 0, 0, 0, -1},
      {"zero", 0, 0, 0, 0, -1},
      {"low half zero", 0x00010000, 0x1234, 0x0200, 0x1000, -1},
      {"high half ignored", 0xABCD1000, 0x1234, 0x0200, 0x1000, 0x0434},
      {"last descriptor inside the image", 0xFFF2, 0x2000, 0, 0, 0x2000},
      {"descriptor past the image", 0xFFF3, 0x2000, 0, 0, -1},
      {"source offset -1", 0x1000, 0, 0, 1, -1},
      {"source offset 0", 0x1000, 0, 0, 0, 0},
      {"source offset 65424", 0x1000, 0xFF90, 0, 0, 65424},
      {"source offset 65425", 0x1000, 0xFF91, 0, 0, -1},
      {"sum above 16 bits", 0x1000, 0xFFFF, 0xFFFF, 0x1FFFF & 0xFFFF, -1},
  };
  for (const locator_case &c : cases) {
    SCOPED_TRACE(c.title);
    bytes image = erased_image();
    uint32_t h = c.locator & 0xFFFF;
    put_le32(&image[locator_offset], c.locator);
    if (h != 0 && h + 14 <= image_size) {
      image[h + 4] = (uint8_t)c.first, image[h + 5] = (uint8_t)(c.first >> 8);
      image[h + 8] = (uint8_t)c.second, image[h + 9] = (uint8_t)(c.second >> 8);
      image[h + 12] = (uint8_t)c.third, image[h + 13] = (uint8_t)(c.third >> 8);
    }
    EXPECT_EQ(c.source, default_config_source(image));
    bytes header = pattern(header_size, 0x33);
    if (c.source >= 0) put_bytes(image, (uint32_t)c.source, header);
    bytes block(config_size, erased);
    testing::internal::CaptureStdout();
    int result = copy_default_config(block, image);
    std::string output = testing::internal::GetCapturedStdout();
    if (c.source < 0) {
      EXPECT_EQ(result_no_default_config, result);
      EXPECT_EQ("ERROR: found no Defaultconfig\n", output);
      EXPECT_EQ(bytes(config_size, erased), block);
    } else {
      EXPECT_EQ(result_ok, result);
      EXPECT_EQ(header, bytes(block.begin(), block.begin() + header_size));
      EXPECT_EQ(bytes(config_size - header_size, erased), bytes(block.begin() + header_size, block.end()));
    }
  }
}

TEST(write_tag, places_string_and_pointer) {
  bytes block(config_size, erased);
  uint32_t tag_pos = header_size, str_top = config_size;
  EXPECT_EQ(0, write_tag(block, tag_pos, str_top, "abc"));
  EXPECT_EQ(116u, tag_pos);
  EXPECT_EQ(1016u, str_top);
  EXPECT_EQ(0x90000978u, get_le32(&block[112]));
  EXPECT_EQ(text_bytes(std::string("abc\0", 4)), bytes(block.begin() + 1016, block.end()));
  bytes expected = block;
  // Room for "abc\0" and its pointer, and not a byte less.
  uint32_t tight_pos = 500, tight_top = 508;
  EXPECT_EQ(0, write_tag(block, tight_pos, tight_top, "abc"));
  block = expected;
  tight_pos = 500, tight_top = 507;
  EXPECT_EQ(-1, write_tag(block, tight_pos, tight_top, "abc"));
  EXPECT_EQ(expected, block);
  EXPECT_EQ(500u, tight_pos);
}

TEST(write_vartag, packs_strings_inside_the_area) {
  bytes block(20, erased);
  uint32_t pos = 10;
  EXPECT_EQ(0, write_vartag(block, pos, "beta"));
  EXPECT_EQ(0, write_vartag(block, pos, "7"));
  EXPECT_EQ(17u, pos);
  EXPECT_EQ(-1, write_vartag(block, pos, "xyz"));
  EXPECT_EQ(0, write_vartag(block, pos, "xy"));
  EXPECT_EQ(text_bytes(std::string("beta\0"
                                   "7\0"
                                   "xy\0",
                                   10)),
            bytes(block.begin() + 10, block.end()));
}

}  // namespace
