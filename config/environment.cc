#include "config/environment.h"

#include <cstring>

#include "config/scan.h"
#include "driver/layout.h"
#include "driver/trace.h"

const char *p_env = nullptr;

int get_env_line(std::span<char> line) {
  const char *start = p_env;
  size_t n = 0;
  while (*p_env != '\0' && !is_line_end(*p_env) && n + 2 < line.size()) line[n++] = *p_env++;
  for (; is_line_end(*p_env); p_env++) {
    if (n + 1 < line.size()) line[n++] = *p_env;
  }
  line[n] = '\0';
  return (int)(p_env - start);
}

int seek(const char *env, long offset, int whence) {
  if (whence != 0 || offset < 0 || offset >= (long)env_buffer_size) return -1;
  p_env = env + offset;
  return 0;
}

int search_env(const char *env, std::span<char> out, const char *name) {
  trace("\n[search_env] %s\n", name);
  seek(env, 0, 0);
  char line[256];
  char word[256];
  for (;;) {
    const char *start = p_env;
    int count = get_env_line(line);
    if (count == 0) return 1;
    if (line[0] == '#') continue;
    // Traced from the text itself: a long run of blank lines may not all fit the line.
    trace("<line> %.*s", count, start);
    const char *after = copy_tag(word, line);
    if (!after || strcmp(word, name) != 0) continue;
    copy_parameter(out, after);
    trace("{found parameter %s}\n", out.data());
    return 0;
  }
}
