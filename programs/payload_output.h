// show_config's payload outputs: a record's payload goes to a plain file or a
// pipe, never to the partition itself, nor to any device, where it would
// overwrite what it was read from or something else.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <span>

#include "calibration/region_listing.h"
#include "programs/show_messages.h"

// show_ok, or show_payload_refused after a message when the file at path
// exists and must not receive a payload. partition: the partition's status.
int check_payload_output(const char *path, const struct stat &partition, show_messages &messages);

// Writes the payload of the first listed record of kind's type (in image) to
// path, replacing what a plain file held. show_ok, or show_payload_refused
// after a message: no such record, path is the partition or a device, or the
// payload cannot be written there.
int write_payload(std::span<const uint8_t> image, const region_listing &region, const record_kind &kind,
                  const char *path, const struct stat &partition, show_messages &messages);
