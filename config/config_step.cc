#include "config/config_step.h"

#include <cstdio>

#include "base/layout.h"
#include "base/partition.h"
#include "base/result.h"
#include "base/trace.h"
#include "config/block.h"
#include "config/builder.h"
#include "config/environment.h"

int build_config_step(std::span<const uint8_t> image, std::span<uint8_t> block, std::span<uint8_t> environment,
                      const config_files &files, bool in_place) {
  // In place, an area in use is judged against the block once it is built.
  int result = in_place ? result_ok : config_empty(image, config_offset, config_size);
  if (result == result_ok) result = copy_default_config(block, image);
  size_t count = 0;
  if (result == result_ok) result = read_file_2_buffer(files.environment, environment, 0, &count);
  if (result == result_ok) end_environment_text(environment, count);
  if (result == result_ok) result = build_tolvane_config(files.config, block, (const char *)environment.data());
  if (result == result_ok && in_place && !programmable(image.subspan(config_offset, config_size), block)) {
    printf("ERROR: Config not empty\n");
    result = result_not_erased;
  }
  return result;
}

int write_config_step(std::span<const uint8_t> image, std::span<const uint8_t> block, const partition &target,
                      bool in_place) {
  trace("write to %s\n", printable_path(target.path));
  std::span<const uint8_t> present;
  if (in_place) present = image.subspan(config_offset, config_size);
  return write_config(block, target, config_offset, config_commit_size, present);
}
