// The config builder on an arbitrary config text and environment text (split at
// the input's first NUL), into a block with a default header.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "base/layout.h"
#include "base/result.h"
#include "config/block.h"
#include "config/builder.h"
#include "config/environment.h"
#include "fuzz/check.h"

namespace {

// A successful build: header kept, every pointer inside the block and at a
// NUL-terminated string above the table, the variable area packed below the
// strings, and the bytes between them still erased.
void check_block(const uint8_t *header, const std::vector<uint8_t> &block, uint32_t pairs) {
  check(memcmp(block.data(), header, header_var_data) == 0, "the header passes through");
  uint32_t var = get_le32(&block[header_var_data]) - config_address_base;
  check(var >= header_size + 8 && var <= config_size, "var_data points behind the table, inside the block");
  uint32_t lowest = config_size;
  uint32_t pos = header_size;
  for (;;) {
    check(pos + 8 <= var, "the table ends where var_data points");
    uint32_t value = get_le32(&block[pos]), name = get_le32(&block[pos + 4]);
    if (value == 0 && name == 0) break;
    for (uint32_t pointer : {value, name}) {
      uint32_t offset = pointer - config_address_base;
      check(offset >= var && offset < config_size, "a tag pointer points into the string area");
      check(memchr(&block[offset], 0, config_size - offset) != nullptr, "a tag string ends inside the block");
      if (offset < lowest) lowest = offset;
    }
    pos += 8;
  }
  check(pos + 8 == var, "two zero words close the table");
  uint32_t end = var;
  for (uint32_t i = 0; i < 2 * pairs; i++) {
    const void *nul = memchr(&block[end], 0, lowest - end);
    check(nul != nullptr, "a variable string ends below the string area");
    end = (uint32_t)((const uint8_t *)nul - block.data()) + 1;
  }
  check(end < lowest, "the variable area leaves room before the strings");
  for (uint32_t i = end; i < lowest; i++) check(block[i] == erased, "unused bytes stay erased");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  quiet_stdout();
  const uint8_t *split = (const uint8_t *)memchr(data, 0, size);
  size_t config_size_in = split ? (size_t)(split - data) : size;
  std::vector<char> environment(env_buffer_size, '\0');
  if (split) {
    size_t length = size - config_size_in - 1;
    if (length > env_buffer_size - 1) length = env_buffer_size - 1;
    memcpy(environment.data(), split + 1, length);
  }
  std::vector<uint8_t> config(data, data + config_size_in);
  FILE *file = fmemopen(config.empty() ? nullptr : config.data(), config.size(), "r");
  if (!file) return 0;
  uint8_t header[header_size];
  for (uint32_t i = 0; i < header_size; i++) header[i] = (uint8_t)(i * 37 + 11);
  std::vector<uint8_t> block(config_size, erased);
  memcpy(block.data(), header, header_size);
  uint32_t pairs = 0;
  config_source source;
  source.path = "fuzz";
  source.opened = true;
  source.rest = file;
  env_lookups lookups{environment.data()};
  int result = build_config_source(source, block, {find_in_environment, &lookups}, &pairs);
  release_env_lookups(lookups);
  fclose(file);
  check(result == result_ok || result == result_config_file || result == result_no_value || result == result_no_memory,
        "the build ends with one of its codes");
  check(memcmp(block.data(), header, header_var_data) == 0, "the header passes through, whatever the result");
  if (result == result_ok) check_block(header, block, pairs);
  return 0;
}
