#include "config/config_lines.h"

#include <algorithm>
#include <cstring>

#include "config/scan.h"

// True when a CR or a NUL among the first length characters of line is
// followed by anything but blanks, CRs and NULs.
static bool goes_on_after_stop(const char *line, size_t length) {
  const char *cr = (const char *)memchr(line, '\r', length);
  const char *nul = (const char *)memchr(line, '\0', length);
  const char *stop = !cr ? nul : !nul ? cr : std::min(cr, nul);
  for (const char *p = stop; p && p < line + length; p++) {
    if (*p != '\r' && *p != '\0' && !is_blank(*p)) return true;
  }
  return false;
}

// Refills the chunk: with the bytes read ahead while any are left, then from the
// file. The count of bytes it holds now; 0 at the end.
static size_t refill(config_lines &lines) {
  lines.start = 0;
  if (!lines.ahead.empty()) {
    size_t count = std::min(lines.ahead.size(), sizeof lines.chunk);
    memcpy(lines.chunk, lines.ahead.data(), count);
    lines.ahead = lines.ahead.subspan(count);
    return count;
  }
  return lines.file ? fread(lines.chunk, 1, sizeof lines.chunk, lines.file) : 0;
}

bool next_config_line(config_lines &lines, char (&line)[config_line_max + 1], bool &too_long) {
  size_t length = 0;        // characters before the LF
  size_t trailing_crs = 0;  // the CRs right before the LF belong to the line end
  bool any = false;
  lines.cut = false;
  for (;;) {
    if (lines.start == lines.end) {
      lines.end = refill(lines);
      if (lines.end == 0) break;
    }
    any = true;
    const char *begin = lines.chunk + lines.start;
    size_t available = lines.end - lines.start;
    const char *lf = (const char *)memchr(begin, '\n', available);
    size_t taken = lf ? (size_t)(lf - begin) : available;
    if (length < config_line_max) memcpy(line + length, begin, std::min(taken, config_line_max - length));
    size_t crs = 0;
    while (crs < taken && begin[taken - 1 - crs] == '\r') crs++;
    trailing_crs = crs == taken ? trailing_crs + crs : crs;
    length += taken;
    lines.start += taken + (lf ? 1 : 0);
    if (lf) break;
    // A line that never ends (a device, say) is too long at once: its rest stays unread.
    if (length - trailing_crs > config_line_max) {
      lines.cut = true;
      break;
    }
  }
  size_t content = length - trailing_crs;
  too_long = content > config_line_max;
  line[too_long ? config_line_max : content] = '\0';
  lines.goes_on = !too_long && goes_on_after_stop(line, content);
  return any;
}

void skip_line_rest(config_lines &lines) {
  while (lines.cut) {
    if (lines.start == lines.end) {
      lines.end = refill(lines);
      if (lines.end == 0) break;
    }
    const char *begin = lines.chunk + lines.start;
    const char *lf = (const char *)memchr(begin, '\n', lines.end - lines.start);
    lines.start = lf ? (size_t)(lf - lines.chunk) + 1 : lines.end;
    if (lf) lines.cut = false;
  }
  lines.cut = false;
}

config_source read_config_ahead(const char *path, std::span<char> ahead) {
  config_source source;
  source.path = path;
  FILE *file = path ? fopen(path, "r") : nullptr;
  source.opened = file != nullptr;
  if (!file) return source;
  size_t count = fread(ahead.data(), 1, ahead.size(), file);
  source.ahead = ahead.first(count);
  source.failed = ferror(file) != 0;
  if (count == ahead.size() && !source.failed) {
    source.rest = file;
  } else {
    (void)fclose(file);  // read only: nothing is lost
  }
  return source;
}

void close_config_source(config_source &source) {
  if (source.rest) (void)fclose(source.rest);  // read only: nothing is lost
  source.rest = nullptr;
}
