// show_config: prints what the tolvane partition holds, its config block as a
// config file that set_config -i reads back, and its Config_II records; writes
// a record's payload to a file on request; with -j, all of it as one JSON
// object instead. It never writes the partition.
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/layout.h"
#include "base/partition.h"
#include "base/process.h"
#include "calibration/region_reader.h"
#include "calibration/region_view.h"
#include "config/block.h"
#include "config/block_view.h"
#include "programs/show_json.h"

namespace {

enum show_status {
  show_ok = 0,
  show_damaged = 1,  // the block or the region is damaged
  show_usage = 2,
  show_unreadable = 3,       // the partition cannot be read
  show_payload_refused = 4,  // a record asked for is missing, or its payload cannot be written there
  show_tag_too_long = 5,     // a tag was listed as a comment: no config line holds it
  show_output_failed = 6,    // standard output could not be written
  show_interrupted = 7,      // the block or the region holds part of a write: set_config -r completes it
};

struct show_options {
  const char *tolvane = nullptr;
  const char *payload[record_types] = {};  // -w, -d: payload outputs, as record_kinds orders them
  bool json = false;                       // -j: the listing as one JSON object
};

// With -j, the messages that the text listing prints as "ERROR: ..." lines
// are entries of the object's "errors": here, each NUL-terminated, as many as
// fit (a long one cut).
struct json_errors {
  bool on = false;
  char text[1024];
  size_t used = 0;
} errors;

// Reports a failure: an "ERROR: ..." line, or with -j an entry of "errors".
[[gnu::format(printf, 1, 2)]] void report(const char *format, ...) {
  va_list args;
  va_start(args, format);
  size_t room = sizeof errors.text - errors.used;
  if (!errors.on) {
    printf("ERROR: ");
    vprintf(format, args);
    printf("\n");
  } else if (room > 1) {
    int length = vsnprintf(errors.text + errors.used, room, format, args);
    if (length >= 0) errors.used += std::min((size_t)length, room - 1) + 1;
  }
  va_end(args);
}

void print_json_errors() {
  printf("\"errors\":[");
  for (size_t at = 0; at < errors.used; at += strlen(errors.text + at) + 1) {
    if (at > 0) putchar(',');
    print_json_string(errors.text + at);
  }
  printf("]");
}

// With -j, what the partition's functions print (that it cannot be locked or
// read) is set aside in a memory file while they run, then reported: standard
// output holds the object only.
struct set_aside {
  int output = -1;  // standard output while it is set aside
  int file = -1;
};

bool begin_set_aside(set_aside &aside) {
  if (fflush(stdout) != 0) return false;
  aside.file = memfd_create("show_config", MFD_CLOEXEC);
  aside.output = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (aside.file >= 0 && aside.output >= 0 && dup2(aside.file, STDOUT_FILENO) >= 0) return true;
  if (aside.file >= 0) close(aside.file);
  if (aside.output >= 0) close(aside.output);
  return false;
}

// Puts standard output back and reports what was printed meanwhile, its
// "ERROR: " and line end left out.
bool end_set_aside(set_aside &aside) {
  bool back = fflush(stdout) == 0;
  back = dup2(aside.output, STDOUT_FILENO) >= 0 && back;
  close(aside.output);
  char text[512];
  ssize_t got = pread(aside.file, text, sizeof text - 1, 0);
  close(aside.file);
  if (got <= 0) return back;
  text[got] = '\0';
  text[strcspn(text, "\n")] = '\0';
  const char prefix[] = "ERROR: ";
  report("%s", strncmp(text, prefix, strlen(prefix)) == 0 ? text + strlen(prefix) : text);
  return back;
}

void print_usage() {
  printf("show_config -u tolvanefile");
  for (const record_kind &kind : record_kinds) printf(" [-%c %s_out]", kind.option, kind.file);
  printf("\n\t-u\t tolvanefile: partition device or image, only read\n");
  for (const record_kind &kind : record_kinds) {
    printf("\t-%c\t writes the %s record's payload to this file\n", kind.option, kind.name);
  }
}

// The value that option arg takes: -u and, for each record type, its letter.
const char **option_value(const char *arg, show_options &options) {
  if (arg[0] != '-' || arg[1] == '\0' || arg[2] != '\0') return nullptr;
  if (arg[1] == 'u') return &options.tolvane;
  for (const record_kind &kind : record_kinds) {
    if (arg[1] == kind.option) return &options.payload[kind.type];
  }
  return nullptr;
}

// False for anything but -j, and -u and the record types' letters, each with a value.
bool parse(int argc, char **argv, show_options &options) {
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "-j") == 0) {
      options.json = true;
      continue;
    }
    const char **value = option_value(argv[i], options);
    if (!value || i + 1 == argc) return false;
    *value = argv[++i];
  }
  return options.tolvane != nullptr;
}

// A payload goes to a plain file or a pipe: never to the partition itself, nor
// to any device, where it would overwrite what it was read from or something else.
bool may_receive_payload(const struct stat &output, const struct stat &partition) {
  if (S_ISBLK(output.st_mode) || S_ISCHR(output.st_mode)) return false;
  return output.st_dev != partition.st_dev || output.st_ino != partition.st_ino;
}

int refuse_output(const char *path) {
  report("%s is the partition or a device: a payload goes to a plain file", path);
  return show_payload_refused;
}

// 0, or show_payload_refused after a message when path must not receive a payload.
int check_output(const char *path, const struct stat &partition) {
  struct stat output;
  if (stat(path, &output) != 0 || may_receive_payload(output, partition)) return show_ok;
  return refuse_output(path);
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

int write_payload(std::span<const uint8_t> image, const struct stat &partition, record_type type, const char *path) {
  const char *name = record_type_name(type);
  record_view record;
  if (!find_record(image, type, record)) {
    report("no %s record in the Config_II region", name);
    return show_payload_refused;
  }
  // Opened without truncation and checked again: what the name stood for may have changed.
  int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
  struct stat output {};
  bool opened = fd >= 0 && fstat(fd, &output) == 0;
  if (opened && !may_receive_payload(output, partition)) {
    close(fd);
    return refuse_output(path);
  }
  const uint8_t *payload = &image[record.offset + record_header_size];
  // A plain file is cut to the payload; a pipe (">(xxd)") takes it as it comes.
  bool written =
      opened && (!S_ISREG(output.st_mode) || ftruncate(fd, 0) == 0) && write_whole(fd, {payload, record.length});
  if (fd >= 0 && close(fd) != 0) written = false;
  if (!written) {
    report("cannot write the %s payload to %s", name, path);
    return show_payload_refused;
  }
  return show_ok;
}

// The listing of the block and the region: show_ok, show_damaged,
// show_interrupted or show_tag_too_long, in that order of precedence. As
// text, or as the object's members "config" and "config_II".
int show_image(std::span<const uint8_t> image, bool json) {
  long source = default_config_source(image);
  std::span<const uint8_t> header;
  if (source >= 0) header = image.subspan((size_t)source, header_size);
  std::span<const uint8_t> area = image.subspan(config_offset, config_size);
  listing_result block = json ? print_json_block(area, header) : show_block(area, header);
  if (json) putchar(',');
  listing_result region = json ? print_json_region(image) : show_region(image);
  if (block == listed_damaged || region == listed_damaged) return show_damaged;
  if (block == listed_interrupted || region == listed_interrupted) return show_interrupted;
  return block == listed_with_comments ? show_tag_too_long : show_ok;
}

int show(const show_options &options, std::span<uint8_t> image) {
  // Under a shared lock: a run of set_config on the partition finishes first,
  // so the listing never shows it half written.
  partition source;
  struct stat status {};
  set_aside aside;
  if (options.json && !begin_set_aside(aside)) {
    (void)fprintf(stderr, "show_config: the partition's messages cannot be set aside from the listing\n");
    return show_output_failed;
  }
  int listing = options.json ? aside.output : STDOUT_FILENO;
  int result = open_partition(source, options.tolvane, partition_read) == 0 ? show_ok : show_unreadable;
  // No message ever goes into the partition: standard error that is the
  // partition (">> /dev/mtd2 2>&1") is sent to /dev/null instead, and the
  // listing that would be refused.
  if (result == show_ok && shares_partition(source, STDERR_FILENO)) {
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0 || dup2(null, STDERR_FILENO) != STDERR_FILENO) result = show_output_failed;
    if (null >= 0) close(null);
  }
  if (result == show_ok && shares_partition(source, listing)) {
    close_partition(source);
    if (options.json) errors.used = 0, (void)end_set_aside(aside);
    (void)fprintf(stderr, "show_config: standard output is the partition %s\n", options.tolvane);
    return show_output_failed;
  }
  if (result == show_ok && (read_partition(source, image) != 0 || fstat(source.fd, &status) != 0)) {
    if (!options.json) printf("\n");
    result = show_unreadable;
  }
  close_partition(source);
  if (options.json) {
    if (!end_set_aside(aside)) return show_output_failed;
    printf("{\"partition\":");
    print_json_string(options.tolvane);
    putchar(',');
  }
  for (const char *output : options.payload) {
    if (result == show_ok && output) result = check_output(output, status);
  }
  if (result == show_ok) {
    result = show_image(image, options.json);
  } else if (options.json) {
    printf("\"config\":null,\"config_II\":null");
  }
  bool shown = result == show_ok || result == show_tag_too_long;
  for (const record_kind &kind : record_kinds) {
    const char *output = options.payload[kind.type];
    if (!shown || result == show_payload_refused || !output) continue;
    int written = write_payload(image, status, kind.type, output);
    if (written != show_ok) result = written;
  }
  if (options.json) {
    putchar(',');
    print_json_errors();
    printf(",\"status\":%d}\n", result);
  }
  return result;
}

}  // namespace

int main(int argc, char **argv) {
  if (!prepare_process()) return show_output_failed;
  show_options options;
  int status = show_usage;
  if (parse(argc, argv, options)) {
    errors.on = options.json;
    uint8_t *buffer = (uint8_t *)malloc(image_size);
    status = buffer ? show(options, {buffer, image_size}) : show_unreadable;
    free(buffer);
  } else {
    print_usage();
  }
  // The listing is the product: one that did not reach its output is a failure.
  if (fflush(stdout) != 0 || ferror(stdout)) {
    (void)fprintf(stderr, "show_config: standard output could not be written\n");
    if (status == show_ok || status == show_tag_too_long) status = show_output_failed;
  }
  return status;
}
