#include <cstdio>
#include <cstring>

#include "base/layout.h"
#include "programs/listing_formats.h"

namespace {

// Prints string with each control character as \xHH, so that a comment stays one line.
void print_escaped(const char *string) {
  for (const char *p = string; *p; p++) {
    if ((uint8_t)*p < 0x20) {
      printf("\\x%02x", (uint8_t)*p);
    } else {
      putchar(*p);
    }
  }
}

void print_tag(const listed_tag &listed) {
  const tag_record &tag = listed.tag;
  if (listed.line.holds()) {
    char line[config_line_max + 1];
    size_t length = tag_config_line(listed, line);
    printf("%.*s\n", (int)length, line);
    return;
  }
  char reason[tag_reason_size];
  tag_reason(listed.line, reason);
  printf("# %s: ", reason);
  print_escaped(tag.name);
  printf(" %s ", tag_flag(tag));
  print_escaped(tag.value);
  printf("\n");
}

void print_block(const block_listing &block) {
  if (block.state == area_erased) {
    printf("# config block at 0x%x: erased\n", config_offset);
    return;
  }
  printf("# config block at 0x%x\n", config_offset);
  if (block.first_word_differs) {
    printf("# first word 0x%08x differs from the default header's 0x%08x, which set_config -i writes\n",
           block.first_word, block.default_first_word);
  }
  if (block.state != area_interrupted) {
    for (uint32_t i = 0; i < header_field_count; i++) printf("# %s 0x%08x\n", header_fields[i].name, block.header[i]);
  }
  for (uint32_t i = 0; i < block.tag_count; i++) print_tag(block.tags[i]);
  if (block.rebuild[0]) printf("# %s\n", block.rebuild);
  if (block.message[0]) printf("ERROR: %s\n", block.message);
}

void print_region(const region_listing &region) {
  printf("# Config_II region at 0x%x\n", config_II_offset);
  for (uint32_t i = 0; i < region.record_count; i++) {
    const record_view &record = region.records[i];
    const char *name = record_type_name(record.type);
    if (name) {
      printf("# record at 0x%x: %s, version %d, length %d\n", record.offset, name, record.version, record.length);
    } else {
      printf("# record at 0x%x: type %d, version %d, length %d\n", record.offset, record.type, record.version,
             record.length);
    }
  }
  if (region.state == area_erased) printf("# erased\n");
  if (region.message[0]) printf("ERROR: %s\n", region.message);
}

}  // namespace

void print_text_end(const show_report &report) {
  const show_messages &messages = *report.messages;
  for (size_t at = 0; at < messages.used; at += strlen(messages.text + at) + 1)
    printf("ERROR: %s\n", messages.text + at);
}

void print_text_listing(const show_report &report) {
  if (!report.listing) return;
  print_block(report.listing->config);
  print_region(report.listing->config_II);
}
