// The config step of a run: its checks and build, and the write of the block.
#pragma once

#include <cstdint>
#include <span>

#include "base/partition.h"

// The files the config step reads.
struct config_files {
  const char *config;       // -i
  const char *environment;  // -e
};

// Checks that the config area of image is erased, starts block from the default
// header, reads the environment text into environment (always NUL-terminated)
// and builds block from the config file. 0 or the first failure's code.
// in_place (-r): the area may already hold part or all of the block built, so
// it is checked once the block is built. A block whose first word a finished
// run put down is final: it must be the block built, byte for byte. Else the
// first word is erased or half programmed, a cut write, and each byte must be
// one that programming turns into the block's. "ERROR: Config not empty" and
// -13 otherwise.
int build_config_step(std::span<const uint8_t> image, std::span<uint8_t> block, std::span<uint8_t> environment,
                      const config_files &files, bool in_place = false);

// Writes the finished block into the partition at tolvane, its first word
// last; in_place: only the bytes that image does not hold already. 0 or -12.
int write_config_step(std::span<const uint8_t> image, std::span<const uint8_t> block, const partition &target,
                      bool in_place = false);
