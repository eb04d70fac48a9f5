#include "calibration/region_listing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/fixture.h"

namespace {

TEST(list_region, tells_the_state_and_where_the_walk_ended) {
  struct region_case {
    const char *title;
    std::vector<patch> changes;  // on an erased image
    uint32_t records;
    area_state state;
    std::string message;
  };
  const region_case cases[] = {
      {"erased", {}, 0, area_erased, ""},
      {"two records", {{0x980, record(0, 40)}, {0x9AC, record(1, 8)}}, 2, area_whole, ""},
      {"a cut write behind a record",
       {{0x980, record(0, 40)}, {0x9AD, record(1, 8)}},
       1,
       area_interrupted,
       "interrupted write in the Config_II region at 0x9ac: rerun the same set_config command with -r to complete it"},
      {"a cut first record",
       {{0x981, record(0, 40)}},
       0,
       area_interrupted,
       "interrupted write in the Config_II region at 0x980: rerun the same set_config command with -r to complete it"},
      {"a record running past the region",
       {{0x980, record(0, 40)}, {0x9AC, {2, 0, 0xFF, 0x04}}},
       1,
       area_damaged,
       "record at 0x9ac runs past the Config_II region"},
  };
  auto listing = std::make_unique<region_listing>();
  for (const region_case &c : cases) {
    SCOPED_TRACE(c.title);
    list_region(patched(erased_image(), c.changes), *listing);
    EXPECT_EQ(c.records, listing->record_count);
    EXPECT_EQ(c.state, listing->state);
    EXPECT_EQ(c.message, listing->message);
  }
}

// The tightest region: records with an empty payload, four bytes each, to its end.
TEST(list_region, holds_every_record_the_region_can_hold) {
  bytes image = erased_image();
  for (uint32_t at = config_II_offset; at < config_II_offset + config_II_size; at += 4) {
    put_bytes(image, at, record(1, 0));
  }
  auto listing = std::make_unique<region_listing>();
  list_region(image, *listing);
  EXPECT_EQ(area_whole, listing->state);
  ASSERT_EQ(region_records_max, listing->record_count);
  EXPECT_EQ(config_II_offset + config_II_size - 4, listing->records[region_records_max - 1].offset);
}

TEST(listed_record, finds_the_first_record_of_a_type) {
  auto listing = std::make_unique<region_listing>();
  list_region(patched(erased_image(), {{0x980, record(record_dect, 4)}, {0x988, record(record_dect, 2)}}), *listing);
  const record_view *found = listed_record(*listing, record_dect);
  ASSERT_NE(nullptr, found);
  EXPECT_EQ(0x980u, found->offset);
  EXPECT_EQ(nullptr, listed_record(*listing, record_wlan));
}

}  // namespace
