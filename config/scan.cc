#include "config/scan.h"

#include <cstddef>

#include "base/trace.h"

static const char *skip_blanks(const char *p) {
  while (is_blank(*p)) p++;
  return p;
}

const char *copy_tag(std::span<char> dst, const char *src) {
  dst[0] = '\0';
  if (!src) return nullptr;
  const char *p = skip_blanks(src);
  size_t n = 0;
  while (*p != '\0' && !is_blank(*p) && !is_line_end(*p) && n + 1 < dst.size()) dst[n++] = *p++;
  dst[n] = '\0';
  if (n > 0) trace("[copy_tag] \"%s\" \n", dst.data());
  return p == src ? nullptr : p;
}

const char *copy_parameter(std::span<char> dst, const char *src) {
  const char *p = skip_blanks(src);
  size_t n = 0;
  while (*p != '\0' && *p != '\t' && !is_line_end(*p) && n + 1 < dst.size()) dst[n++] = *p++;
  while (n > 0 && is_blank(dst[n - 1])) n--;
  dst[n] = '\0';
  trace("[copy_parameter] \"%s\" ", dst.data());
  return p == src || *p == '\0' ? nullptr : p;
}
