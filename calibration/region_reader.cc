#include "calibration/region_reader.h"

#include <algorithm>

#include "base/layout.h"
#include "base/partition.h"

std::span<const uint8_t> config_II_region(std::span<const uint8_t> image) {
  if (image.size() <= config_II_offset) return {};
  return image.subspan(config_II_offset, std::min<size_t>(config_II_size, image.size() - config_II_offset));
}

walk_result next_record(std::span<const uint8_t> image, uint32_t &cursor, record_view &record, bool over_gaps) {
  std::span<const uint8_t> region = config_II_region(image);
  while (over_gaps && cursor < region.size() && region[cursor] == erased) cursor++;
  if (cursor >= region.size() || region[cursor] == erased) return walk_end;
  if (region[cursor] != record_version) return walk_unknown_version;
  if (region.size() - cursor < record_header_size) return walk_past_region;
  record_header header = get_record_header(&region[cursor]);
  record = {config_II_offset + cursor, header.version, header.type, header.length};
  if (region.size() - cursor - record_header_size < record.length) return walk_past_region;
  cursor += record_header_size + record.length;
  return walk_record;
}

region_state read_region_state(std::span<const uint8_t> image, uint32_t cursor, walk_result walked) {
  if (walked == walk_past_region) return region_damaged;
  bool rest_erased = is_erased(image, config_II_offset + cursor, config_II_size - cursor);
  return walked == walk_unknown_version || !rest_erased ? region_interrupted : region_whole;
}

bool find_record(std::span<const uint8_t> image, record_type type, record_view &record, bool over_gaps) {
  uint32_t cursor = 0;
  while (next_record(image, cursor, record, over_gaps) == walk_record) {
    if (record.type == type) return true;
  }
  return false;
}
