// RetroArch playlists: history and favourites.
//
// A playlist is JSON text that RetroArch and other tools read and write. Its
// entries are found by parsing (playlist_edit.cpp); an edit changes only the
// bytes of the entry added or removed, and a file that cannot be read or
// parsed is never rewritten. Paths are stored JSON-escaped and compared by
// their whole unescaped value.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include <strings.h>

#include "common/devroot.h"
#include "common/safefile.h"
#include "common/ttf_text.h"
#include "vantor/content.h"
#include "vantor/content_internal.h"

namespace {

const char PATH_KEY[] = "\"path\": \"";

// The lines of an empty playlist as this program creates it.
const char *const TEMPLATE[] = {
    "{",
    "  \"version\": \"1.5\",",
    "  \"default_core_path\": \"\",",
    "  \"default_core_name\": \"\",",
    "  \"label_display_mode\": 0,",
    "  \"right_thumbnail_mode\": 0,",
    "  \"left_thumbnail_mode\": 0,",
    "  \"sort_mode\": 0,",
    "  \"items\": [",
    "  ]",
    "}",
};

bool all_blank(const std::string &text)
{
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return false;
    return true;
}

std::string template_text()
{
    std::string out;
    for (const char *line : TEMPLATE) {
        out += line;
        out += '\n';
    }
    return out;
}

// Reads a playlist whole. Returns 0, 1 when it does not exist, or -1 when it
// exists but cannot be read (a card read error, no permission): such a file
// must never be rewritten.
int read_playlist_text(const char *path, std::string &text)
{
    text.clear();
    FILE *f = dev_fopen(path, "rb");
    if (!f)
        return errno == ENOENT || errno == ENOTDIR ? 1 : -1;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        text.append(buf, n);
    const bool failed = ferror(f) != 0;
    fclose(f);
    return failed ? -1 : 0;
}

// The stored paths of a playlist's entries, unescaped, in file order. A text
// that is not valid JSON (cut short, written by hand) still lists every line
// holding a "path" key, as far as it can be read.
std::vector<std::string> playlist_paths(const std::string &text)
{
    std::vector<std::string> paths;
    PlaylistDoc doc;
    if (parse_playlist(text, doc) == 0) {
        for (const PlaylistEntry &e : doc.entries)
            if (e.has_path)
                paths.push_back(e.path);
        return paths;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        size_t stop = end;
        while (stop > start && text[stop - 1] == '\r')
            stop--;
        std::string path;
        if (playlist_line_path(text.substr(start, stop - start), path))
            paths.push_back(path);
        start = end + 1;
    }
    return paths;
}

// Reads four hex digits at s[i]; returns -1 when they are not hex.
long hex4(const std::string &s, size_t i)
{
    if (i + 4 > s.size())
        return -1;
    long v = 0;
    for (size_t k = i; k < i + 4; k++) {
        const unsigned char c = static_cast<unsigned char>(s[k]);
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return -1;
        v = v * 16 + d;
    }
    return v;
}

} // namespace

std::string json_escape(const char *s)
{
    std::string out;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(s); *p; p++) {
        if (*p == '"' || *p == '\\') {
            out += '\\';
            out += static_cast<char>(*p);
        } else if (*p < 0x20) {
            char buf[8];
            snprintf(buf, sizeof(buf), "\\u%04x", static_cast<unsigned>(*p));
            out += buf;
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out;
}

std::string json_unescape(const std::string &s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[i + 1];
        switch (c) {
        case '"':
            out += '"';
            i++;
            continue;
        case '\\':
            out += '\\';
            i++;
            continue;
        case '/':
            out += '/';
            i++;
            continue;
        case 'b':
            out += '\b';
            i++;
            continue;
        case 'f':
            out += '\f';
            i++;
            continue;
        case 'n':
            out += '\n';
            i++;
            continue;
        case 'r':
            out += '\r';
            i++;
            continue;
        case 't':
            out += '\t';
            i++;
            continue;
        case 'u': {
            long code_point = hex4(s, i + 2);
            size_t used = 6;
            if (code_point >= 0xD800 && code_point <= 0xDBFF) {
                // A high surrogate needs its low half.
                long low = -1;
                if (i + 7 < s.size() && s[i + 6] == '\\' && s[i + 7] == 'u')
                    low = hex4(s, i + 8);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    code_point = 0x10000 + ((code_point - 0xD800) << 10) + (low - 0xDC00);
                    used = 12;
                } else {
                    code_point = -1;
                }
            } else if (code_point >= 0xDC00 && code_point <= 0xDFFF) {
                code_point = -1;
            }
            if (code_point < 0) { // malformed
                out += s[i];
                continue;
            }
            append_utf8(out, static_cast<unsigned>(code_point));
            i += used - 1;
            continue;
        }
        default: out += s[i]; continue;
        }
    }
    return out;
}

bool playlist_line_path(const std::string &line, std::string &path)
{
    const size_t key = line.find(PATH_KEY);
    if (key == std::string::npos)
        return false;
    const size_t start = key + sizeof(PATH_KEY) - 1;
    const size_t close = line.rfind('"');
    if (close == std::string::npos || close < start)
        return false;
    path = json_unescape(line.substr(start, close - start));
    return true;
}

int get_retroarch_playlist_items(const char *playlist_path, ItemList *items, int sort, int dedupe)
{
    *items = nullptr;
    std::string text;
    if (!playlist_path || read_playlist_text(playlist_path, text) != 0)
        return 0;
    std::vector<std::string> paths;
    std::unordered_set<std::string> seen;
    for (const std::string &path : playlist_paths(text)) {
        // A path holding a NUL names no file (cut there it would name another).
        if (path.empty() || path.find('\0') != std::string::npos)
            continue;
        if (dedupe && !seen.insert(path).second)
            continue;
        if (!is_readable_file(path.c_str()))
            continue;
        paths.push_back(path);
    }
    if (sort) {
        std::stable_sort(paths.begin(), paths.end(), [](const std::string &a, const std::string &b) {
            const size_t sa = a.rfind('/');
            const size_t sb = b.rfind('/');
            const char *na = a.c_str() + (sa == std::string::npos ? 0 : sa + 1);
            const char *nb = b.c_str() + (sb == std::string::npos ? 0 : sb + 1);
            return strcasecmp(na, nb) < 0;
        });
    }
    return to_item_list(paths, items);
}

int get_favorites(ItemList *items)
{
    return get_retroarch_playlist_items(FAVORITES_PLAYLIST, items, 1, 1);
}

int get_history(ItemList *items)
{
    *items = nullptr;
    bool internal_first = false;
    {
        std::vector<std::string> flag;
        if (read_whole_lines(HISTORY_FLAG_FILE, flag) == 0 && !flag.empty())
            internal_first = flag[0].find("/mnt/mmc/") != std::string::npos;
    }
    const char *order[2] = {SDCARD_HISTORY_PLAYLIST, MMC_HISTORY_PLAYLIST};
    if (internal_first)
        std::swap(order[0], order[1]);

    std::vector<std::string> all;
    for (const char *playlist : order) {
        ItemList part = nullptr;
        const int n = get_retroarch_playlist_items(playlist, &part, 0, 1);
        for (int i = 0; i < n; i++) {
            const char *core = get_preferred_core(part[i]);
            if (core && strstr(core, "ffmpeg"))
                continue;
            all.emplace_back(part[i]);
        }
        destroy_items(n, &part);
    }
    return to_item_list(all, items);
}

int is_favorited(const char *item_path)
{
    if (!item_path || !*item_path)
        return 0;
    std::string text;
    if (read_playlist_text(FAVORITES_PLAYLIST, text) != 0)
        return 0;
    for (const std::string &path : playlist_paths(text))
        if (path == item_path)
            return 1;
    return 0;
}

void add_to_favorites(const char *item_path)
{
    if (!item_path || !*item_path)
        return;
    std::string text;
    const int read = read_playlist_text(FAVORITES_PLAYLIST, text);
    if (read < 0)
        return; // there but unreadable: rewriting it would lose every entry
    if (read > 0 || all_blank(text))
        text = template_text();
    PlaylistDoc doc;
    if (parse_playlist(text, doc) == 0) {
        for (const PlaylistEntry &e : doc.entries)
            if (e.has_path && e.path == item_path)
                return; // already a favourite: never a second entry
    }
    std::string out;
    if (playlist_with_entry_added(text, item_path, out) != 0)
        return; // not a playlist this program can read: left as it is
    write_file_atomic(FAVORITES_PLAYLIST, out);
}

int remove_from_retroarch_playlist(const char *playlist_path, const char *item_path)
{
    if (!playlist_path || !item_path || !*item_path)
        return 0;
    std::string text;
    if (read_playlist_text(playlist_path, text) != 0)
        return 0;
    std::string out;
    if (playlist_with_entry_removed(text, item_path, out) == 0)
        write_file_atomic(playlist_path, out);
    return 0;
}

void remove_from_favorites(const char *item_path)
{
    remove_from_retroarch_playlist(FAVORITES_PLAYLIST, item_path);
}

void remove_from_recent(const char *item_path)
{
    if (!item_path)
        return;
    if (strstr(item_path, "/mnt/SDCARD/"))
        remove_from_retroarch_playlist(SDCARD_HISTORY_PLAYLIST, item_path);
    else
        remove_from_retroarch_playlist(MMC_HISTORY_PLAYLIST, item_path);
}
