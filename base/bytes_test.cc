#include "base/bytes.h"

#include <gtest/gtest.h>

TEST(bytes, are_little_endian_on_every_host) {
  uint8_t word[4];
  put_le32(word, 0x90000978);
  EXPECT_EQ(0x78, word[0]);
  EXPECT_EQ(0x09, word[1]);
  EXPECT_EQ(0x00, word[2]);
  EXPECT_EQ(0x90, word[3]);
  EXPECT_EQ(0x90000978u, get_le32(word));
  uint8_t half[2];
  put_le16(half, 0xF234);
  EXPECT_EQ(0x34, half[0]);
  EXPECT_EQ(0xF2, half[1]);
  EXPECT_EQ(0xF234, get_le16(half));
}
