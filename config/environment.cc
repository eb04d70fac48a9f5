#include "config/environment.h"

#include <cstdlib>
#include <cstring>

#include "base/layout.h"
#include "base/result.h"
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

}  // namespace

int search_env(const char *env, std::span<char> out, const char *name) {
  trace("\n[search_env] %s\n", name);
  seek(env, 0, 0);
  return walk_env(out, name);
}

// The index of a text's settings: each line that search_env reads as one (not
// a comment, not too long) as an entry, its first word's offset and length,
// chained in text order behind the word's key. Lines are at least one
// character apart, so a text of length bytes has at most length / 2 + 1.
struct env_index {
  uint16_t head[256];  // per key: its first entry + 1; 0: none
  uint16_t tail[256];  // per key: its last entry
  uint16_t *offset;    // per entry: where its word begins
  uint16_t *next;      // per entry: the next entry of its key + 1; 0: none
  uint8_t *length;     // per entry: its word's length (at most env_line_max)
  uint32_t entries;
};

namespace {

static_assert(env_buffer_size <= 0x10000 && env_line_max < 0x100, "offsets and lengths fit the index's fields");

// Words of one key share their first and last byte and their length, mostly.
uint8_t key_of(const char *word, size_t length) {
  if (length == 0) return 0;
  return (uint8_t)((uint8_t)word[0] + 3 * (uint8_t)word[length - 1] + 17 * length);
}

// The end of the line at line: its first line end, or the end of the text.
// cr is the first CR at or after line, or end.
const char *line_end_of(const char *line, const char *cr) {
  const char *lf = (const char *)memchr(line, '\n', (size_t)(cr - line));
  return lf ? lf : cr;
}

// Adds the setting of the line [line, end) to the index, when its name may be looked up.
void index_line(env_index &index, const env_lookups &lookups, const char *line, const char *end) {
  if (end - line > (long)env_line_max || line[0] == '#') return;
  const char *word = line;
  while (word < end && is_blank(*word)) word++;
  // A line of blanks alone holds the empty name, whose first byte is its NUL.
  uint8_t first = word == end ? 0 : (uint8_t)*word;
  if (!lookups.all_wanted && !lookups.wanted[first]) return;
  const char *text = lookups.text;
  const char *word_end = word;
  while (word_end < end && !is_blank(*word_end)) word_end++;
  uint32_t entry = index.entries++;
  index.offset[entry] = (uint16_t)(word - text);
  index.length[entry] = (uint8_t)(word_end - word);
  index.next[entry] = 0;
  uint8_t key = key_of(word, (size_t)(word_end - word));
  if (index.head[key] == 0) {
    index.head[key] = (uint16_t)(entry + 1);
  } else {
    index.next[index.tail[key]] = (uint16_t)(entry + 1);
  }
  index.tail[key] = (uint16_t)entry;
}

// The one pass over the text: lines are runs of characters between line ends
// (blank lines swallowed, line ends that lead the text no line).
env_index *make_index(const env_lookups &lookups) {
  const char *text = lookups.text;
  size_t length = strlen(text);
  size_t most = length / 2 + 1;
  auto *index = (env_index *)malloc(sizeof(env_index) + most * (2 * sizeof(uint16_t) + 1));
  if (!index) return nullptr;
  memset(index->head, 0, sizeof index->head);
  index->offset = (uint16_t *)(index + 1);
  index->next = index->offset + most;
  index->length = (uint8_t *)(index->next + most);
  index->entries = 0;
  const char *end = text + length;
  const char *cr = nullptr;  // the first CR at or after the line, or end
  for (const char *line = text; line < end;) {
    while (line < end && is_line_end(*line)) line++;
    if (line == end) break;
    if (!cr || cr < line) {
      cr = (const char *)memchr(line, '\r', (size_t)(end - line));
      if (!cr) cr = end;
    }
    const char *line_end = line_end_of(line, cr);
    index_line(*index, lookups, line, line_end);
    line = line_end;
  }
  return index;
}

}  // namespace

void expect_names_of(env_lookups &lookups, std::span<const char> config) {
  lookups.all_wanted = false;
  for (size_t at = 0; at < config.size();) {
    while (at < config.size() && is_blank(config[at])) at++;
    if (at < config.size()) lookups.wanted[(uint8_t)config[at]] = true;
    const char *lf = (const char *)memchr(&config[at], '\n', config.size() - at);
    at = lf ? (size_t)(lf - config.data()) + 1 : config.size();
  }
}

int look_up_env(env_lookups &lookups, std::span<char> out, const char *name) {
  if (silent == 0) return search_env(lookups.text, out, name);
  // A name that no config line was told to begin with: the index of every setting.
  if (!lookups.all_wanted && !lookups.wanted[(uint8_t)name[0]]) {
    lookups.all_wanted = true;
    release_env_lookups(lookups);
  }
  if (!lookups.index) lookups.index = make_index(lookups);
  if (!lookups.index) return result_no_memory;
  const env_index &index = *lookups.index;
  size_t length = strlen(name);
  for (uint32_t entry = index.head[key_of(name, length)]; entry != 0; entry = index.next[entry - 1]) {
    const char *word = lookups.text + index.offset[entry - 1];
    if (index.length[entry - 1] != length || memcmp(word, name, length) != 0) continue;
    copy_parameter(out, word + length);
    return 0;
  }
  return 1;
}

int find_in_environment(void *lookups, std::span<char> out, const char *name) {
  return look_up_env(*(env_lookups *)lookups, out, name);
}

void release_env_lookups(env_lookups &lookups) {
  free(lookups.index);
  lookups.index = nullptr;
}
