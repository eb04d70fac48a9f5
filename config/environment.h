// The environment text: one setting a line (a name, blanks, a value), '#'
// starts a comment line, names compared exactly. It ends at its first NUL,
// which always lies inside the environment buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The longest environment line that a look-up reads, line ends not counted:
// a longer one is skipped whole.
inline constexpr size_t env_line_max = 254;

// Ends the environment text read into buffer (count bytes of the file, which
// may have been longer than the buffer) inside the buffer: the text keeps at
// most buffer.size() - 1 bytes, and a last line cut there is dropped whole.
void end_environment_text(std::span<uint8_t> buffer, size_t count);

// The environment's read cursor, p_env, is private to the look-up: seek sets
// it, get_env_line moves it.

// Delivers the line at p_env into line (which holds at least env_line_max + 2
// characters): the line, then its run of line ends, blank lines included, as
// much of that as fits, NUL-terminated. A line of more than env_line_max
// characters is delivered empty. Moves p_env past the line and its line ends
// and returns that count; 0 when p_env stands on the terminating NUL.
int get_env_line(std::span<char> line);

// Points p_env at env + offset when whence is 0 and offset lies inside the
// environment buffer: 0; otherwise -1 and p_env stays.
int seek(const char *env, long offset, int whence);

// How the quiet look-up jumps to the lines that may hold a name: for each
// occurrence of the name, in text order, the start of its line (the text's
// start or the character after the last line end before it) when only blanks
// stand between that start and the occurrence. finder starts as {text, text}
// and carries, from one occurrence to the next, the line start found and how
// far back the text has been walked.
struct line_finder {
  const char *line_start;
  const char *scanned;
};

// The start of the line holding hit when only blanks precede hit on it, else
// null. Occurrences must come in text order.
const char *candidate_line(line_finder &finder, const char *hit);

// Finds the first line of env whose first word is name and copies its value to
// out: 0 (also for an empty value); 1 when not found, out untouched.
int search_env(const char *env, std::span<char> out, const char *name);
