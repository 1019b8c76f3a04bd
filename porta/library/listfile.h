#pragma once

// The sealed text list files of the history, favourites and core list: lines
// of "name:number:..." followed by the 4-byte CRC trailer. Written whole and
// crash-safely after every change; read only up to the seal.

#include "porta/base/sealed.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

constexpr int LIST_LINE_MAX = 1023;

// The lines before the seal of a file that passed the seal check, without
// their line ends; empty lines and lines longer than LIST_LINE_MAX bytes are
// left out. Returns 0, or -1 when the file cannot be read.
int list_file_lines(const char *path, std::vector<std::string> &lines);

// Splits "name:n1:...:nK" at its last `k` colons, so that a name holding ':'
// survives; the numbers are read as atoi reads them. Returns 0, or -1 when the
// line has fewer than `k` colons.
int split_line_right(const std::string &line, int k, std::string &name, int32_t *numbers);

// Whether a file name can be stored as one line: not when it holds a line
// end, which would split its record in two.
bool list_name_storable(const char *name);

// Copies at most 255 bytes of `name` into a 256-byte field, terminated.
void copy_list_name(char dst[256], const std::string &name);

// Reads the lines of a sealed list file as records of a name and `fields`
// numbers (split_line_right) and hands each to `take`, skipping lines with
// fewer colons; stops at the first record `take` refuses (returns false: the
// list is full). Returns 0, or -1 when the file is missing, after printing
// "<reader_name>: <path> is not exist! ".
int list_file_records(const char *path, const char *reader_name, int fields,
                      const std::function<bool(const std::string &name, const int32_t *numbers)> &take);

// The records of `path` appended to `list` until it holds `max_records`: each
// a zeroed Record with the name copied (copy_list_name) and the numbers set by
// `fill(record, numbers)`. 0, or -1 when the file is missing (as above).
template <typename Record, typename Fill>
int list_file_read_into(const char *path, const char *reader_name, int fields, size_t max_records,
                        std::vector<Record> &list, Fill fill)
{
    return list_file_records(path, reader_name, fields, [&](const std::string &name, const int32_t *numbers) {
        if (list.size() >= max_records)
            return false;
        Record record;
        memset(&record, 0, sizeof(record));
        copy_list_name(record.name, name);
        fill(record, numbers);
        list.push_back(record);
        return true;
    });
}

// The n-th record of a list (0-based), or nullptr outside it.
template <typename Record> const Record *list_record_at(const std::vector<Record> &list, int n)
{
    if (n < 0 || static_cast<size_t>(n) >= list.size())
        return nullptr;
    return &list[static_cast<size_t>(n)];
}

// Empties a list and gives its memory back.
template <typename Record> void list_records_free(std::vector<Record> &list)
{
    std::vector<Record>().swap(list);
}

// Empties `list` and reads it again from `path` with `read_file` when the
// file's seal holds; a badly sealed or missing file leaves the list empty.
template <typename Record>
void list_file_load(const char *path, std::vector<Record> &list, int (*read_file)(const char *))
{
    list.clear();
    if (crc_check_file(path) == 0)
        read_file(path);
}

// One stored line formatted as printf does, cut to LIST_LINE_MAX bytes.
std::string list_line(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Writes the content and its seal crash-safely. On failure prints
// "fopen <path> error,reurn <errno>" and returns -1 (the old file stays).
int list_file_write(const char *path, const std::string &content);
// Empties the file (0 bytes, a valid empty list). 0 or -1 (with the message).
int list_file_truncate(const char *path);
