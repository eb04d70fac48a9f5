#include "programs/show_status.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(listing_status, ranks_damage_then_interruption_then_comments) {
  struct status_case {
    area_state block, region;
    bool comments;  // the listing does not give the same block back
    show_status status;
  };
  const status_case cases[] = {
      {area_erased, area_erased, false, show_ok},
      {area_whole, area_whole, false, show_ok},
      {area_whole, area_erased, true, show_with_comments},
      {area_interrupted, area_whole, false, show_interrupted},
      {area_whole, area_interrupted, true, show_interrupted},
      {area_damaged, area_whole, false, show_damaged},
      {area_damaged, area_interrupted, true, show_damaged},
      {area_interrupted, area_damaged, false, show_damaged},
  };
  auto listing = std::make_unique<partition_listing>();
  for (const status_case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.block << " " << c.region << " " << c.comments);
    listing->config.state = c.block;
    listing->config.tag_count = 0;
    listing->config.first_word_differs = c.comments;
    listing->config_II.state = c.region;
    EXPECT_EQ(c.status, listing_status(*listing));
  }
}

}  // namespace
