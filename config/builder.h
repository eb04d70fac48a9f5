// The config block builder: each config file line becomes a fixed tag (flag
// "overwrite": strings at the top of the block, pointers in the table) or a
// variable tag (kept in a list and packed behind the table at the end).
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "base/layout.h"
#include "config/config_lines.h"

inline constexpr uint32_t var_tag_max = 64;

// Variable tags in config-file order. The list keeps copies of their strings
// in its own text, as big as a block: pairs that do not fit there cannot fit
// the block's variable area either, so they are only counted in total_len (and
// their strings are null). A build keeps its own list.
struct var_tag_list {
  uint32_t count = 0;      // pairs held
  uint32_t total_len = 0;  // bytes the pairs need in the variable area, NULs included
  const char *name[var_tag_max];
  const char *value[var_tag_max];
  char text[config_size];  // the copies, total_len bytes while they fit
  var_tag_list() {}        // the arrays are filled as pairs come
};

// Appends copies of name and value to the list as its next pair: 0, or 1 when
// the list is full (nothing is kept then).
int append_tag_copies(var_tag_list &list, const char *name, const char *value);

// Empties list.
void free_var_data(var_tag_list &list);

// Builds block, which holds the default header and 0xFF elsewhere, from the
// config file at path, looking empty values up in environment. 0; -2 (file
// cannot be read, begins with a byte-order mark, a line without a flag, too
// long, or going on after a CR or a NUL), -7 (no value), -10 (no room in the
// block or the list, no memory), each after its message.
int build_tolvane_config(const char *path, std::span<uint8_t> block, const char *environment);

// Where the build finds the value of a config line that leaves it empty: find
// puts it into out and answers 0, or 1 when there is none, or -10 when it has
// no memory to look. Without find, no value is found.
struct value_source {
  int (*find)(void *context, std::span<char> out, const char *name) = nullptr;
  void *context = nullptr;
};

// The build from a config file that read_config_ahead read, with the same
// messages and results, empty values taken from values. variable_tags, when
// given, gets the count of variable tags packed.
int build_config_source(const config_source &source, std::span<uint8_t> block, const value_source &values,
                        uint32_t *variable_tags = nullptr);
