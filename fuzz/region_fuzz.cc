// The Config_II region scan and the calibration step's examination over an
// arbitrary region and record lengths. Input: two 16-bit payload lengths (WLAN,
// DECT), a byte whose low bits say which files are given, then the region.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/result.h"
#include "calibration/calibration_step.h"
#include "calibration/records.h"
#include "calibration/region_reader.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  quiet_stdout();
  if (size < 5) return 0;
  bool wlan = data[4] & 1, dect = data[4] & 2;
  if (!wlan && !dect) return 0;
  uint32_t total =
      (wlan ? get_le16(data) + record_header_size : 0) + (dect ? get_le16(data + 2) + record_header_size : 0);
  if (total > config_II_size) return 0;  // such files are refused before the region is examined

  // The image ends right after the region, so a read past it is caught.
  std::vector<uint8_t> image(config_II_offset + config_II_size, erased);
  size_t region = size - 5 < config_II_size ? size - 5 : config_II_size;
  memcpy(&image[config_II_offset], data + 5, region);

  calibration_files files;
  files.file[record_wlan] = wlan ? "w" : nullptr;
  files.file[record_dect] = dect ? "d" : nullptr;
  int found = examine_config_II(image, files, total);
  if (found >= 0) {
    check((uint32_t)found + total <= config_II_size, "the new records lie inside the region");
    for (uint32_t i = 0; i < total; i++) {
      check(image[config_II_offset + (uint32_t)found + i] == erased, "the bytes the step writes are all erased");
    }
    if (wlan && dect) check(found == 0, "both records go to the start of an erased region");
    record_view record;
    if (!(wlan && dect)) check(!find_record(image, wlan ? record_wlan : record_dect, record), "one record a type");
  } else {
    check(found == result_not_erased, "a refusal is -13");
  }
  if (!(wlan && dect)) {
    int scanned = config_II_empty(wlan ? record_wlan : record_dect, image, config_II_offset, total);
    check(scanned < 0 || (uint32_t)scanned <= config_II_size, "the scan ends inside the region");
  }
  return 0;
}
