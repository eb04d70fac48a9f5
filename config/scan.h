// The two copiers that split config and environment lines: a word, and the rest
// of a line as a value. Blanks are space and tab; line ends are LF and CR.
#pragma once

#include <span>

// Copies the word at src (after leading blanks) into dst, up to a NUL, blank or
// line end, at most dst.size() - 1 characters. The position after the word, or
// null when src is null or begins with a NUL or line end (dst is then empty).
const char *copy_tag(std::span<char> dst, const char *src);

// Copies the value at src (after leading blanks) into dst, up to a NUL, tab or
// line end, at most dst.size() - 1 characters, trailing blanks dropped. The
// position of the tab or line end that ended it, or null when nothing was passed
// or the value ran up to the NUL at the end of the text.
const char *copy_parameter(std::span<char> dst, const char *src);

inline bool is_blank(char c) { return c == ' ' || c == '\t'; }
inline bool is_line_end(char c) { return c == '\n' || c == '\r'; }
