#include "programs/listing.h"

#include "base/layout.h"
#include "config/block.h"

void list_partition(std::span<const uint8_t> image, partition_listing &listing) {
  long source = default_config_source(image);
  std::span<const uint8_t> header;
  if (source >= 0) header = image.subspan((size_t)source, header_size);
  list_block(image.subspan(config_offset, config_size), header, listing.config);
  list_region(image, listing.config_II);
}
