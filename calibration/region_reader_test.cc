#include "calibration/region_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/layout.h"
#include "tests/fixture.h"

namespace {

struct region_case {
  const char *title;
  std::vector<std::pair<uint32_t, bytes>> changes;  // partition offsets, on an erased image
  std::vector<uint32_t> offsets;                    // of the records walked
  walk_result last;
  region_state state;
};

TEST(next_record, walks_to_the_first_erased_record_start) {
  const region_case cases[] = {
      {"erased", {}, {}, walk_end, region_whole},
      {"two records", {{0x980, record(0, 40)}, {0x9AC, record(1, 8)}}, {0x980, 0x9AC}, walk_end, region_whole},
      {"a record filling the region", {{0x980, record(0, 1148)}}, {0x980}, walk_end, region_whole},
      {"bytes behind an erased record start",
       {{0x980, record(0, 40)}, {0x9AD, record(1, 8)}},
       {0x980},
       walk_end,
       region_interrupted},
      {"a record start neither erased nor 2",
       {{0x980, record(0, 40)}, {0x9AC, {0x06}}},
       {0x980},
       walk_unknown_version,
       region_interrupted},
      {"a record running past the region",
       {{0x980, record(0, 40)}, {0x9AC, {2, 0, 0xFF, 0x04}}},
       {0x980},
       walk_past_region,
       region_damaged},
      {"a header cut by the region's end",
       {{0x980, record(0, 1146)}, {0xDFE, {2, 0}}},
       {0x980},
       walk_past_region,
       region_damaged},
  };
  for (const region_case &c : cases) {
    SCOPED_TRACE(c.title);
    bytes image = erased_image();
    for (const auto &[offset, content] : c.changes) put_bytes(image, offset, content);
    uint32_t cursor = 0;
    record_view record;
    walk_result walked;
    std::vector<uint32_t> offsets;
    while ((walked = next_record(image, cursor, record)) == walk_record) offsets.push_back(record.offset);
    EXPECT_EQ(c.offsets, offsets);
    EXPECT_EQ(c.last, walked);
    EXPECT_EQ(c.state, read_region_state(image, cursor, walked));
  }
}

TEST(find_record, looks_behind_gaps_only_when_asked) {
  bytes image = with(with(erased_image(), 0x980, record(0, 40)), 0xA00, record(1, 8));
  record_view found;
  EXPECT_TRUE(find_record(image, record_wlan, found));
  EXPECT_EQ(0x980u, found.offset);
  EXPECT_FALSE(find_record(image, record_dect, found));
  ASSERT_TRUE(find_record(image, record_dect, found, true));
  EXPECT_EQ(0xA00u, found.offset);
  EXPECT_EQ(8, found.length);
}

}  // namespace
