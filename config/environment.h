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

// Finds the first line of env whose first word is name and copies its value to
// out: 0 (also for an empty value); 1 when not found, out untouched. Walks the
// text line by line from its start, tracing every line it reads.
int search_env(const char *env, std::span<char> out, const char *name);

// The look-ups of one build in one environment text. A quiet look-up finds
// what search_env finds, through an index of the text's settings made in one
// pass at the first look-up: each setting line's first word, chained in text
// order by a key of it, so that the first line a word begins is found first.
// A traced look-up walks the text with search_env, so that the trace shows
// every line read. Made with the text ({text}); released at the end.
struct env_index;
struct env_lookups {
  const char *text = nullptr;
  env_index *index = nullptr;  // made at the first quiet look-up
  bool all_wanted = true;      // any name may be looked up; else only those that begin with a wanted byte
  bool wanted[256] = {};
};

// Tells lookups which names they will be asked for: those that begin a line
// of config, the whole config file (after blanks). The index then holds only
// the settings whose name begins with one of their first bytes. A name not
// told is still found, through an index of every setting made anew.
void expect_names_of(env_lookups &lookups, std::span<const char> config);

// Looks name up in lookups.text as search_env does: 0 (value in out) or 1 (not
// found, out untouched); result_no_memory when the index cannot be allocated.
int look_up_env(env_lookups &lookups, std::span<char> out, const char *name);

// look_up_env as the builder asks for values (value_source): lookups is an env_lookups.
int find_in_environment(void *lookups, std::span<char> out, const char *name);

// Frees the index; the look-ups can start again.
void release_env_lookups(env_lookups &lookups);
