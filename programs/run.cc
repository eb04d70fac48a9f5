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

// The buffers of a run, allocated as one and freed together.
struct run_buffers {
  uint8_t *environment = nullptr;
  uint8_t *image = nullptr;
  uint8_t *block = nullptr;
  uint8_t *records = nullptr;
  char *config = nullptr;  // the config file's first bytes, read ahead
};

int allocate(run_buffers &buffers) {
  uint8_t *all = (uint8_t *)malloc(env_buffer_size + image_size + config_size + config_II_size + config_read_ahead);
  if (!all) return result_no_memory;
  memset(all, 0, env_buffer_size);
  memset(all + env_buffer_size, erased, image_size + config_size + config_II_size);
  buffers.environment = all;
  buffers.image = all + env_buffer_size;
  buffers.block = buffers.image + image_size;
  buffers.records = buffers.block + config_size;
  buffers.config = (char *)(buffers.records + config_II_size);
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

// What a run reads besides the partition, read before the partition is locked:
// a run blocked on an input (a FIFO whose writer stays) blocks no other run.
struct run_inputs {
  config_inputs config;
  calibration_files files;
  calibration_inputs calibration;
  bool calibrating = false;
};

void read_inputs(const run_options &options, const run_buffers &buffers, run_inputs &inputs) {
  if (options.config) {
    inputs.config = read_config_inputs({options.config, options.environment}, {buffers.environment, env_buffer_size},
                                       {buffers.config, config_read_ahead});
  }
  for (const record_kind &kind : record_kinds) {
    inputs.files.file[kind.type] = options.calibration[kind.type];
    inputs.calibrating = inputs.calibrating || options.calibration[kind.type];
  }
  read_calibration_inputs(inputs.files, {buffers.records, config_II_size}, inputs.calibration);
}

// The steps' checks and builds, in their fixed order, before anything is written.
int build_steps(const run_options &options, const run_buffers &buffers, const run_inputs &inputs,
                record_placement &placement) {
  std::span<const uint8_t> image(buffers.image, image_size);
  int result = result_ok;
  if (options.config) {
    result = build_config_step(image, {buffers.block, config_size}, {buffers.environment, env_buffer_size},
                               inputs.config, options.in_place);
  }
  if (result == result_ok && inputs.calibrating) {
    result = build_calibration_step(image, {buffers.records, config_II_size}, inputs.files, inputs.calibration,
                                    options.in_place, placement);
  }
  return result;
}

// The steps' writes: the records, then the block.
int write_steps(const run_options &options, const run_buffers &buffers, const run_inputs &inputs,
                const record_placement &placement, partition &target) {
  std::span<const uint8_t> image(buffers.image, image_size);
  int result = result_ok;
  if (inputs.calibrating) {
    result = write_calibration_step(image, {buffers.records, config_II_size}, inputs.files, placement, target,
                                    options.in_place);
  }
  if (result == result_ok && options.config) {
    result = write_config_step(image, {buffers.block, config_size}, target, options.in_place);
  }
  return result;
}

// The run on buffers that all exist.
int run_steps(const run_options &options, const run_buffers &buffers) {
  run_inputs inputs;
  read_inputs(options, buffers, inputs);
  partition target;
  // One transaction on the target: opened and locked before the image is read,
  // released after the last write.
  int result = open_partition(target, options.tolvane, options.check ? partition_checked : partition_written);
  if (result == result_ok) result = keep_messages_out(target);
  if (result == result_ok && options.tolvane) result = read_partition(target, {buffers.image, image_size});
  record_placement placement;
  if (result == result_ok) result = build_steps(options, buffers, inputs, placement);
  // From the first write to the last one's read-back, no signal cuts the run.
  held_signals signals;
  if (result == result_ok && !options.check) hold_stop_signals(signals);
  if (result == result_ok) result = write_steps(options, buffers, inputs, placement, target);
  if (result == result_ok && target.described > 0) result = result_would_write;
  // A target that cannot be closed cleanly may not hold what was written.
  if (!close_partition(target) && result == result_ok) {
    printf("[write_config] ERROR: %d\n", result_write);
    result = result_write;
  }
  release_stop_signals(signals);
  release_config_inputs(inputs.config);
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
