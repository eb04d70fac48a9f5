#include "programs/payload_output.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "programs/show_status.h"

namespace {

bool may_receive_payload(const struct stat &output, const struct stat &partition) {
  if (S_ISBLK(output.st_mode) || S_ISCHR(output.st_mode)) return false;
  return output.st_dev != partition.st_dev || output.st_ino != partition.st_ino;
}

int refuse_output(const char *path, show_messages &messages) {
  report(messages, "%s is the partition or a device: a payload goes to a plain file", path);
  return show_payload_refused;
}

// Writes all of data to fd, however many writes a pipe takes: false on a failure.
bool write_whole(int fd, std::span<const uint8_t> data) {
  for (size_t done = 0; done < data.size();) {
    ssize_t written = write(fd, data.data() + done, data.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += (size_t)written;
  }
  return true;
}

}  // namespace

int check_payload_output(const char *path, const struct stat &partition, show_messages &messages) {
  struct stat output;
  if (stat(path, &output) != 0 || may_receive_payload(output, partition)) return show_ok;
  return refuse_output(path, messages);
}

int write_payload(std::span<const uint8_t> image, const region_listing &region, const record_kind &kind,
                  const char *path, const struct stat &partition, show_messages &messages) {
  const record_view *record = listed_record(region, kind.type);
  if (!record) {
    report(messages, "no %s record in the Config_II region", kind.name);
    return show_payload_refused;
  }
  // Opened without truncation and checked again: what the name stood for may have changed.
  int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
  struct stat output {};
  bool opened = fd >= 0 && fstat(fd, &output) == 0;
  if (opened && !may_receive_payload(output, partition)) {
    close(fd);
    return refuse_output(path, messages);
  }
  std::span<const uint8_t> payload = image.subspan(record->offset + record_header_size, record->length);
  // A plain file is cut to the payload; a pipe (">(xxd)") takes it as it comes.
  bool written = opened && (!S_ISREG(output.st_mode) || ftruncate(fd, 0) == 0) && write_whole(fd, payload);
  if (fd >= 0 && close(fd) != 0) written = false;
  if (!written) {
    report(messages, "cannot write the %s payload to %s", kind.name, path);
    return show_payload_refused;
  }
  return show_ok;
}
