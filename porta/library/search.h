#pragma once

// The search room: the on-screen keyboard's cursor, the typed text and up to
// 100 games of both cards that match it. With a Chinese UI (language 0 or 1)
// the text is looked for in the search keys of the game names (pinyin
// initials and digits, see name_initials), with any other language in the
// file names, case-insensitively. The built-in card's 17 lists are searched
// first, then the TF card's, each in list order.
//
// Results name a game by (system, entry index, card) in the lists of
// the current scan; they are dropped whenever the lists are freed or scanned
// again (a TF card change), so they never outlive the lists they came from.
// The typed text survives a launch from the result list in /tmp/search.

#include "porta/library/card.h"

#include <cstddef>
#include <cstdint>

// The keyboard: 4 rows of 10 keys, key index = row x 10 + column; the
// button below the grid (index 40) opens the result list. Key 29 clears the
// text and key 39 deletes the last character; their characters are never
// typed (37 is the space).
constexpr const char SEARCH_KEYBOARD[] = "1234567890qwertyuiopasdfghjkl;zxcvbnm .?";
constexpr int SEARCH_KEY_COUNT = 40;
constexpr int SEARCH_KEY_COLUMNS = 10;
constexpr int SEARCH_KEY_ROWS = 4;
constexpr int SEARCH_KEY_CLEAR = 29;
constexpr int SEARCH_KEY_DELETE = 39;
constexpr int SEARCH_BUTTON = 40;

constexpr int SEARCH_TEXT_SIZE = 32;
constexpr int SEARCH_TEXT_MAX = 31;
constexpr int SEARCH_RESULTS_MAX = 100;
constexpr const char SEARCH_FILE[] = "/tmp/search";

struct SearchResult {
    int32_t index; // entry index in the list of (card, system)
    int16_t system;
    Card card;
};

struct SearchState {
    int cursor;                  // 0..40, the selected key
    char text[SEARCH_TEXT_SIZE]; // the typed text, terminated
    int length;                  // 0..31
    int count;                   // 0..100
    SearchResult results[SEARCH_RESULTS_MAX];
};

extern SearchState search_state;

// Clears the whole state: cursor on key 0, no text, no results.
void search_clear(void);

// Searches the lists of both cards for the typed text: the results are
// emptied, then the 17 built-in lists and the 17 TF card lists are walked in
// order until 100 games match. Returns the result count. An empty text
// matches nothing.
int search_run(void);

// Start-up (after the lists are scanned): clears the state; when the
// restored screen is the result list (`on_results` non-zero), takes the text
// stored in /tmp/search and runs the search again. Returns the result count.
int search_restore(int on_results);

// The result count (the cursor bound of the result list) and the n-th
// result, or nullptr outside them.
int search_result_count(void);
const SearchResult *search_result(int n);

// Typing: appends a character when fewer than 31 are typed and searches
// (returns the result count, or -1 when the text is full); deletes the last
// character and searches what remains, the results emptied when nothing
// remains; clears the text and the results.
int search_append(char c);
void search_delete_last(void);
void search_clear_text(void);

// The keyboard cursor: Up from the top row goes to the bottom row, from the
// button to key 39; Down goes to the button from the bottom row and stays
// there; Left and Right wrap within the row and leave the button alone.
void search_cursor_up(void);
void search_cursor_down(void);
void search_cursor_left(void);
void search_cursor_right(void);

// The stored text: /tmp/search holds the typed text alone (no terminator, no
// line end), written crash-safely after a launch from the result list.
// Returns 0, or -1 after printing "fopen /tmp/search return error <errno>".
int search_save(void);
// Reads the first line of a stored text file (device path) into `text`
// (size at least 1; at most size - 1 bytes are kept, the line end dropped)
// as it stands, whatever bytes it holds. Returns the length, or -1 when the
// file cannot be opened ("<path> is not exist!").
int read_search_file(const char *path, char *text, size_t size);

// The two match rules, for one game. `text` of `len` bytes (1 or more):
// - initials (Chinese UI): the 32-byte search key (terminated only when
//   shorter) holds the text; a single character matches when any of the 32
//   bytes equals it;
// - names (other languages): the file name with its extension, A..Z taken as
//   a..z, holds the text.
int search_initials_match(const char *initials, const char *text, int len);
int search_name_match(const char *name, const char *text, int len);
