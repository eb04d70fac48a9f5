// The environment text: one setting a line (a name, blanks, a value), '#'
// starts a comment line, names compared exactly. It ends at its first NUL,
// which always lies inside the environment buffer.
#pragma once

#include <span>

// The read cursor into the environment text: the next unread character.
extern const char *p_env;

// Delivers the line at p_env into line: at most line.size() - 2 characters of
// it (a longer line comes in pieces), then its run of line ends, blank lines
// included, as much of that as fits. Moves p_env past what it took and returns
// that count; 0 when p_env stands on the terminating NUL.
int get_env_line(std::span<char> line);

// Points p_env at env + offset when whence is 0 and offset lies inside the
// environment buffer: 0; otherwise -1 and p_env stays.
int seek(const char *env, long offset, int whence);

// Finds the first line of env whose first word is name and copies its value to
// out: 0 (also for an empty value); 1 when not found, out untouched.
int search_env(const char *env, std::span<char> out, const char *name);
