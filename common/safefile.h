#pragma once

// Crash-safe whole-file writing: the new content goes to a temporary file in
// the same folder, is flushed and fsynced, then renamed over the target and the
// folder is fsynced. A power cut at any moment leaves either the complete old
// file or the complete new one. Paths are device paths (mapped through the
// device root).

#include <cstddef>
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
