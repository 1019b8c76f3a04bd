#pragma once

// The sealed text list files of the history, favourites and core list: lines
// of "name:number:..." followed by the 4-byte CRC trailer. Written whole and
// crash-safely after every change; read only up to the seal.

#include "porta/base/sealed.h"
#include "porta/library/card.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

constexpr int LIST_LINE_MAX = 1023;

// The lines before the seal of a file that passed the seal check, without
// their line ends; empty lines and lines longer than LIST_LINE_MAX bytes are
// left out. Returns 0, or -1 when the file cannot be read.
int list_file_lines(const char *path, std::vector<std::string> &lines);

// A decimal number of a stored file, read as the handheld's 32-bit atoi reads
// it on every host: leading blanks and a sign, the digits up to the first
// other byte, 0 without digits, and a value beyond the int32 range held at
// its end (INT32_MAX or INT32_MIN), never wrapped.
int32_t stored_number(const char *text);

// Splits "name:n1:...:nK" at its last `k` colons, so that a name holding ':'
// survives; the numbers are read by stored_number. Returns 0, or -1 when the
// line has fewer than `k` colons.
int split_line_right(const std::string &line, int k, std::string &name, int32_t *numbers);

// Whether a file name can be stored as one line: not when it holds a line
// end, which would split its record in two.
bool list_name_storable(const char *name);

// Copies at most 255 bytes of `name` into a 256-byte field, terminated.
void copy_list_name(char dst[256], const std::string &name);

// A zeroed record holding `name` (copy_list_name).
template <typename Record> Record list_record_named(const std::string &name)
{
    Record record;
    memset(&record, 0, sizeof(record));
    copy_list_name(record.name, name);
    return record;
}

// Copies the file name of entry `index` of the system's list on `card` into
// a record's name field (copy_list_name) when a list can store it; false,
// nothing copied, when the list holds no scan, the index lies outside it, or
// the name is empty or holds a line end.
bool copy_storable_game_name(int system, int index, Card card, char dst[256]);

// Reads the lines of a sealed list file as records of a name and `fields`
// numbers (split_line_right) and hands each to `take`, skipping lines with
// fewer colons; stops at the first record `take` refuses (returns false: the
// list is full). Returns 0, or -1 when the file is missing, after printing
// "<reader_name>: <path> is not exist! ".
int list_file_records(const char *path, const char *reader_name, int fields,
                      const std::function<bool(const std::string &name, const int32_t *numbers)> &take);

// The numbers a stored line holds at the most.
constexpr int LIST_NUMBERS_MAX = 4;

// One stored list: its file, sealed lines of "name:n1:...:nK", and its
// records in memory. The list's module keeps the records and alone changes
// them; everyone else reads them (list_records). The rest says what differs
// between the lists.
template <typename Record> struct StoredList {
    const char *path;
    const char *reader_name; // named when the file is missing
    const char *count_text;  // printed with the count after a load; nullptr: nothing
    size_t max_records;      // the records a file gives at most
    int fields;              // the numbers after the name, in line order:
    int32_t Record::*numbers[LIST_NUMBERS_MAX];
    std::vector<Record> *records;
};

// The records, read-only, in list order.
template <typename Record> const std::vector<Record> &list_records(const StoredList<Record> &list)
{
    return *list.records;
}

template <typename Record> int list_count(const StoredList<Record> &list)
{
    return static_cast<int>(list.records->size());
}

// The n-th record (0-based), or nullptr outside the list.
template <typename Record> const Record *list_record_at(const StoredList<Record> &list, int n)
{
    if (n < 0 || static_cast<size_t>(n) >= list.records->size())
        return nullptr;
    return &(*list.records)[static_cast<size_t>(n)];
}

// Appends the records of `path` until the list holds its maximum: each a
// zeroed Record with the name copied (copy_list_name) and its numbers set.
// 0, or -1 when the file is missing (as above).
template <typename Record> int list_read_file(const StoredList<Record> &list, const char *path)
{
    std::vector<Record> &records = *list.records;
    return list_file_records(path, list.reader_name, list.fields, [&](const std::string &name, const int32_t *numbers) {
        if (records.size() >= list.max_records)
            return false;
        Record record = list_record_named<Record>(name);
        for (int i = 0; i < list.fields; i++)
            record.*list.numbers[i] = numbers[i];
        records.push_back(record);
        return true;
    });
}

// Empties the list and reads it again from its file when the file's seal
// holds (a badly sealed file is deleted by the check); a missing file leaves
// the list empty. Prints the count text, if any. Returns the count.
template <typename Record> int list_load(const StoredList<Record> &list)
{
    list.records->clear();
    if (crc_check_file(list.path) == 0)
        list_read_file(list, list.path);
    const int count = list_count(list);
    if (list.count_text)
        printf(list.count_text, count);
    return count;
}

// Empties the list and gives its memory back; the file stays.
template <typename Record> void list_free(const StoredList<Record> &list)
{
    std::vector<Record>().swap(*list.records);
}

// One stored line: the name, each number after a ':', and the line end; cut
// to LIST_LINE_MAX bytes.
std::string list_line(const char *name, const int32_t *numbers, int count);

// Writes the content and its seal crash-safely; no content leaves an empty
// file (0 bytes, a valid empty list), as the seal of nothing would read as a
// damaged file at the next start. On failure prints
// "fopen <path> error,reurn <errno>" and returns -1 (the old file stays).
int list_file_write(const char *path, const std::string &content);

// Writes the whole list, one line per record, as above. 0 or -1.
template <typename Record> int list_save(const StoredList<Record> &list)
{
    std::string content;
    for (const Record &record : *list.records) {
        int32_t numbers[LIST_NUMBERS_MAX];
        for (int i = 0; i < list.fields; i++)
            numbers[i] = record.*list.numbers[i];
        content += list_line(record.name, numbers, list.fields);
    }
    return list_file_write(list.path, content);
}

// Empties the list and its file (0 bytes). 0, or -1 when the file could not
// be written (with the message above).
template <typename Record> int list_clear(const StoredList<Record> &list)
{
    list_free(list);
    return list_file_write(list.path, std::string());
}
