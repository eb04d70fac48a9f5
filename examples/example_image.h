// An example partition image for tests and the demo, made here from scratch:
// erased everywhere but a default header and the locator that finds it.
#pragma once

#include <cstdint>
#include <span>

// Image offsets of the example default header and of its locator's descriptor.
inline constexpr uint32_t example_header_offset = 0x2000;
inline constexpr uint32_t example_descriptor_offset = 0x1000;

// Fills image (64 KiB) with the example: erased, a 112-byte default header at
// 0x2000 (version 3, 32 MiB memory, 8 MiB flash, example frequencies and
// features) and the locator word at 0x97C with its descriptor at 0x1000.
void make_example_image(std::span<uint8_t> image);
