#include "programs/run.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/layout.h"
#include "base/partition.h"
#include "base/process.h"
#include "base/result.h"
#include "calibration/calibration_step.h"
#include "config/config_step.h"

namespace {

// The four buffers of a run, allocated as one and freed together.
struct run_buffers {
  uint8_t *environment = nullptr;
  uint8_t *image = nullptr;
  uint8_t *block = nullptr;
  uint8_t *records = nullptr;
};

int allocate(run_buffers &buffers) {
  uint8_t *all = (uint8_t *)malloc(env_buffer_size + image_size + config_size + config_II_size);
  if (!all) return result_no_memory;
  memset(all, 0, env_buffer_size);
  memset(all + env_buffer_size, erased, image_size + config_size + config_II_size);
  buffers.environment = all;
  buffers.image = all + env_buffer_size;
  buffers.block = buffers.image + image_size;
  buffers.records = buffers.block + config_size;
  return result_ok;
}

void release(run_buffers &buffers) { free(buffers.environment); }

// Messages never go into the partition: a run whose standard output or error
// is the partition itself (">> /dev/mtd2") writes nothing. Its message goes to
// whichever of the two is not the partition.
int keep_messages_out(const partition &target) {
  bool out = shares_partition(target, STDOUT_FILENO);
  bool err = shares_partition(target, STDERR_FILENO);
  if (!out && !err) return result_ok;
  if (!out || !err) {
    (void)fprintf(out ? stderr : stdout, "ERROR: %s is standard output or standard error: nothing written\n",
                  target.path);
  }
  return result_write;
}

// The steps in their fixed order, on buffers that all exist.
int run_steps(const run_options &options, const run_buffers &buffers) {
  std::span<uint8_t> environment(buffers.environment, env_buffer_size);
  std::span<uint8_t> image(buffers.image, image_size);
  std::span<uint8_t> block(buffers.block, config_size);
  std::span<uint8_t> records_buffer(buffers.records, config_II_size);
  partition target;
  // One transaction on the target: opened and locked before the image is read,
  // released after the last write.
  int result = open_partition(target, options.tolvane);
  if (result == result_ok) result = keep_messages_out(target);
  if (result == result_ok && options.tolvane) result = read_partition(target, image);
  bool in_place = options.in_place;
  if (result == result_ok && options.config) {
    result = build_config_step(image, block, environment, {options.config, options.environment}, in_place);
  }
  calibration_files calibration;
  bool calibrating = false;
  for (const record_kind &kind : record_kinds) {
    calibration.file[kind.type] = options.calibration[kind.type];
    calibrating = calibrating || options.calibration[kind.type];
  }
  record_placement placement;
  if (result == result_ok && calibrating) {
    result = build_calibration_step(image, records_buffer, calibration, in_place, placement);
  }
  // From the first write to the last one's read-back, no signal cuts the run.
  held_signals signals;
  if (result == result_ok) hold_stop_signals(signals);
  if (result == result_ok && calibrating) {
    result = write_calibration_step(image, records_buffer, calibration, placement, target, in_place);
  }
  if (result == result_ok && options.config) result = write_config_step(image, block, target, in_place);
  // A target that cannot be closed cleanly may not hold what was written.
  if (!close_partition(target) && result == result_ok) {
    printf("[write_config] ERROR: %d\n", result_write);
    result = result_write;
  }
  release_stop_signals(signals);
  return result;
}

}  // namespace

int run(const run_options &options) {
  run_buffers buffers;
  int result = allocate(buffers);
  if (result == result_ok) result = run_steps(options, buffers);
  release(buffers);
  return result;
}
