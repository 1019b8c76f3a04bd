// A system folder of a card as the launcher scans it: each input line is an
// entry ("name" a file, "name/" a folder, "folder/name" a file inside a
// folder game). The scan keeps exactly the entries the system shows, folders
// first, then in version order (checked against strverscmp); every search
// record holds the key name_initials gives for the shown name; the preview,
// the first game file and the first picture of a folder game name files that
// are there; a search over the lists finds the games that match and no other.
// The first byte picks the system, the card and the search rule.

#include "fuzz_support.h"

#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "porta/base/attr.h"
#include "porta/base/text.h"
#include "porta/library/gamelist.h"
#include "porta/library/search.h"

namespace {

bool isDir(const std::string &devicePath)
{
    struct stat st;
    return stat(fuzz::host(devicePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string &devicePath)
{
    struct stat st;
    return stat(fuzz::host(devicePath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool playable(int system, const char *name)
{
    char ext[64];
    return file_extension(name, ext) && system_accepts_extension(system, ext);
}

bool picture(const char *name)
{
    return strstr(name, ".jpg") || strstr(name, ".png");
}

// Whether a file (not a folder) of the folder passes `wanted`.
template <class Wanted> bool anyFile(const std::string &folder, Wanted wanted)
{
    DIR *d = opendir(fuzz::host(folder).c_str());
    if (!d)
        return false;
    bool found = false;
    while (const struct dirent *e = readdir(d))
        if (!found && wanted(e->d_name) && isFile(folder + "/" + e->d_name))
            found = true;
    closedir(d);
    return found;
}

// Creates the entries of the input lines under `folder`.
void makeEntries(const std::string &folder, const std::vector<std::string> &lines)
{
    for (const std::string &line : lines) {
        const bool dir = !line.empty() && line.back() == '/';
        const std::string path = dir ? line.substr(0, line.size() - 1) : line;
        if (path.empty() || path.front() == '/' || path.find("//") != std::string::npos ||
            path.find("..") != std::string::npos || path == "." || path.rfind("./", 0) == 0 ||
            path.find("/./") != std::string::npos || path.size() >= 2 * GAME_NAME_MAX)
            continue;
        const size_t slash = path.rfind('/');
        if (slash != std::string::npos)
            mkdir(fuzz::host(folder + "/" + path.substr(0, slash)).c_str(), 0755);
        if (dir) {
            mkdir(fuzz::host(folder + "/" + path).c_str(), 0755);
        } else {
            FILE *f = fopen(fuzz::host(folder + "/" + path).c_str(), "wb");
            if (f)
                fclose(f);
        }
    }
}

void checkOrder(const GameList *list)
{
    for (int i = 0; i + 1 < list->count; i++) {
        const int a = game_is_dir(list, i), b = game_is_dir(list, i + 1);
        FUZZ_CHECK(a >= b);
        if (a == b)
            FUZZ_CHECK(strverscmp(game_name(list, i), game_name(list, i + 1)) < 0);
    }
}

void checkSearchRecords(const GameList *list, int system, Card card)
{
    for (int i = 0; i < list->count; i++) {
        const SearchNode *node = list_node(list->chain, i);
        FUZZ_CHECK(node && node->index == i && node->system == system && node->card == card);
        char shown[GAME_NAME_MAX + 1];
        display_name(system, game_name(list, i), shown, sizeof shown);
        char key[INITIALS_SIZE];
        memset(key, 0, sizeof key);
        name_initials(shown, key, sizeof key);
        FUZZ_CHECK(memcmp(key, node->initials, sizeof key) == 0);
    }
    FUZZ_CHECK(list_node(list->chain, list->count) == nullptr);
}

void checkLookups(const GameList *list, int system, Card card)
{
    for (int i = 0; i < list->count && i < 16; i++) {
        const std::string path = std::string(list->path) + "/" + game_name(list, i);
        for (int lcd = 0; lcd < 2; lcd++) {
            char out[PREVIEW_PATH_SIZE];
            const int r = preview_path(system, card, i, lcd, out, sizeof out);
            FUZZ_CHECK(r == 0 || r == 1);
            if (r == 0) {
                FUZZ_CHECK(strcmp(out, lcd ? PREVIEW_DEFAULT_LCD : PREVIEW_DEFAULT_HDMI) == 0);
                continue;
            }
            const std::string found = out;
            FUZZ_CHECK(found.compare(0, strlen(list->path), list->path) == 0);
            FUZZ_CHECK(isFile(found));
            const std::string kind = found.substr(found.size() - 4);
            FUZZ_CHECK(kind == ".jpg" || kind == ".png" || kind == ".bmp");
        }
        if (!game_is_dir(list, i))
            continue;
        char rom[PREVIEW_PATH_SIZE];
        if (find_xdir_rom(system, path.c_str(), rom, sizeof rom) == 0) {
            const std::string found = rom;
            FUZZ_CHECK(found.compare(0, path.size() + 1, path + "/") == 0);
            FUZZ_CHECK(isFile(found) && playable(system, found.c_str() + path.size() + 1));
        } else {
            FUZZ_CHECK(!anyFile(path, [system](const char *n) { return playable(system, n); }));
        }
        char pic[GAME_NAME_MAX + 1];
        if (first_picture(path.c_str(), pic, sizeof pic) == 0)
            FUZZ_CHECK(picture(pic) && isFile(path + "/" + pic));
        else
            FUZZ_CHECK(!anyFile(path, picture));
    }
}

bool matches(const SearchNode *node, bool initials)
{
    const GameList *list = game_list(node->card, node->system);
    if (initials)
        return search_initials_match(node->initials, search_state.text, search_state.length);
    const char *name = game_name(list, node->index);
    return name && search_name_match(name, search_state.text, search_state.length);
}

void checkSearch(const std::string &text, bool initials)
{
    search_clear();
    global_attr.language = initials ? 0 : 2;
    const size_t n = text.size() < SEARCH_TEXT_MAX ? text.size() : SEARCH_TEXT_MAX;
    memcpy(search_state.text, text.data(), n);
    const int count = search_run();
    FUZZ_CHECK(count == search_result_count() && count >= 0 && count <= SEARCH_RESULTS_MAX);
    int expected = 0;
    for (Card card : {CARD_MMC, CARD_TF})
        for (int s = 0; s < SYSTEM_COUNT; s++)
            for (const SearchNode *node = game_list(card, s)->chain; node; node = node->next)
                if (search_state.length > 0 && matches(node, initials))
                    expected++;
    FUZZ_CHECK(count == (expected < SEARCH_RESULTS_MAX ? expected : SEARCH_RESULTS_MAX));
    for (int i = 0; i < count; i++) {
        const SearchResult *r = search_result(i);
        const GameList *list = game_list(r->card, r->system);
        const SearchNode *node = list ? list_node(list->chain, r->index) : nullptr;
        FUZZ_CHECK(node && matches(node, initials));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::root();
    const int system = data[0] % SYSTEM_COUNT;
    const Card card = card_from_flag((data[0] >> 5) & 1);
    const bool initials = (data[0] >> 6) & 1;
    const std::vector<std::string> lines = fuzz::lines(data + 1, size - 1);

    free_card_lists(CARD_MMC);
    free_card_lists(CARD_TF);
    const char *cardRoot = card == CARD_TF ? CARD_ROOT_TF : CARD_ROOT_MMC;
    const std::string folder = std::string(cardRoot) + system_table[system].label;
    fuzz::removeTree(folder);
    fuzz::mkdirs(folder);
    makeEntries(folder, lines);

    GameList *list = game_list(card, system);
    const int count = scan_game_list(list, system, card, cardRoot);
    FUZZ_CHECK(count == list->count && count >= 0 && list->scanned);
    int expected = 0;
    DIR *d = opendir(fuzz::host(folder).c_str());
    FUZZ_CHECK(d != nullptr);
    while (const struct dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const bool dir = isDir(folder + "/" + name);
        if (name[0] == '.')
            continue;
        if (dir ? system_table[system].folder_games && name != "System Volume Information"
                : playable(system, name.c_str()))
            expected++;
    }
    closedir(d);
    FUZZ_CHECK(count == expected);
    for (int i = 0; i < count; i++)
        FUZZ_CHECK(isDir(folder + "/" + game_name(list, i)) == (game_is_dir(list, i) != 0));
    checkOrder(list);
    checkSearchRecords(list, system, card);
    checkLookups(list, system, card);
    checkSearch(lines.empty() ? std::string() : lines[0], initials);
    return 0;
}
