#include "programs/show_status.h"

show_status listing_status(const partition_listing &listing) {
  area_state block = listing.config.state, region = listing.config_II.state;
  if (block == area_damaged || region == area_damaged) return show_damaged;
  if (block == area_interrupted || region == area_interrupted) return show_interrupted;
  return gives_block_back(listing.config) ? show_ok : show_with_comments;
}
