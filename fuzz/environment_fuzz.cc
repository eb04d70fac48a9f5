// The environment scan and look-ups on an arbitrary name (up to the input's
// first NUL) and environment text (the rest): a look-up through the index finds
// what the traced walk finds, and nothing is read or written outside a buffer.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/layout.h"
#include "base/trace.h"
#include "config/environment.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  quiet_stdout();
  const uint8_t *split = (const uint8_t *)memchr(data, 0, size);
  if (!split || split - data > 255) return 0;
  std::vector<char> name(data, split);
  name.push_back('\0');
  std::vector<char> environment(env_buffer_size, '\0');
  size_t length = size - (size_t)(split - data) - 1;
  if (length > env_buffer_size - 1) length = env_buffer_size - 1;
  memcpy(environment.data(), split + 1, length);

  std::vector<char> quiet(256, 'q'), traced(256, 'q'), told(256, 'q');
  env_lookups lookups{environment.data()};
  int quiet_result = look_up_env(lookups, quiet, name.data());
  release_env_lookups(lookups);
  // Told of names that begin as the environment's own lines do, whatever the name looked up.
  env_lookups expecting{environment.data()};
  expect_names_of(expecting, {environment.data(), length});
  int told_result = look_up_env(expecting, told, name.data());
  release_env_lookups(expecting);
  silent = 0;
  int traced_result = search_env(environment.data(), traced, name.data());
  silent = 1;
  check(quiet_result == traced_result, "the index and the traced walk agree");
  check(quiet == traced, "the index and the traced walk give the same value");
  check(told_result == traced_result && told == traced, "the index of the names told agrees with the walk");
  if (quiet_result == 0) check(memchr(quiet.data(), 0, quiet.size()) != nullptr, "the value ends inside its buffer");

  // The scan delivers the text line by line: the counts add up to the whole
  // text, and a line is delivered whole with its line ends, or empty when too long.
  seek(environment.data(), 0, 0);
  char line[256];
  size_t consumed = 0;
  int count;
  while ((count = get_env_line(line)) > 0) {
    size_t delivered = strlen(line);
    check(delivered == 0 || memcmp(line, &environment[consumed], delivered) == 0, "a line is the text's own");
    consumed += (size_t)count;
    check(consumed <= length, "the scan stays inside the text");
  }
  check(consumed == strlen(environment.data()), "the scan delivers the whole text");
  return 0;
}
