// show_config: prints what the tolvane partition holds, its config block as a
// config file that set_config -i reads back, and its Config_II records; writes
// a record's payload to a file on request. It never writes the partition.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "calibration/region_view.h"
#include "config/block_view.h"
#include "driver/layout.h"
#include "driver/partition.h"

namespace {

enum show_status { shown_ok = 0, shown_damaged = 1, show_usage = 2, show_unreadable = 3, show_no_payload = 4 };

struct show_options {
  const char *tolvane = nullptr;
  const char *wlan = nullptr;
  const char *dect = nullptr;
};

void print_usage() {
  printf("show_config -u tolvanefile [-w wlan_out] [-d dect_out]\n"
         "\t-u\t tolvanefile: partition device or image, only read\n"
         "\t-w\t writes the WLAN record's payload to this file\n"
         "\t-d\t writes the DECT record's payload to this file\n");
}

// False for anything but -u, -w and -d each with a value.
bool parse(int argc, char **argv, show_options &options) {
  for (int i = 1; i < argc; i++) {
    const char **value = nullptr;
    if (strcmp(argv[i], "-u") == 0) value = &options.tolvane;
    if (strcmp(argv[i], "-w") == 0) value = &options.wlan;
    if (strcmp(argv[i], "-d") == 0) value = &options.dect;
    if (!value || i + 1 == argc) return false;
    *value = argv[++i];
  }
  return options.tolvane != nullptr;
}

int write_payload(std::span<const uint8_t> image, record_type type, const char *path) {
  const char *name = type == record_wlan ? "WLAN" : "DECT";
  record_view record;
  if (!find_record(image, type, record)) {
    printf("ERROR: no %s record in the Config_II region\n", name);
    return show_no_payload;
  }
  FILE *file = fopen(path, "wb");
  bool written = file && fwrite(&image[record.offset + record_header_size], 1, record.length, file) == record.length;
  if (file && fclose(file) != 0) written = false;
  if (!written) {
    printf("ERROR: cannot write the %s payload to %s\n", name, path);
    return show_no_payload;
  }
  return shown_ok;
}

}  // namespace

int main(int argc, char **argv) {
  show_options options;
  if (!parse(argc, argv, options)) {
    print_usage();
    return show_usage;
  }
  uint8_t *buffer = (uint8_t *)malloc(image_size);
  if (!buffer) return show_unreadable;
  std::span<uint8_t> image(buffer, image_size);
  int status = shown_ok;
  if (read_file_2_buffer(options.tolvane, image, image_size) != 0) {
    printf("\n");
    status = show_unreadable;
  }
  if (status == shown_ok) {
    if (show_block(image.subspan(config_offset, config_size)) != 0) status = shown_damaged;
    if (show_region(image) != 0) status = shown_damaged;
  }
  if (status == shown_ok && options.wlan) status = write_payload(image, record_wlan, options.wlan);
  if (status == shown_ok && options.dect) status = write_payload(image, record_dect, options.dect);
  free(buffer);
  return status;
}
