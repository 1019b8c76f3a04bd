#include "porta/library/gamelist.h"

#include "common/devroot.h"
#include "porta/base/attr.h"
#include "porta/base/text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

GameList tf_lists[SYSTEM_COUNT];
GameList mmc_lists[SYSTEM_COUNT];

GameList *game_list(int card_flag, int system)
{
    if (system < 0 || system >= SYSTEM_COUNT)
        return nullptr;
    return card_flag ? &tf_lists[system] : &mmc_lists[system];
}

GameList *game_list_by_number(int card_number, int system)
{
    return game_list(card_number == 1 ? CARD_FLAG_MMC : CARD_FLAG_TF, system);
}

int game_index_valid(const GameList *list, int index)
{
    return list && list->scanned && index >= 0 && index < list->count &&
           static_cast<size_t>(index) < list->entries.size();
}

const char *game_name(const GameList *list, int index)
{
    if (!game_index_valid(list, index))
        return nullptr;
    return list->names.data() + list->entries[static_cast<size_t>(index)].name_at;
}

int game_is_dir(const GameList *list, int index)
{
    if (!game_index_valid(list, index))
        return 0;
    return list->entries[static_cast<size_t>(index)].is_dir;
}

int file_extension(const char *name, char out[64])
{
    memset(out, 0, 64);
    if (!name)
        return 0;
    const char *dot = strrchr(name, '.');
    if (!dot || dot[1] == '\0')
        return 0;
    size_t n = 0;
    for (const char *p = dot + 1; *p && n < 63; p++, n++) {
        char c = *p;
        out[n] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return 1;
}

char *display_name(int system, const char *name, char *out, size_t outsz)
{
    if (!out || outsz == 0)
        return out;
    out[0] = '\0';
    if (!name)
        return out;
    size_t len = strlen(name);
    char ext[64];
    if (file_extension(name, ext) && system_accepts_extension(system, ext))
        len = static_cast<size_t>(strrchr(name, '.') - name);
    // A leading number followed by blanks is a list position, not part of
    // the title.
    size_t i = 0;
    while (i < len && name[i] >= '0' && name[i] <= '9')
        i++;
    size_t start = 0;
    if (i < len && (name[i] == ' ' || name[i] == '\t')) {
        while (i < len && (name[i] == ' ' || name[i] == '\t'))
            i++;
        if (i < len)
            start = i;
    }
    size_t n = len - start;
    if (n > outsz - 1)
        n = outsz - 1;
    memcpy(out, name + start, n);
    out[n] = '\0';
    return out;
}

namespace {

void release(GameList *list)
{
    std::vector<GameEntry>().swap(list->entries);
    std::vector<char>().swap(list->names);
    std::vector<SearchNode>().swap(list->nodes);
    list->count = 0;
    list->chain = nullptr;
    list->scanned = 0;
}

// Whether a directory entry is a folder; the type is taken from the listing
// when the file system gives it.
int entry_is_dir(const struct dirent *d, const char *host_folder)
{
    if (d->d_type == DT_DIR)
        return 1;
    if (d->d_type != DT_UNKNOWN && d->d_type != DT_LNK)
        return 0;
    std::string p = std::string(host_folder) + "/" + d->d_name;
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool keep_entry(const SystemRow &row, const char *name, int is_dir)
{
    if (is_dir) {
        return row.folder_games == 1 && strcmp(name, "System Volume Information") != 0 && name[0] != '.';
    }
    if (name[0] == '.')
        return false;
    char ext[64];
    return file_extension(name, ext) && strstr(row.extensions, ext) != nullptr;
}

void build_chain(GameList *list, int system, int card_flag)
{
    list->nodes.assign(list->entries.size(), SearchNode{});
    char shown[GAME_NAME_MAX + 1];
    SearchNode *prev = nullptr;
    for (size_t i = 0; i < list->entries.size(); i++) {
        SearchNode &node = list->nodes[i];
        display_name(system, list->names.data() + list->entries[i].name_at, shown, sizeof(shown));
        name_initials(shown, node.initials, sizeof(node.initials));
        node.system = system;
        node.index = static_cast<int32_t>(i);
        node.card = card_flag;
        node.next = nullptr;
        if (prev)
            prev->next = &node;
        else
            list->chain = &node;
        prev = &node;
    }
}

} // namespace

int scan_game_list(GameList *list, int system, int card_flag, const char *card_root)
{
    release(list);
    if (system < 0 || system >= SYSTEM_COUNT)
        return -1;
    const SystemRow &row = system_table[system];
    snprintf(list->path, sizeof(list->path), "%s%s", card_root, row.label);
    DIR *dir = dev_opendir(list->path);
    if (!dir)
        return -1;
    std::string host_folder = dev_path(list->path);
    while (struct dirent *d = readdir(dir)) {
        const char *name = d->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
            continue;
        size_t len = strnlen(name, GAME_NAME_MAX + 1);
        if (len > GAME_NAME_MAX)
            continue;
        int is_dir = entry_is_dir(d, host_folder.c_str());
        if (!keep_entry(row, name, is_dir))
            continue;
        GameEntry e;
        e.name_at = static_cast<uint32_t>(list->names.size());
        e.is_dir = static_cast<uint8_t>(is_dir);
        list->names.insert(list->names.end(), name, name + len + 1);
        list->entries.push_back(e);
    }
    closedir(dir);
    // Folders first, then by version order (Game 2 before Game 10).
    const char *base = list->names.data();
    std::sort(list->entries.begin(), list->entries.end(), [base](const GameEntry &a, const GameEntry &b) {
        if (a.is_dir != b.is_dir)
            return a.is_dir > b.is_dir;
        return strverscmp(base + a.name_at, base + b.name_at) < 0;
    });
    list->entries.shrink_to_fit();
    list->names.shrink_to_fit();
    list->count = static_cast<int32_t>(list->entries.size());
    list->scanned = 1;
    build_chain(list, system, card_flag);
    return list->count;
}

void scan_card_lists(int card_flag, int create_folders)
{
    const char *root = card_flag ? CARD_ROOT_TF : CARD_ROOT_MMC;
    char path[LIST_PATH_SIZE];
    if (create_folders) {
        snprintf(path, sizeof(path), "%sbios", root);
        mkdir_if_missing(path);
        for (const SystemRow &row : system_table) {
            snprintf(path, sizeof(path), "%s%s", root, row.label);
            mkdir_if_missing(path);
        }
    }
    for (int s = 0; s < SYSTEM_COUNT; s++)
        scan_game_list(game_list(card_flag, s), s, card_flag, root);
}

void free_card_lists(int card_flag)
{
    for (int s = 0; s < SYSTEM_COUNT; s++)
        release(game_list(card_flag, s));
}

SearchNode *list_node(SearchNode *head, int n)
{
    if (n < 0)
        return nullptr;
    SearchNode *p = head;
    while (p && n-- > 0)
        p = p->next;
    return p;
}
