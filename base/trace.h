// The run's trace switch and the one helper that honours it.
#pragma once

// 1 (quiet) until -l sets it to 0; trace messages print only while it is 0.
extern int silent;

// printf to standard output, only when silent is 0.
void trace(const char *format, ...) __attribute__((format(printf, 1, 2)));

// A path as messages show it: "(null)" when no path was given.
const char *printable_path(const char *path);
