// The menu's text helpers over any bytes: the row name of a file path, the
// Consoles tile text, the Home title format, label copies cut at a character,
// the clock text, shell quoting of paths and JSON escaping of playlist paths.

#include "fuzz_support.h"

#include <cstring>
#include <string>

#include "vantor/content_internal.h"
#include "vantor/launch.h"
#include "vantor/render.h"
#include "vantor/skin.h"

namespace {

size_t utf8_chars(const std::string &s)
{
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            n++;
    return n;
}

// Undoes the shell quoting: '"'"' back to a single quote.
std::string unquote(const std::string &s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s.compare(i, 5, "'\"'\"'") == 0) {
            out += '\'';
            i += 4;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.substr(0, text.find('\0'));
    const char *s = text.c_str();

    const std::string name = rom_display_name(s);
    const char *slash = strrchr(s, '/');
    const std::string file = slash ? slash + 1 : s;
    FUZZ_CHECK(name.empty() == file.empty());
    FUZZ_CHECK(name.size() <= file.size());

    const std::string tile = system_tile_text(s);
    const bool leading_continuation = !text.empty() && (static_cast<unsigned char>(text[0]) & 0xC0) == 0x80;
    if (utf8_chars(text) <= 10 && !leading_continuation) {
        FUZZ_CHECK(tile == text);
    } else if (tile != text) {
        // Its first 7 characters and "...".
        FUZZ_CHECK(tile.size() >= 3 && tile.compare(tile.size() - 3, 3, "...") == 0);
        FUZZ_CHECK(text.compare(0, tile.size() - 3, tile, 0, tile.size() - 3) == 0);
        if (!leading_continuation)
            FUZZ_CHECK(utf8_chars(tile) == 10);
    }

    char title[256];
    format_title(title, sizeof title, s, "1.4.9");
    FUZZ_CHECK(strlen(title) < sizeof title);

    for (size_t n : {size_t(1), size_t(2), size_t(7), size_t(LABEL_BUFFER_SIZE)}) {
        char label[LABEL_BUFFER_SIZE];
        copy_text(label, n, s);
        const size_t len = strlen(label);
        FUZZ_CHECK(len < n && text.compare(0, len, label) == 0);
        // Cut before a continuation byte, never inside a character.
        FUZZ_CHECK(len == 0 || len == text.size() || (static_cast<unsigned char>(text[len]) & 0xC0) != 0x80);
    }

    struct tm t = {};
    t.tm_hour = static_cast<int>(size % 24);
    t.tm_min = static_cast<int>(size % 60);
    const std::string clock = clock_text(t, static_cast<int>(size & 1), s, s);
    FUZZ_CHECK(clock.size() < 300);

    if (const char *quoted = escape_single_quotes(s))
        FUZZ_CHECK(unquote(quoted) == text);
    else
        FUZZ_CHECK(text.size() > 4096 / 5);

    FUZZ_CHECK(json_unescape(json_escape(s)) == text);
    std::string path;
    if (playlist_line_path(text, path))
        FUZZ_CHECK(path.size() <= text.size());
    return 0;
}
