// The config step of a run: its checks and build, and the write of the block.
#pragma once

#include <cstdint>
#include <span>

#include "driver/partition.h"

// The files the config step reads.
struct config_files {
  const char *config;       // -i
  const char *environment;  // -e
};

// Checks that the config area of image is erased, starts block from the default
// header, reads the environment text into environment (always NUL-terminated)
// and builds block from the config file. 0 or the first failure's code.
int build_config_step(std::span<const uint8_t> image, std::span<uint8_t> block, std::span<uint8_t> environment,
                      const config_files &files);

// Writes the finished block into the partition at tolvane: 0 or -12.
int write_config_step(std::span<const uint8_t> block, const partition &target);
