#pragma once

// Crash-safe whole-file writing: the new content goes to a temporary file in
// the same folder, is flushed and fsynced, then renamed over the target and the
// folder is fsynced. A power cut at any moment leaves either the complete old
// file or the complete new one. Paths are device paths (mapped through the
// device root).

#include <cstddef>
#include <ctime>
#include <string>
#include <type_traits>

// Returns 0 on success, -1 on failure (the old file is then untouched).
// `mode` is the permission of the new file (before the umask).
int write_file_atomic(const char *path, const void *data, size_t len, int mode = 0644);
// The same for a std::string (only a real std::string picks this one, so that
// a call with a literal and a length is never ambiguous).
template <typename S, typename = std::enable_if_t<std::is_same_v<S, std::string>>>
inline int write_file_atomic(const char *path, const S &data, int mode = 0644)
{
    return write_file_atomic(path, data.data(), data.size(), mode);
}

// Reads a whole file (device path) into `out`. Returns 0, or -1 when it cannot be read.
int read_file(const char *path, std::string &out);

// The moment a run starts, to the nanosecond, for the two functions below.
struct timespec run_start_time();

// Removes what interrupted writes of `path` left behind: the temporary files
// ".<name>.XXXXXX" (six letters or digits, as write_file_atomic makes them)
// beside the file, in the folder a linked file is written to, that are plain
// files last modified before `before` (the start of the current run, so a
// write in progress is never touched; compared to the nanosecond, so a write
// cut short in the second the run started in is still removed). Nothing else is removed. Returns the
// number of files removed.
int remove_stale_temp_files(const char *path, const struct timespec &before);
// The same for every file of folder `dir` whose name ends in `suffix` (a
// folder of files named after their content, such as one file per gamepad):
// removes ".<name><suffix>.XXXXXX" files older than `before`.
int remove_stale_temp_files_in(const char *dir, const char *suffix, const struct timespec &before);
