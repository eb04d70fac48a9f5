#include <cstdio>
#include <cstring>

#include "base/layout.h"
#include "programs/listing_formats.h"

namespace {

// The version of the object's shape, its first member. Every member is in
// every object, null where it does not apply; a later version only adds
// members, and never changes or removes one.
constexpr int schema_version = 1;

// Prints string as a JSON string: each byte is the code point of the same
// number (the block's text is ISO-8859-1), written as UTF-8; quotes,
// backslashes and control bytes escaped.
void print_string(const char *string) {
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

// string, or null when there is none.
void print_string_or_null(const char *string) {
  if (string) {
    print_string(string);
  } else {
    printf("null");
  }
}

// The state's name and the area's message (null unless interrupted or damaged).
void print_state(area_state state, const char *message) {
  static const char *const names[] = {"erased", "whole", "interrupted", "damaged"};
  printf("\"state\":\"%s\",\"message\":", names[state]);
  print_string_or_null(message[0] ? message : nullptr);
}

void print_tag(const listed_tag &listed) {
  printf("{\"name\":");
  print_string(listed.tag.name);
  printf(",\"flag\":\"%s\",\"value\":", tag_flag(listed.tag));
  print_string(listed.tag.value);
  if (listed.line.holds()) {
    printf(",\"line\":true,\"reason\":null}");
    return;
  }
  char reason[tag_reason_size];
  tag_reason(listed.line, reason);
  printf(",\"line\":false,\"reason\":");
  print_string(reason);
  putchar('}');
}

// "config": its header is null unless the block is written whole or damaged,
// its default_first_word unless the block's first word differs from it, its
// rebuild unless the listing's lines build another block (or none).
void print_block(const block_listing &block) {
  printf("\"config\":{\"offset\":%u,\"header\":", config_offset);
  if (block.state == area_erased || block.state == area_interrupted) {
    printf("null");
  } else {
    for (uint32_t i = 0; i < header_field_count; i++) {
      printf("%s\"%s\":%u", i == 0 ? "{" : ",", header_fields[i].name, (unsigned)block.header[i]);
    }
    putchar('}');
  }
  printf(",\"tags\":[");
  for (uint32_t i = 0; i < block.tag_count; i++) {
    if (i > 0) putchar(',');
    print_tag(block.tags[i]);
  }
  printf("],");
  print_state(block.state, block.message);
  printf(",\"default_first_word\":");
  if (block.first_word_differs) {
    printf("%u", (unsigned)block.default_first_word);
  } else {
    printf("null");
  }
  printf(",\"rebuild\":");
  print_string_or_null(block.rebuild[0] ? block.rebuild : nullptr);
  putchar('}');
}

void print_region(const region_listing &region) {
  printf("\"config_II\":{\"offset\":%u,\"records\":[", config_II_offset);
  for (uint32_t i = 0; i < region.record_count; i++) {
    const record_view &record = region.records[i];
    printf("%s{\"offset\":%u,\"type\":%d,\"type_name\":", i == 0 ? "" : ",", record.offset, record.type);
    print_string_or_null(record_type_name(record.type));
    printf(",\"version\":%d,\"length\":%d}", record.version, record.length);
  }
  printf("],");
  print_state(region.state, region.message);
  putchar('}');
}

}  // namespace

void print_json_listing(const show_report &report) {
  printf("{\"schema_version\":%d,\"partition\":", schema_version);
  print_string(report.partition);
  if (!report.listing) {
    printf(",\"config\":null,\"config_II\":null");
    return;
  }
  putchar(',');
  print_block(report.listing->config);
  putchar(',');
  print_region(report.listing->config_II);
}

void print_json_end(const show_report &report) {
  printf(",\"errors\":[");
  const show_messages &messages = *report.messages;
  for (size_t at = 0; at < messages.used; at += strlen(messages.text + at) + 1) {
    if (at > 0) putchar(',');
    print_string(messages.text + at);
  }
  printf("],\"status\":%d}\n", report.status);
}
