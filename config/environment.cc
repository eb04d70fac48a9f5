#include "config/environment.h"

#include <bit>
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

namespace {

// The index's slots hold an offset into the text (plus 1) in their low half.
static_assert(env_buffer_size < 0x10000);

bool ends_word(char c) { return c == '\0' || is_blank(c) || is_line_end(c); }

// The count bytes at p, the first the lowest. (Shifts and multiplications
// here are by constants: 32-bit devices do them without a helper library.)
uint64_t get_le(const char *p, size_t count) {
  uint64_t value = 0;
  for (size_t i = count; i-- > 0;) value = value << 8 | (uint8_t)p[i];
  return value;
}

// The same for eight bytes, read as one word on a little-endian host.
inline uint64_t get_le64(const char *p) {
  if constexpr (std::endian::native != std::endian::little) return get_le(p, 8);
  uint64_t value = 0;
  memcpy(&value, p, sizeof value);
  return value;
}

constexpr uint64_t golden = 0x9E3779B97F4A7C15u;  // 2^64 divided by the golden ratio, odd

// Finds the end of the word at p (its first NUL, blank or line end) and puts
// a 16-bit hash of the word in hash. end is the NUL that ends the text holding
// p. The word is read eight bytes at a time where eight bytes lie before end: a
// chunk with no byte below '!' is all word, and else the first such byte ends
// the word unless it is another control byte. Each chunk, cut to the word,
// goes into the hash, and the word's length last.
[[gnu::always_inline]] inline const char *scan_word(const char *p, const char *end, uint32_t &hash) {
  const char *word = p;
  uint64_t h = 0;
  for (;;) {
    size_t k = 8;  // the word's bytes in the chunk at p
    uint64_t chunk = 0;
    if (end - p >= 8) {
      chunk = get_le64(p);
      uint64_t below = (chunk - 0x2121212121212121u) & ~chunk & 0x8080808080808080u;
      if (below) {
        // The lowest flagged byte is exact: k bytes lie below it.
        uint64_t lowest = below & (0 - below);
        k = (size_t)((((lowest - 1) & 0x0101010101010101u) * 0x0101010101010101u) >> 56) - 1;
        chunk &= (lowest >> 7) - 1;
      }
    }
    if (k < 8 ? !ends_word(p[k]) : end - p < 8) {
      for (k = 0; k < 8 && !ends_word(p[k]);) k++;
      chunk = get_le(p, k);
    }
    h = (h ^ chunk) * golden;
    p += k;
    if (k < 8) break;
  }
  h = (h ^ h >> 32 ^ (uint64_t)(p - word)) * golden;
  hash = (uint32_t)(h >> 48);
  return p;
}

// The slot that holds the word of length bytes at name, whose hash is hash,
// or else the free slot where it would go.
[[gnu::always_inline]] inline uint32_t *probe(const env_lookups &lookups, const char *name, size_t length,
                                              uint32_t hash) {
  for (uint32_t i = hash & lookups.mask;; i = (i + 1) & lookups.mask) {
    uint32_t *slot = &lookups.slots[i];
    if (*slot == 0) return slot;
    size_t at = (*slot & 0xFFFF) - 1;
    if (*slot >> 16 == hash && at + length <= lookups.length && memcmp(lookups.text + at, name, length) == 0 &&
        ends_word(lookups.text[at + length]))
      return slot;
  }
}

// Gives the index count slots (a power of two), placing each word again:
// false when they cannot be allocated.
bool resize(env_lookups &lookups, uint32_t count) {
  auto *slots = (uint32_t *)malloc(count * sizeof(uint32_t));
  if (!slots) return false;
  memset(slots, 0, count * sizeof(uint32_t));
  for (uint32_t i = 0; lookups.slots && i <= lookups.mask; i++) {
    uint32_t slot = lookups.slots[i];
    if (slot == 0) continue;
    uint32_t j = (slot >> 16) & (count - 1);
    while (slots[j] != 0) j = (j + 1) & (count - 1);
    slots[j] = slot;
  }
  free(lookups.slots);
  lookups.slots = slots;
  lookups.mask = count - 1;
  return true;
}

// The first c in [from, end), or end.
const char *find(const char *from, const char *end, char c) {
  const char *found = (const char *)memchr(from, c, (size_t)(end - from));
  return found ? found : end;
}

// The one pass over the text. Each line that search_env would read as a
// setting (not a comment, not too long) adds its first word, unless an
// earlier line began with the same word. The index starts with a slot for
// every 16 bytes of text, at least 64, and doubles when three quarters are
// taken.
bool index_text(env_lookups &lookups) {
  const char *text = lookups.text;
  lookups.length = (uint32_t)strlen(text);
  uint32_t count = 64;
  while (count < lookups.length / 16) count *= 2;
  if (!resize(lookups, count)) return false;
  uint32_t room = count / 4 * 3;  // words the index takes before it doubles
  const char *end = text + lookups.length;
  const char *line = text;
  while (is_line_end(*line)) line++;  // line ends that lead the text are no line
  const char *cr = find(line, end, '\r');
  while (line < end) {
    if (cr < line) cr = find(line, end, '\r');
    const char *line_end = find(line, cr, '\n');
    if (line_end - line <= (long)env_line_max && line[0] != '#') {
      const char *word = line;
      while (is_blank(*word)) word++;
      uint32_t hash = 0;
      const char *word_end = scan_word(word, end, hash);
      uint32_t *slot = probe(lookups, word, (size_t)(word_end - word), hash);
      if (*slot == 0) {
        *slot = hash << 16 | (uint32_t)(word - text + 1);
        if (++lookups.used > room) {
          if (!resize(lookups, (lookups.mask + 1) * 2)) return false;
          room = (lookups.mask + 1) / 4 * 3;
        }
      }
    }
    line = line_end;
    while (is_line_end(*line)) line++;
  }
  return true;
}

}  // namespace

int look_up_env(env_lookups &lookups, std::span<char> out, const char *name) {
  if (silent == 0) return search_env(lookups.text, out, name);
  if (!lookups.slots && !index_text(lookups)) {
    release_env_lookups(lookups);
    return result_no_memory;
  }
  uint32_t hash = 0;
  const char *name_end = scan_word(name, name + strlen(name), hash);
  if (*name_end != '\0') return 1;  // a name holding a blank or a line end begins no line
  size_t length = (size_t)(name_end - name);
  uint32_t *slot = probe(lookups, name, length, hash);
  if (*slot == 0) return 1;
  copy_parameter(out, lookups.text + (*slot & 0xFFFF) - 1 + length);
  return 0;
}

void release_env_lookups(env_lookups &lookups) {
  free(lookups.slots);
  lookups.slots = nullptr;
  lookups.mask = 0;
  lookups.used = 0;
  lookups.length = 0;
}
