#include "programs/show_json.h"

#include <cstdio>

#include "base/bytes.h"
#include "base/layout.h"
#include "calibration/region_reader.h"
#include "calibration/region_view.h"
#include "config/block.h"
#include "config/block_reader.h"
#include "config/block_view.h"

// The messages and reasons that the shared printers print are plain ASCII
// without quotes or backslashes: they go between quotes as they are.

void print_json_string(const char *string) {
  putchar('"');
  for (const char *p = string; *p; p++) {
    auto byte = (uint8_t)*p;
    if (byte == '"' || byte == '\\') {
      putchar('\\');
      putchar(byte);
    } else if (byte < 0x20) {
      printf("\\u%04x", byte);
    } else if (byte < 0x80) {
      putchar(byte);
    } else {
      putchar(0xC0 | (byte >> 6));
      putchar(0x80 | (byte & 0x3F));
    }
  }
  putchar('"');
}

namespace {

void print_json_tag(const tag_record &tag, bool first) {
  printf(first ? "{\"name\":" : ",{\"name\":");
  print_json_string(tag.name);
  printf(",\"flag\":\"%s\",\"value\":", tag_flag(tag));
  print_json_string(tag.value);
  tag_line line = check_tag_line(tag);
  if (line.holds()) {
    printf(",\"line\":true}");
    return;
  }
  printf(",\"line\":false,\"reason\":\"");
  print_comment_reason(line);
  printf("\"}");
}

}  // namespace

listing_result print_json_block(std::span<const uint8_t> block, std::span<const uint8_t> default_header) {
  block_state state = read_block_state(block, default_header);
  printf("\"config\":{\"offset\":%u,", config_offset);
  if (state == block_erased) {
    printf("\"header\":null,\"tags\":[],\"state\":\"erased\"}");
    return listed;
  }
  if (state == block_interrupted) {
    printf("\"header\":null,\"tags\":[],\"state\":\"interrupted\",\"message\":\"");
    print_block_interrupted();
    printf("\"}");
    return listed_interrupted;
  }
  // The state follows the tags, which tell whether the block is damaged (in
  // every object: the listing is printed as the readers walk).
  printf("\"header\":{");
  for (const header_field &field : header_fields) {
    printf("%s\"%s\":%u", &field == header_fields ? "" : ",", field.name, (unsigned)get_le32(&block[field.offset]));
  }
  printf("},\"tags\":[");
  listing_result result = listed;
  tag_cursor cursor;
  tag_record tag;
  tag_status status;
  bool first = true;
  while ((status = next_tag(block, cursor, tag)) == tag_found) {
    print_json_tag(tag, first);
    first = false;
    if (!check_tag_line(tag).holds()) result = listed_with_comments;
  }
  if (status == tag_end) {
    printf("],\"state\":\"whole\"}");
    return result;
  }
  printf("],\"state\":\"damaged\",\"message\":\"");
  print_damage(status, cursor);
  printf("\"}");
  return listed_damaged;
}

listing_result print_json_region(std::span<const uint8_t> image) {
  printf("\"config_II\":{\"offset\":%u,\"records\":[", config_II_offset);
  uint32_t cursor = 0;
  record_view record;
  walk_result walked;
  bool first = true;
  while ((walked = next_record(image, cursor, record)) == walk_record) {
    printf("%s{\"offset\":%u,\"type\":%d,\"type_name\":", first ? "" : ",", record.offset, record.type);
    const char *name = record_type_name(record.type);
    if (name) {
      print_json_string(name);
    } else {
      printf("null");
    }
    printf(",\"version\":%d,\"length\":%d}", record.version, record.length);
    first = false;
  }
  printf("],");
  region_state state = read_region_state(image, cursor, walked);
  if (state == region_whole) {
    printf("\"state\":\"%s\"}", first ? "erased" : "whole");
    return listed;
  }
  printf("\"state\":\"%s\",\"message\":\"", state == region_interrupted ? "interrupted" : "damaged");
  print_region_trouble(state, config_II_offset + cursor);
  printf("\"}");
  return state == region_interrupted ? listed_interrupted : listed_damaged;
}
