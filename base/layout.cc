#include "base/layout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/report.h"
#include "base/result.h"
#include "base/trace.h"

bool programmable(std::span<const uint8_t> present, std::span<const uint8_t> data) {
  if (present.size() != data.size()) return false;
  for (size_t i = 0; i < data.size(); i++) {
    if ((present[i] & data[i]) != data[i]) return false;
  }
  return true;
}

bool committed(std::span<const uint8_t> present, std::span<const uint8_t> data) {
  return std::equal(present.begin(), present.end(), data.begin(), data.end()) || !programmable(present, data);
}

bool is_erased(std::span<const uint8_t> image, uint32_t offset, uint32_t size) {
  if (offset > image.size() || size > image.size() - offset) return false;
  // All bytes equal the first, and the first is erased.
  const uint8_t *area = image.data() + offset;
  return size == 0 || (area[0] == erased && memcmp(area, area + 1, size - 1) == 0);
}

int config_empty(std::span<const uint8_t> image, uint32_t offset, uint32_t size) {
  trace("[config_empty] offset 0x%x size %d\n", offset, (int)size);
  if (is_erased(image, offset, size)) return result_ok;
  report("ERROR: Config not empty\n");
  return result_not_erased;
}
