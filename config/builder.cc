#include "config/builder.h"

#include <cstdio>
#include <cstring>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/report.h"
#include "base/result.h"
#include "base/trace.h"
#include "config/block.h"
#include "config/config_lines.h"
#include "config/environment.h"
#include "config/scan.h"

namespace {

// The block being built: the next pointer slot, the lowest byte of the string
// area, the variable tags kept until the end of the file, and where empty
// values are found.
struct builder {
  std::span<uint8_t> block;
  uint32_t tag_pos;
  uint32_t str_top;
  var_tag_list variable_tags;
  const value_source &values;
};

int place_fixed_tag(builder &b, const char *name, const char *value) {
  // Both strings, both pointers and the table's two closing zero words must fit.
  long strings = (long)(strlen(value) + 1 + strlen(name) + 1);
  if ((long)b.tag_pos + 16 > (long)b.str_top - strings || write_tag(b.block, b.tag_pos, b.str_top, value) != 0 ||
      write_tag(b.block, b.tag_pos, b.str_top, name) != 0) {
    report("ERROR: no room for tag %s\n", name);
    return result_no_memory;
  }
  return result_ok;
}

// A variable tag waits in the list until the file's end, when the pairs are
// packed behind the table: 0, or -10 after its message when the list is full.
int defer_variable_tag(var_tag_list &list, const char *name, const char *value) {
  if (append_tag_copies(list, name, value) != 0) {
    report("ERROR: too many variable tags at %s\n", name);
    return result_no_memory;
  }
  return result_ok;
}

int add_line(builder &b, const char *line, bool too_long, int number) {
  if (line[0] == '#') return result_ok;
  char name[config_line_max + 1];
  char flag[config_line_max + 1];
  char value[config_line_max + 1];
  const char *after_name = copy_tag(name, line);
  if (too_long) {
    report("ERROR: line too long for %s\n", name);
    return result_config_file;
  }
  if (!after_name) return result_ok;
  // Readers of the variable area stop at the first erased byte: such a name
  // would hide itself and every tag after it.
  if ((uint8_t)name[0] == erased) {
    report("ERROR: tag name in config line %d begins with byte 0xFF\n", number);
    return result_config_file;
  }
  const char *after_flag = copy_tag(flag, after_name);
  if (!after_flag) {
    report("ERROR: no flag found for %s\n", name);
    return result_config_file;
  }
  // The environment fills only a value that the file leaves empty.
  copy_parameter(value, after_flag);
  if (value[0] == '\0' && b.values.find &&
      b.values.find(b.values.context, std::span<char>(value), name) == result_no_memory) {
    report("ERROR: no memory to look up %s in the environment\n", name);
    return result_no_memory;
  }
  if (value[0] == '\0') {
    report(
        "ERROR: keinen Parameter f\xfc"
        "r %s gefunden",
        name);
    return result_no_value;
  }
  if (strcmp(flag, "overwrite") == 0) return place_fixed_tag(b, name, value);
  return defer_variable_tag(b.variable_tags, name, value);
}

// Closes the table, points var_data behind it and packs the variable pairs there.
int finish_block(builder &b) {
  put_le32(&b.block[b.tag_pos], 0);
  put_le32(&b.block[b.tag_pos + 4], 0);
  b.tag_pos += 8;
  put_le32(&b.block[header_var_data], config_address_base + b.tag_pos);
  uint32_t available = b.str_top - b.tag_pos;
  trace("available memory %d\n", (int)available);
  const var_tag_list &list = b.variable_tags;
  if (list.total_len >= available) {
    report("no Memory available %d need %d\n", (int)available, (int)list.total_len);
    return result_no_memory;
  }
  if (list.count > 0) trace("variable Parameter %d\n", (int)list.count);
  std::span<uint8_t> area = b.block.first(b.str_top);
  for (uint32_t i = 0; i < list.count; i++) {
    write_vartag(area, b.tag_pos, list.name[i]);
    write_vartag(area, b.tag_pos, list.value[i]);
  }
  return result_ok;
}

}  // namespace

int append_tag_copies(var_tag_list &list, const char *name, const char *value) {
  if (list.count >= var_tag_max) return 1;
  size_t name_size = strlen(name) + 1, value_size = strlen(value) + 1;
  const char *name_copy = nullptr, *value_copy = nullptr;
  if (list.total_len + name_size + value_size <= sizeof list.text) {
    char *copy = list.text + list.total_len;
    memcpy(copy, name, name_size);
    memcpy(copy + name_size, value, value_size);
    name_copy = copy;
    value_copy = copy + name_size;
  }
  list.total_len += (uint32_t)(name_size + value_size);
  list.name[list.count] = name_copy;
  list.value[list.count] = value_copy;
  list.count++;
  return 0;
}

void free_var_data(var_tag_list &list) {
  list.count = 0;
  list.total_len = 0;
}

// A line that the config file's first line would be without the byte-order
// mark that some editors put first: no tag name begins with it.
static bool begins_with_byte_order_mark(const char *line) { return strncmp(line, "\xEF\xBB\xBF", 3) == 0; }

// Reads source's lines into b: 0, or the first failing line's code after its message.
static int add_lines(builder &b, const config_source &source) {
  int result = result_ok;
  config_lines lines;
  lines.ahead = source.ahead;
  lines.file = source.rest;
  char line[config_line_max + 1];
  bool too_long = false;
  int number = 0;
  while (result == result_ok && next_config_line(lines, line, too_long)) {
    number++;
    if (lines.cut && line[0] == '#') skip_line_rest(lines);
    if (number == 1 && begins_with_byte_order_mark(line)) {
      report("ERROR: config line 1 begins with a byte-order mark\n");
      result = result_config_file;
    } else if (lines.goes_on && line[0] != '#') {
      // Every reader of the line would stop at the CR or the NUL and drop the rest.
      report("ERROR: config line %d goes on after a CR or NUL\n", number);
      result = result_config_file;
    } else {
      result = add_line(b, line, too_long, number);
    }
  }
  // A file that opens but cannot be read (a folder, say) is no config file.
  if (result == result_ok && (source.failed || (source.rest && ferror(source.rest)))) {
    report("ERROR: open config_file %s\n", printable_path(source.path));
    result = result_config_file;
  }
  return result;
}

int build_config_source(const config_source &source, std::span<uint8_t> block, const value_source &values,
                        uint32_t *variable_tags) {
  if (!source.opened) {
    report("ERROR: open config_file %s\n", printable_path(source.path));
    return result_config_file;
  }
  trace("go\n");
  builder b{block, header_size, (uint32_t)block.size(), {}, values};
  int result = add_lines(b, source);
  if (result == result_ok) result = finish_block(b);
  if (variable_tags) *variable_tags = b.variable_tags.count;
  free_var_data(b.variable_tags);
  return result;
}

int build_tolvane_config(const char *path, std::span<uint8_t> block, const char *environment) {
  config_source source;
  source.path = path;
  source.rest = path ? fopen(path, "r") : nullptr;
  source.opened = source.rest != nullptr;
  env_lookups lookups{environment};
  int result = build_config_source(source, block, {find_in_environment, &lookups});
  release_env_lookups(lookups);
  close_config_source(source);
  return result;
}
