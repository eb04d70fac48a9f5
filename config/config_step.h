// The config step of a run: its checks and build, and the write of the block.
#pragma once

#include <cstdint>
#include <span>

#include "base/partition.h"
#include "config/config_lines.h"

// The files the config step reads.
struct config_files {
  const char *config;       // -i
  const char *environment;  // -e
};

// What the config step reads, read before the run takes the partition's lock
// so that an input that never ends holds no other run: the environment text in
// the environment buffer, and the config file read ahead. Nothing is said of
// them until the step meets them.
struct config_inputs {
  const char *environment_path = nullptr;
  file_read environment;
  config_source config;
};

// Reads the environment text into environment and the config file's first
// bytes into ahead, printing nothing.
config_inputs read_config_inputs(const config_files &files, std::span<uint8_t> environment, std::span<char> ahead);

// Closes what the inputs keep open.
void release_config_inputs(config_inputs &inputs);

// Checks that the config area of image is erased, starts block from the default
// header, takes the environment text that inputs read (ending it with a NUL
// inside environment: "ERROR: reading file %s len %d" and -3 when it could not
// be read whole or is empty) and builds block from the config file. 0 or the
// first failure's code.
// in_place (-r): the area may already hold part or all of the block built, so
// it is checked once the block is built. A block whose first word a finished
// run put down is final: it must be the block built, byte for byte. Else the
// first word is erased or half programmed, a cut write, and each byte must be
// one that programming turns into the block's. "ERROR: Config not empty" and
// -13 otherwise.
int build_config_step(std::span<const uint8_t> image, std::span<uint8_t> block, std::span<uint8_t> environment,
                      const config_inputs &inputs, bool in_place = false);

// Writes the finished block into the partition at tolvane, its first word
// last; in_place: only the bytes that image does not hold already. 0 or -12.
int write_config_step(std::span<const uint8_t> image, std::span<const uint8_t> block, partition &target,
                      bool in_place = false);
