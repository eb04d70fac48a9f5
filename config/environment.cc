#include "config/environment.h"

#include <cstring>

#include "base/layout.h"
#include "base/trace.h"
#include "config/scan.h"

// The read cursor into the environment text: the next unread character.
static const char *p_env = nullptr;

// search_env's line buffer: the longest line, a line end and the NUL.
static constexpr size_t env_line_size = env_line_max + 2;

void end_environment_text(std::span<uint8_t> buffer, size_t count) {
  size_t end = count < buffer.size() ? count : buffer.size() - 1;
  // A line that runs past the end is cut: its value would be wrong, so it goes.
  if (count > end && !is_line_end((char)buffer[end])) {
    while (end > 0 && !is_line_end((char)buffer[end - 1])) end--;
  }
  buffer[end] = 0;
}

int get_env_line(std::span<char> line) {
  const char *start = p_env;
  size_t length = 0;
  while (start[length] != '\0' && !is_line_end(start[length])) length++;
  p_env += length;
  // A line too long is skipped whole: a piece of it could pass for a setting.
  bool too_long = length > env_line_max || length + 2 > line.size();
  size_t n = too_long ? 0 : length;
  if (!too_long) memcpy(line.data(), start, length);
  for (; is_line_end(*p_env); p_env++) {
    if (!too_long && n + 1 < line.size()) line[n++] = *p_env;
  }
  line[n] = '\0';
  return (int)(p_env - start);
}

int seek(const char *env, long offset, int whence) {
  if (whence != 0 || offset < 0 || offset >= (long)env_buffer_size) return -1;
  p_env = env + offset;
  return 0;
}

const char *candidate_line(line_finder &finder, const char *hit) {
  // Back from hit to the nearest line end, but not past the last hit: the
  // text between was walked already and holds none.
  for (const char *p = hit; p > finder.scanned; p--) {
    if (is_line_end(p[-1])) {
      finder.line_start = p;
      break;
    }
  }
  finder.scanned = hit;
  const char *p = finder.line_start;
  while (p < hit && is_blank(*p)) p++;
  return p == hit ? finder.line_start : nullptr;
}

namespace {

// Reads the line at p_env; when it is a setting whose first word is name,
// copies its value into out: true. A comment or a line too long is passed untraced.
bool take_value_from_next_line(std::span<char> out, const char *name) {
  char line[env_line_size];
  char word[env_line_size];
  const char *start = p_env;
  int count = get_env_line(line);
  if (count == 0 || line[0] == '#' || line[0] == '\0') return false;
  trace("<line> %.*s", count, start);  // from the text: a long run of line ends may not fit the line
  const char *after = copy_tag(word, line);
  if (!after || strcmp(word, name) != 0) return false;
  copy_parameter(out, after);
  trace("{found parameter %s}\n", out.data());
  return true;
}

// Walks every line from the start of the text, as the trace shows them.
int walk_env(std::span<char> out, const char *name) {
  while (*p_env != '\0') {
    if (take_value_from_next_line(out, name)) return 0;
  }
  return 1;
}

// Visits only the lines where name occurs after nothing but blanks: the first
// such line that take_value_from_next_line accepts is the one the walk would
// find.
int skip_to_env(const char *env, std::span<char> out, const char *name) {
  line_finder finder{env, env};
  for (const char *hit = strstr(env, name); hit; hit = strstr(hit + 1, name)) {
    const char *line = candidate_line(finder, hit);
    if (!line) continue;
    p_env = line;
    if (take_value_from_next_line(out, name)) return 0;
  }
  return 1;
}

}  // namespace

int search_env(const char *env, std::span<char> out, const char *name) {
  trace("\n[search_env] %s\n", name);
  seek(env, 0, 0);
  // The walk costs a pass over the whole text per look-up; quiet runs go
  // straight to the name's occurrences and find the same line.
  if (silent != 0 && name[0] != '\0') return skip_to_env(env, out, name);
  return walk_env(out, name);
}
