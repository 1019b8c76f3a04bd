// RetroArch playlists as JSON: where the entries of "items" lie in the text,
// and edits that add or remove one entry while keeping every other byte.
//
// Playlists are JSON that RetroArch and other tools write in any layout, so
// entries are found by parsing the text, never by its lines. A text that is
// not valid JSON is never edited.

#include <cstring>
#include <string>
#include <vector>

#include "vantor/content_internal.h"

namespace {

// Nesting deeper than this is refused (no playlist comes near it).
constexpr int MAX_DEPTH = 512;

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A strict JSON reader over the whole text that records the top-level
// object's "items" array: its brackets and the span and "path" of each
// element. Strings may hold any byte from 0x20 up (file names need not be
// UTF-8); control characters must be escaped.
struct Parser {
    const std::string &s;
    size_t i = 0;
    PlaylistDoc &doc;

    Parser(const std::string &text, PlaylistDoc &d) : s(text), doc(d) {}

    bool at(char c) const { return i < s.size() && s[i] == c; }
    void skip_blanks()
    {
        while (i < s.size() && is_blank(s[i]))
            i++;
    }
    static bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

    // A string at i; its raw content (escapes as written) goes to *raw.
    bool string(std::string *raw)
    {
        if (!at('"'))
            return false;
        const size_t start = ++i;
        while (i < s.size()) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            if (c == '"') {
                if (raw)
                    raw->assign(s, start, i - start);
                i++;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (i + 1 >= s.size())
                    return false;
                const char e = s[i + 1];
                if (e == 'u') {
                    if (i + 5 >= s.size())
                        return false;
                    for (size_t k = i + 2; k < i + 6; k++)
                        if (!is_hex(s[k]))
                            return false;
                    i += 6;
                    continue;
                }
                if (!strchr("\"\\/bfnrt", e) || e == '\0')
                    return false;
                i += 2;
                continue;
            }
            i++;
        }
        return false;
    }

    bool digits()
    {
        const size_t start = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            i++;
        return i > start;
    }

    bool number()
    {
        if (at('-'))
            i++;
        if (at('0'))
            i++;
        else if (!digits())
            return false;
        if (at('.')) {
            i++;
            if (!digits())
                return false;
        }
        if (at('e') || at('E')) {
            i++;
            if (at('+') || at('-'))
                i++;
            if (!digits())
                return false;
        }
        return true;
    }

    bool word(const char *w)
    {
        const size_t n = strlen(w);
        if (s.compare(i, n, w) != 0)
            return false;
        i += n;
        return true;
    }

    // Any value at i. `path`, when given, receives the unescaped "path" member
    // of an object value (and *has_path is set).
    bool value(int depth, std::string *path = nullptr, bool *has_path = nullptr, bool top_level = false)
    {
        if (depth > MAX_DEPTH)
            return false;
        skip_blanks();
        if (i >= s.size())
            return false;
        switch (s[i]) {
        case '{': return object(depth, path, has_path, top_level);
        case '[': return array(depth, false);
        case '"': return string(nullptr);
        case 't': return word("true");
        case 'f': return word("false");
        case 'n': return word("null");
        default: return number();
        }
    }

    bool object(int depth, std::string *path, bool *has_path, bool top_level)
    {
        i++; // '{'
        skip_blanks();
        if (at('}')) {
            i++;
            return true;
        }
        bool saw_path = false;
        bool saw_items = false;
        for (;;) {
            skip_blanks();
            std::string raw_key;
            if (!string(&raw_key))
                return false;
            skip_blanks();
            if (!at(':'))
                return false;
            i++;
            skip_blanks();
            const std::string key = raw_key.find('\\') == std::string::npos ? raw_key : json_unescape(raw_key);
            if (path && !saw_path && key == "path" && at('"')) {
                std::string raw;
                if (!string(&raw))
                    return false;
                *path = json_unescape(raw);
                *has_path = true;
                saw_path = true;
            } else if (top_level && !saw_items && key == "items") {
                saw_items = true;
                if (at('[')) {
                    if (!array(depth + 1, true))
                        return false;
                } else if (!value(depth + 1)) {
                    return false;
                }
            } else if (!value(depth + 1)) {
                return false;
            }
            skip_blanks();
            if (at(',')) {
                i++;
                continue;
            }
            if (at('}')) {
                i++;
                return true;
            }
            return false;
        }
    }

    bool array(int depth, bool items)
    {
        if (depth > MAX_DEPTH)
            return false;
        const size_t open = i;
        i++; // '['
        std::vector<PlaylistEntry> entries;
        skip_blanks();
        if (!at(']')) {
            for (;;) {
                skip_blanks();
                PlaylistEntry entry;
                entry.start = i;
                if (items) {
                    if (!value(depth + 1, &entry.path, &entry.has_path))
                        return false;
                } else if (!value(depth + 1)) {
                    return false;
                }
                entry.end = i;
                if (items)
                    entries.push_back(std::move(entry));
                skip_blanks();
                if (at(',')) {
                    i++;
                    continue;
                }
                if (at(']'))
                    break;
                return false;
            }
        }
        if (items) {
            doc.has_items = true;
            doc.open = open;
            doc.close = i;
            doc.entries = std::move(entries);
        }
        i++; // ']'
        return true;
    }

    bool document()
    {
        // A UTF-8 byte-order mark may lead the text.
        if (s.compare(0, 3, "\xEF\xBB\xBF") == 0)
            i = 3;
        skip_blanks();
        if (!value(0, nullptr, nullptr, at('{')))
            return false;
        skip_blanks();
        return i == s.size();
    }
};

// The start of the line holding position p.
size_t line_start(const std::string &s, size_t p)
{
    while (p > 0 && s[p - 1] != '\n')
        p--;
    return p;
}

bool only_blanks_before(const std::string &s, size_t p)
{
    for (size_t k = line_start(s, p); k < p; k++)
        if (s[k] != ' ' && s[k] != '\t')
            return false;
    return true;
}

// The position just past the line end that follows p when only spaces, tabs
// (and a CR) lie between; npos when something else comes first.
size_t past_line_end(const std::string &s, size_t p)
{
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t' || s[p] == '\r'))
        p++;
    return p < s.size() && s[p] == '\n' ? p + 1 : std::string::npos;
}

int count_path(const PlaylistDoc &doc, const char *path)
{
    int n = 0;
    for (const PlaylistEntry &e : doc.entries)
        if (e.has_path && e.path == path)
            n++;
    return n;
}

} // namespace

int parse_playlist(const std::string &text, PlaylistDoc &doc)
{
    doc = PlaylistDoc();
    Parser parser(text, doc);
    if (!parser.document()) {
        doc = PlaylistDoc();
        return -1;
    }
    return 0;
}

namespace {

// Parses a playlist for an edit by path: false when the path is empty or the
// text is not a playlist with an "items" array.
bool parse_for_edit(const std::string &text, const char *path, PlaylistDoc &doc)
{
    return path && *path && parse_playlist(text, doc) == 0 && doc.has_items;
}

} // namespace

int playlist_with_entry_added(const std::string &text, const char *path, std::string &out)
{
    PlaylistDoc doc;
    if (!parse_for_edit(text, path, doc))
        return -1;
    const std::string value = json_escape(path);
    const bool has_entries = !doc.entries.empty();
    const size_t open = doc.open;

    size_t after = open + 1;
    while (after < doc.close && (text[after] == ' ' || text[after] == '\t'))
        after++;
    std::string eol;
    if (text[after] == '\n')
        eol = "\n";
    else if (text[after] == '\r' && after + 1 < text.size() && text[after + 1] == '\n')
        eol = "\r\n";

    if (!eol.empty()) {
        // "[" ends its line: the entry goes on lines of its own right after it.
        const size_t at = after + eol.size();
        const std::string entry =
            "    {" + eol + "      \"path\": \"" + value + "\"" + eol + "    }" + (has_entries ? "," : "") + eol;
        out = text.substr(0, at) + entry + text.substr(at);
    } else if (!has_entries) {
        // An empty list on one line ("items": []) is opened: the entry on
        // lines of its own, the "]" on the next line at the indent of the "[".
        const size_t ls = line_start(text, open);
        size_t indent_end = ls;
        while (indent_end < open && (text[indent_end] == ' ' || text[indent_end] == '\t'))
            indent_end++;
        const std::string entry = "\n    {\n      \"path\": \"" + value + "\"\n    }\n";
        out = text.substr(0, open + 1) + entry + text.substr(ls, indent_end - ls) + text.substr(doc.close);
    } else {
        // The first entry does not start a line of its own after "[": a
        // compact entry goes right before it.
        const size_t first = doc.entries[0].start;
        out = text.substr(0, first) + "{\"path\": \"" + value + "\"}, " + text.substr(first);
    }

    PlaylistDoc check;
    if (parse_playlist(out, check) != 0 || !check.has_items || check.entries.size() != doc.entries.size() + 1 ||
        count_path(check, path) != count_path(doc, path) + 1)
        return -1;
    return 0;
}

int playlist_with_entry_removed(const std::string &text, const char *path, std::string &out)
{
    PlaylistDoc doc;
    if (!parse_for_edit(text, path, doc))
        return -1;
    size_t k = 0;
    while (k < doc.entries.size() && !(doc.entries[k].has_path && doc.entries[k].path == path))
        k++;
    if (k == doc.entries.size())
        return -1;
    const size_t n = doc.entries.size();
    const size_t s = doc.entries[k].start;
    const size_t e = doc.entries[k].end;
    const bool own_line = only_blanks_before(text, s);

    size_t from, to;
    if (k + 1 < n) {
        // A comma follows: the entry and that comma go, with their line when
        // they stand alone on it.
        const size_t comma = text.find(',', e);
        const size_t next = doc.entries[k + 1].start;
        const size_t end = past_line_end(text, comma + 1);
        if (own_line && end != std::string::npos && end <= next) {
            from = line_start(text, s);
            to = end;
        } else {
            // Within a line: the entry, its comma and the blanks after it.
            from = s;
            to = comma + 1;
            while (to < next && (text[to] == ' ' || text[to] == '\t'))
                to++;
        }
    } else if (k > 0) {
        // The last of several: the comma before it goes with it, so the entry
        // before becomes the last one.
        from = text.rfind(',', s);
        to = e;
    } else {
        // The only entry.
        const size_t end = past_line_end(text, e);
        if (own_line && end != std::string::npos) {
            from = line_start(text, s);
            to = end;
        } else {
            from = s;
            to = e;
        }
    }
    out = text.substr(0, from) + text.substr(to);

    PlaylistDoc check;
    if (parse_playlist(out, check) != 0 || !check.has_items || check.entries.size() + 1 != doc.entries.size() ||
        count_path(check, path) + 1 != count_path(doc, path))
        return -1;
    return 0;
}
