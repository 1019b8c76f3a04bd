// RetroArch playlists: the JSON reader, adding and removing an entry, and the
// file-level list, favourite test and edits. An edit of a text that parses
// must succeed and leave valid JSON with exactly that entry more or less;
// adding then removing a new first entry gives the text back; a text that
// does not parse is never rewritten.

#include "fuzz_support.h"

#include <string>

#include "vantor/content.h"
#include "vantor/content_internal.h"

namespace {

const char FAV[] = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";
const char NEW[] = "/mnt/mmc/Roms/GBA/Fuzz \"new\" \\ é.gba";

int count_path(const PlaylistDoc &doc, const std::string &path)
{
    int n = 0;
    for (const PlaylistEntry &e : doc.entries)
        if (e.has_path && e.path == path)
            n++;
    return n;
}

// "[" of "items" followed (after blanks) by a line end.
bool opens_line(const std::string &text, const PlaylistDoc &doc)
{
    size_t i = doc.open + 1;
    while (i < doc.close && (text[i] == ' ' || text[i] == '\t'))
        i++;
    return text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::root();
    const std::string text(reinterpret_cast<const char *>(data), size);

    PlaylistDoc doc;
    const bool parsed = parse_playlist(text, doc) == 0;
    if (parsed && doc.has_items) {
        FUZZ_CHECK(doc.open < doc.close && doc.close < text.size());
        FUZZ_CHECK(text[doc.open] == '[' && text[doc.close] == ']');
        size_t last = doc.open;
        for (const PlaylistEntry &e : doc.entries) {
            FUZZ_CHECK(e.start > last && e.start < e.end && e.end <= doc.close);
            last = e.end;
        }
        std::string added;
        FUZZ_CHECK(playlist_with_entry_added(text, NEW, added) == 0);
        PlaylistDoc after;
        FUZZ_CHECK(parse_playlist(added, after) == 0 && after.has_items);
        FUZZ_CHECK(after.entries.size() == doc.entries.size() + 1);
        FUZZ_CHECK(after.entries[0].has_path && after.entries[0].path == NEW);
        std::string back;
        FUZZ_CHECK(playlist_with_entry_removed(added, NEW, back) == 0);
        if (!doc.entries.empty() || opens_line(text, doc))
            FUZZ_CHECK(back == text);
        // Removing each listed entry leaves valid JSON with one entry fewer.
        size_t tried = 0;
        for (const PlaylistEntry &e : doc.entries) {
            if (!e.has_path || e.path.empty() || e.path.find('\0') != std::string::npos || tried++ >= 4)
                continue;
            std::string out;
            FUZZ_CHECK(playlist_with_entry_removed(text, e.path.c_str(), out) == 0);
            PlaylistDoc rest;
            FUZZ_CHECK(parse_playlist(out, rest) == 0 && rest.entries.size() + 1 == doc.entries.size());
            FUZZ_CHECK(count_path(rest, e.path) + 1 == count_path(doc, e.path));
        }
    } else {
        std::string out;
        FUZZ_CHECK(playlist_with_entry_added(text, NEW, out) == -1);
        FUZZ_CHECK(playlist_with_entry_removed(text, NEW, out) == -1);
    }

    // The same bytes as the favourites file, through the menu's own calls.
    fuzz::write(FAV, text);
    ItemList items = nullptr;
    const int n = get_favorites(&items);
    destroy_items(n, &items);
    const int was_favourite = is_favorited(NEW);
    if (was_favourite)
        remove_from_favorites(NEW);
    else
        add_to_favorites(NEW);
    const std::string now = fuzz::read(FAV);
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        FUZZ_CHECK(is_favorited(NEW) == 1); // a blank file starts a new playlist
    } else if (!parsed || !doc.has_items) {
        FUZZ_CHECK(now == text);
    } else {
        PlaylistDoc edited;
        FUZZ_CHECK(parse_playlist(now, edited) == 0);
        FUZZ_CHECK(count_path(edited, NEW) == count_path(doc, NEW) + (was_favourite ? -1 : 1));
    }
    return 0;
}
