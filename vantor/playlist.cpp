// RetroArch playlists: history and favourites.
//
// A playlist is JSON text that RetroArch reads and writes, laid out one element
// per line. Only the lines holding the "path" key matter here; entries are
// recognised by their opening "{" and closing "}" / "}," lines. Paths are
// stored JSON-escaped and compared by their whole unescaped value.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include <strings.h>

#include "common/devroot.h"
#include "common/safefile.h"
#include "vantor/content.h"
#include "vantor/content_internal.h"

namespace {

const char kPathKey[] = "\"path\": \"";

// The lines of an empty playlist as this program creates it.
const char *const kTemplate[] = {
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

// The line without its leading blanks.
const char *trimmedStart(const std::string &line)
{
    const char *p = line.c_str();
    while (*p == ' ' || *p == '\t')
        p++;
    return p;
}

// The line without its trailing blanks.
std::string rtrim(const std::string &line)
{
    size_t n = line.size();
    while (n > 0 && (line[n - 1] == ' ' || line[n - 1] == '\t'))
        n--;
    return line.substr(0, n);
}

bool opensEntry(const std::string &line)
{
    return *trimmedStart(line) == '{';
}

bool closesEntry(const std::string &line)
{
    return *trimmedStart(line) == '}';
}

int findItemsLine(const std::vector<std::string> &lines)
{
    for (size_t i = 0; i < lines.size(); i++) {
        if (lines[i].find("items") != std::string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

bool allBlank(const std::vector<std::string> &lines)
{
    for (const std::string &l : lines) {
        if (*trimmedStart(l) != '\0')
            return false;
    }
    return true;
}

std::string joinLines(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &l : lines) {
        out += l;
        out += '\n';
    }
    return out;
}

void appendUtf8(std::string &out, unsigned cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
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

std::string jsonEscape(const char *s)
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

std::string jsonUnescape(const std::string &s)
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
        case '"': out += '"'; i++; continue;
        case '\\': out += '\\'; i++; continue;
        case '/': out += '/'; i++; continue;
        case 'b': out += '\b'; i++; continue;
        case 'f': out += '\f'; i++; continue;
        case 'n': out += '\n'; i++; continue;
        case 'r': out += '\r'; i++; continue;
        case 't': out += '\t'; i++; continue;
        case 'u': {
            long cp = hex4(s, i + 2);
            size_t used = 6;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                // A high surrogate needs its low half.
                long low = -1;
                if (i + 7 < s.size() && s[i + 6] == '\\' && s[i + 7] == 'u')
                    low = hex4(s, i + 8);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    used = 12;
                } else {
                    cp = -1;
                }
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                cp = -1;
            }
            if (cp <= 0) { // malformed, or a NUL that no path can hold
                out += s[i];
                continue;
            }
            appendUtf8(out, static_cast<unsigned>(cp));
            i += used - 1;
            continue;
        }
        default:
            out += s[i];
            continue;
        }
    }
    return out;
}

bool playlistLinePath(const std::string &line, std::string &path)
{
    const size_t key = line.find(kPathKey);
    if (key == std::string::npos)
        return false;
    const size_t start = key + sizeof(kPathKey) - 1;
    const size_t close = line.rfind('"');
    if (close == std::string::npos || close < start)
        return false;
    path = jsonUnescape(line.substr(start, close - start));
    return true;
}

int getRetroArchPlayListItems(const char *playlistPath, ItemList *items, int sort, int dedupe)
{
    *items = nullptr;
    std::vector<std::string> lines;
    if (!playlistPath || readWholeLines(playlistPath, lines) < 0)
        return 0;
    std::vector<std::string> paths;
    std::unordered_set<std::string> seen;
    for (const std::string &line : lines) {
        std::string path;
        if (!playlistLinePath(line, path) || path.empty())
            continue;
        if (dedupe && !seen.insert(path).second)
            continue;
        if (!canOpenForReading(path.c_str()))
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
    return toItemList(paths, items);
}

int getFavorites(ItemList *items)
{
    return getRetroArchPlayListItems(FAVORITES_PLAYLIST, items, 1, 1);
}

int getHistory(ItemList *items)
{
    *items = nullptr;
    bool internalFirst = false;
    {
        std::vector<std::string> flag;
        if (readWholeLines(HISTORY_FLAG_FILE, flag) == 0 && !flag.empty())
            internalFirst = flag[0].find("/mnt/mmc/") != std::string::npos;
    }
    const char *order[2] = {SDCARD_HISTORY_PLAYLIST, MMC_HISTORY_PLAYLIST};
    if (internalFirst)
        std::swap(order[0], order[1]);

    std::vector<std::string> all;
    for (const char *playlist : order) {
        ItemList part = nullptr;
        const int n = getRetroArchPlayListItems(playlist, &part, 0, 1);
        for (int i = 0; i < n; i++) {
            const char *core = getPreferredCore(part[i]);
            if (core && strstr(core, "ffmpeg"))
                continue;
            all.emplace_back(part[i]);
        }
        destroyItems(n, &part);
    }
    return toItemList(all, items);
}

int isFavorited(const char *itemPath)
{
    if (!itemPath || !*itemPath)
        return 0;
    std::vector<std::string> lines;
    if (readWholeLines(FAVORITES_PLAYLIST, lines) < 0)
        return 0;
    for (const std::string &line : lines) {
        std::string path;
        if (playlistLinePath(line, path) && path == itemPath)
            return 1;
    }
    return 0;
}

void addToFavorites(const char *itemPath)
{
    if (!itemPath || !*itemPath)
        return;
    std::vector<std::string> lines;
    if (readWholeLines(FAVORITES_PLAYLIST, lines) < 0 || allBlank(lines))
        lines.assign(std::begin(kTemplate), std::end(kTemplate));

    const int itemsLine = findItemsLine(lines);
    if (itemsLine < 0)
        return; // not a playlist laid out as expected: leave it untouched
    const std::string head = rtrim(lines[itemsLine]);
    std::vector<std::string> rest(lines.begin() + itemsLine + 1, lines.end());
    std::string itemsOpen;
    if (!head.empty() && head.back() == '[') {
        itemsOpen = head;
    } else {
        // An empty list written on one line ("items": []) is split so the
        // new entry goes between the brackets; any other shape is left alone.
        const size_t open = head.find('[');
        if (open == std::string::npos || head.find_first_not_of(" \t", open + 1) != head.find(']', open + 1))
            return;
        itemsOpen = head.substr(0, open + 1);
        const size_t indent = head.find_first_not_of(" \t");
        rest.insert(rest.begin(), head.substr(0, indent) + head.substr(head.find(']', open + 1)));
    }
    const bool hasEntries = !rest.empty() && opensEntry(rest[0]);

    std::string out;
    for (int i = 0; i < itemsLine; i++) {
        out += lines[i];
        out += '\n';
    }
    out += itemsOpen;
    out += '\n';
    out += "    {\n";
    out += "      \"path\": \"" + jsonEscape(itemPath) + "\"\n";
    out += hasEntries ? "    },\n" : "    }\n";
    out += joinLines(rest);
    write_file_atomic(FAVORITES_PLAYLIST, out);
}

int removeFromRetroArchPlaylist(const char *playlistPath, const char *itemPath)
{
    if (!playlistPath || !itemPath || !*itemPath)
        return 0;
    std::vector<std::string> lines;
    if (readWholeLines(playlistPath, lines) < 0)
        return 0;
    const int itemsLine = findItemsLine(lines);
    if (itemsLine < 0)
        return 0;
    int match = -1;
    for (size_t i = static_cast<size_t>(itemsLine) + 1; i < lines.size(); i++) {
        std::string path;
        if (playlistLinePath(lines[i], path) && path == itemPath) {
            match = static_cast<int>(i);
            break;
        }
    }
    if (match < 0)
        return 0;
    int first = match;
    while (first > itemsLine && !opensEntry(lines[first]))
        first--;
    int last = match;
    while (last < static_cast<int>(lines.size()) && !closesEntry(lines[last]))
        last++;
    if (first <= itemsLine || last >= static_cast<int>(lines.size()))
        return 0; // entry without its braces: leave the file as it is

    std::vector<std::string> kept(lines.begin(), lines.begin() + first);
    if (rtrim(lines[last]).back() != ',') {
        // The last entry goes: the one before it now ends the list.
        std::string &prev = kept.back();
        if (first - 1 > itemsLine && closesEntry(prev)) {
            const size_t comma = prev.find(',');
            if (comma != std::string::npos)
                prev.erase(comma);
        }
    }
    kept.insert(kept.end(), lines.begin() + last + 1, lines.end());
    write_file_atomic(playlistPath, joinLines(kept));
    return 0;
}

void removeFromFavorites(const char *itemPath)
{
    removeFromRetroArchPlaylist(FAVORITES_PLAYLIST, itemPath);
}

void removeFromRecent(const char *itemPath)
{
    if (!itemPath)
        return;
    if (strstr(itemPath, "/mnt/SDCARD/"))
        removeFromRetroArchPlaylist(SDCARD_HISTORY_PLAYLIST, itemPath);
    else
        removeFromRetroArchPlaylist(MMC_HISTORY_PLAYLIST, itemPath);
}
