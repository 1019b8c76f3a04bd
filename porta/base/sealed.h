#pragma once

// Sealed data files: the content followed by a 4-byte little-endian CRC-32
// (reflected polynomial 0xEDB88320, initial value 0, no final inversion), so
// that the CRC over the whole file is 0. Used for the attribute record, the
// keypad map and the history, favourite and core lists.

#include <cstddef>
#include <cstdint>

uint32_t crc32_update(uint32_t crc, const void *data, size_t len);

// Appends the seal to the file's current bytes; the sealed file replaces the
// old one in one step. Returns 0 or -1.
int crc_seal_file(const char *path);
// Writes `data` followed by its seal, crash-safely (temporary file, fsync,
// rename). Returns 0 or -1 (the old file is then untouched).
int crc_seal_write(const char *path, const void *data, size_t len);
// Returns 0 for an intact sealed file or an empty one. A file whose CRC is not
// 0, or whose bytes are all zero (what a power cut leaves on FAT, and which
// the CRC alone would accept), is deleted and -1 returned. A file that cannot
// be opened returns -1 and is kept.
int crc_check_file(const char *path);
