// The config file's lines, read in chunks with constant memory however long a line is.
#pragma once

#include <cstddef>
#include <cstdio>
#include <span>

// Longest config line, not counting its line end (the LF and the CRs right before it).
inline constexpr size_t config_line_max = 255;

// The bytes of a config file: those read ahead of it first, then the file's own
// (none when file is null).
struct config_lines {
  std::span<const char> ahead = {};
  FILE *file = nullptr;
  size_t start = 0;  // the unread bytes are chunk[start, end)
  size_t end = 0;
  bool cut = false;  // the last line read was too long and its rest is still unread
  // The last line read, not too long, has a CR or a NUL followed by more than
  // blanks, CRs and NULs: a reader of the line would lose what follows.
  bool goes_on = false;
  char chunk[1024];
};

// Reads the next line, up to and including its LF. Keeps at most its first
// config_line_max characters in line, NUL-terminated, without its line end;
// too_long tells that more came before the line end. Reading stops soon after
// the line is known to be too long: lines.cut tells that its rest is unread,
// lines.goes_on what comes after a CR or a NUL inside it.
// False at the end of the file or on a read error (ferror tells).
bool next_config_line(config_lines &lines, char (&line)[config_line_max + 1], bool &too_long);

// Reads and drops the rest of a line that next_config_line cut.
void skip_line_rest(config_lines &lines);

// A config file as a run reads it before it takes the partition's lock: its
// first bytes, and the file, still open, when it goes on past them.
struct config_source {
  const char *path = nullptr;   // names it in messages
  bool opened = false;          // it could be opened for reading
  std::span<const char> ahead;  // the bytes read ahead
  FILE *rest = nullptr;         // the file, when it may go on past them
  bool failed = false;          // a read ahead failed
};

// Opens the config file at path and reads as much of it as ahead holds,
// printing nothing; the file stays open when it fills ahead.
config_source read_config_ahead(const char *path, std::span<char> ahead);

// Closes the file that source keeps open, if any.
void close_config_source(config_source &source);
