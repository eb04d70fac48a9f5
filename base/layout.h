// The partition's first 64 KiB and the run's buffers: every size and offset in one
// place, and the checks of what the areas hold.
#pragma once

#include <cstdint>
#include <span>

inline constexpr uint32_t image_size = 0x10000;      // the part of the partition read and checked
inline constexpr uint32_t config_offset = 0x580;     // config block
inline constexpr uint32_t config_size = 0x3FC;       // 1020 bytes
inline constexpr uint32_t locator_offset = 0x97C;    // default-config locator word
inline constexpr uint32_t config_II_offset = 0x980;  // Config_II region: calibration records
inline constexpr uint32_t config_II_size = 0x480;    // 1152 bytes
inline constexpr uint32_t env_buffer_size = 16384;   // environment text, always NUL-terminated
inline constexpr uint32_t config_read_ahead = 8192;  // config file bytes read before the partition is locked
inline constexpr uint8_t erased = 0xFF;              // an erased flash byte
// What makes a write visible, and so goes into the partition last: the config
// block's first word, and the version byte of the first record written.
inline constexpr uint32_t config_commit_size = 4;
inline constexpr uint32_t config_II_commit_size = 1;

static_assert(config_offset + config_size == locator_offset, "the block ends where the locator begins");
static_assert(locator_offset + 4 == config_II_offset, "the region begins right after the locator");
static_assert(config_II_offset + config_II_size <= image_size, "the region lies inside the image");

// The checks of the bytes that these areas hold.

// True when the size bytes of image from offset on lie inside it and are all erased.
bool is_erased(std::span<const uint8_t> image, uint32_t offset, uint32_t size);

// 0 when the size bytes of image from offset on are all erased, else -13 after
// "ERROR: Config not empty" (also for an area that leaves the image).
int config_empty(std::span<const uint8_t> image, uint32_t offset, uint32_t size);

// True when each of data's bytes can be programmed over the byte that present
// holds at its place: programming only clears bits, so the old byte must hold
// every bit of the new one (an erased byte, an equal byte, a half-programmed one).
bool programmable(std::span<const uint8_t> present, std::span<const uint8_t> data);

// True when present, the commit bytes that an area holds, were put down by a
// write that finished: equal to data's (the commit bytes of the write about to
// be made), or bytes that programming can no longer turn into them. Erased or
// half-programmed commit bytes belong to a write that was cut.
bool committed(std::span<const uint8_t> present, std::span<const uint8_t> data);
