#include "programs/show_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "base/layout.h"
#include "base/partition.h"
#include "base/report.h"
#include "programs/payload_output.h"
#include "programs/show_status.h"

namespace {

// The image and its listing, allocated together and freed together.
struct show_buffers {
  uint8_t *image = nullptr;
  partition_listing *listing = nullptr;
};

int allocate(show_buffers &buffers) {
  buffers.image = (uint8_t *)malloc(image_size);
  buffers.listing = (partition_listing *)malloc(sizeof(partition_listing));
  return buffers.image && buffers.listing ? show_ok : show_unreadable;
}

void release(show_buffers &buffers) {
  free(buffers.image);
  free(buffers.listing);
}

// No message ever goes into the partition: standard error that is the
// partition (">> /dev/mtd2 2>&1") is sent to /dev/null instead.
int keep_errors_out(const partition &source) {
  if (!shares_partition(source, STDERR_FILENO)) return show_ok;
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  bool moved = null >= 0 && dup2(null, STDERR_FILENO) == STDERR_FILENO;
  if (null >= 0) close(null);
  return moved ? show_ok : show_output_failed;
}

int read_image(const partition &source, std::span<uint8_t> image, struct stat &status, show_messages &messages) {
  if (read_partition(source, image) != 0) return show_unreadable;
  if (fstat(source.fd, &status) == 0) return show_ok;
  report(messages, "cannot read the status of %s", source.path);
  return show_unreadable;
}

// Reads the image and the partition's status under a shared lock: a run of
// set_config on the partition finishes first, so the listing never shows it
// half written. printable turns false when standard output cannot carry a
// listing at all (it is the partition): nothing is printed then.
int read_step(const char *path, std::span<uint8_t> image, show_messages &messages, struct stat &status,
              bool &printable) {
  partition source;
  int result = open_partition(source, path, partition_read) == 0 ? show_ok : show_unreadable;
  if (result == show_ok) result = keep_errors_out(source);
  if (result == show_ok && shares_partition(source, STDOUT_FILENO)) {
    (void)fprintf(stderr, "show_config: standard output is the partition %s\n", path);
    printable = false;
    result = show_output_failed;
  }
  if (result == show_ok) result = read_image(source, image, status, messages);
  close_partition(source);
  return result;
}

// Writes each payload asked for, in the record types' order, until one fails:
// result, or that failure's status.
int write_payloads(const show_options &options, std::span<const uint8_t> image, const region_listing &region,
                   const struct stat &partition_stat, show_messages &messages, int result) {
  for (const record_kind &kind : record_kinds) {
    const char *output = options.payload[kind.type];
    if (!output) continue;
    int written = write_payload(image, region, kind, output, partition_stat, messages);
    if (written != show_ok) return written;
  }
  return result;
}

// The steps in their fixed order, on buffers that exist. The payloads are
// written out of a listing that is shown, and only then.
int show_steps(const show_options &options, const show_buffers &buffers, show_messages &messages) {
  std::span<uint8_t> image(buffers.image, image_size);
  const listing_format &format = *options.format;
  struct stat partition_stat {};
  bool printable = true;
  int result = read_step(options.tolvane, image, messages, partition_stat, printable);
  if (!printable) return result;
  for (const char *output : options.payload) {
    if (result == show_ok && output) result = check_payload_output(output, partition_stat, messages);
  }
  show_report report{options.tolvane, nullptr, &messages, result};
  if (result == show_ok) {
    list_partition(image, *buffers.listing);
    report.listing = buffers.listing;
    result = listing_status(*buffers.listing);
  }
  format.print_listing(report);
  if (result == show_ok || result == show_with_comments) {
    result = write_payloads(options, image, buffers.listing->config_II, partition_stat, messages, result);
  }
  report.status = result;
  format.print_end(report);
  return result;
}

}  // namespace

int run_show(const show_options &options) {
  show_buffers buffers;
  show_messages messages;
  // What the partition's functions say is the listing's to show.
  reporter before = set_reporter({collect_reported, &messages});
  int result = allocate(buffers);
  if (result == show_ok) {
    result = show_steps(options, buffers, messages);
  } else {
    (void)fprintf(stderr, "show_config: no memory for the partition's listing\n");
  }
  release(buffers);
  set_reporter(before);
  return result;
}
