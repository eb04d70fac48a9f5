#include "config/config_step.h"

#include <algorithm>
#include <cstdio>

#include "base/layout.h"
#include "base/partition.h"
#include "base/report.h"
#include "base/result.h"
#include "base/trace.h"
#include "config/block.h"
#include "config/builder.h"
#include "config/environment.h"

// In place, the config block area may hold part of this block's write, its
// first word erased or half programmed: then every byte must still be one that
// programming turns into the block's. Or it holds a block that a finished run
// committed: then it must be this block, byte for byte, and nothing is written.
// Anything else is refused as without -r: -13 after "ERROR: Config not empty".
static int check_in_place(std::span<const uint8_t> area, std::span<const uint8_t> block) {
  bool finished = committed(area.first(config_commit_size), block.first(config_commit_size));
  bool completes =
      finished ? std::equal(area.begin(), area.end(), block.begin(), block.end()) : programmable(area, block);
  if (completes) return result_ok;
  report("ERROR: Config not empty\n");
  return result_not_erased;
}

config_inputs read_config_inputs(const config_files &files, std::span<uint8_t> environment, std::span<char> ahead) {
  config_inputs inputs;
  inputs.environment_path = files.environment;
  inputs.environment = read_file(files.environment, environment);
  inputs.config = read_config_ahead(files.config, ahead);
  return inputs;
}

void release_config_inputs(config_inputs &inputs) { close_config_source(inputs.config); }

int build_config_step(std::span<const uint8_t> image, std::span<uint8_t> block, std::span<uint8_t> environment,
                      const config_inputs &inputs, bool in_place) {
  // In place, an area in use is judged against the block once it is built.
  int result = in_place ? result_ok : config_empty(image, config_offset, config_size);
  if (result == result_ok) result = copy_default_config(block, image);
  if (result == result_ok) result = check_file_read(inputs.environment_path, inputs.environment);
  if (result == result_ok) end_environment_text(environment, (size_t)inputs.environment.count);
  if (result == result_ok) {
    env_lookups lookups{(const char *)environment.data()};
    // Read ahead whole, the config file tells the environment's index which names to keep.
    if (!inputs.config.rest) expect_names_of(lookups, inputs.config.ahead);
    result = build_config_source(inputs.config, block, {find_in_environment, &lookups});
    release_env_lookups(lookups);
  }
  if (result == result_ok && in_place) result = check_in_place(image.subspan(config_offset, config_size), block);
  return result;
}

int write_config_step(std::span<const uint8_t> image, std::span<const uint8_t> block, partition &target,
                      bool in_place) {
  trace("write to %s\n", printable_path(target.path));
  std::span<const uint8_t> present;
  if (in_place) present = image.subspan(config_offset, config_size);
  return write_config(block, target, config_offset, config_commit_size, present);
}
