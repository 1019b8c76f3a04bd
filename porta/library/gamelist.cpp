#include "porta/library/gamelist.h"

#include "common/devroot.h"
#include "porta/base/attr.h"
#include "porta/base/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <sys/mman.h>
#include <sys/stat.h>

GameList tf_lists[SYSTEM_COUNT];
GameList mmc_lists[SYSTEM_COUNT];

GameList *game_list(Card card, int system)
{
    if (system < 0 || system >= SYSTEM_COUNT)
        return nullptr;
    return card == CARD_TF ? &tf_lists[system] : &mmc_lists[system];
}

int game_index_valid(const GameList *list, int index)
{
    return list && list->scanned && list->entries && index >= 0 && index < list->count;
}

const char *game_name(const GameList *list, int index)
{
    if (!game_index_valid(list, index))
        return nullptr;
    return list->names + list->entries[index].name_at;
}

int game_is_dir(const GameList *list, int index)
{
    if (!game_index_valid(list, index))
        return 0;
    return list->entries[index].is_dir;
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

// Printed texts: the firmware's logs and the tests rely on their exact bytes.
// The numbers are the ones these messages have always carried (once source
// lines), kept as they are.
namespace {
constexpr const char *SCAN_NO_MEMORY_TEXT = "---- %s malloc fail (line %d) \n";
constexpr int SCAN_NO_MEMORY_LINE = 335;
} // namespace

namespace {

// Big blocks are mapped with their pages made at once: one call instead of
// a page fault for every 4 KB touched while the list is filled.
constexpr int BLOCK_MAP_MIN = (256 * 1024);

void *block_alloc(size_t size, int *mapped)
{
    *mapped = 0;
    if (size >= BLOCK_MAP_MIN) {
        void *p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (p != MAP_FAILED) {
            *mapped = 1;
            return p;
        }
    }
    return malloc(size ? size : 1);
}

void release(GameList *list)
{
    if (list->block) {
        if (list->block_mapped)
            munmap(list->block, list->block_size);
        else
            free(list->block);
    }
    list->block = nullptr;
    list->block_size = 0;
    list->block_mapped = 0;
    list->entries = nullptr;
    list->nodes = nullptr;
    list->names = nullptr;
    list->count = 0;
    list->chain = nullptr;
    list->scanned = 0;
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

// The search key of a shown name. Plain ASCII names convert to GBK as they
// are, so their key is worked out here without the converter: of the first
// 32 bytes, those up to 0x40 (digits, blank, most punctuation) stay and
// letters drop out, as name_initials does. Other names go through it.
void initials_of(const char *shown, char *out, size_t outsz)
{
    size_t len = 0;
    for (; shown[len]; len++) {
        if (static_cast<unsigned char>(shown[len]) >= 0x80) {
            name_initials(shown, out, outsz);
            return;
        }
    }
    const size_t n = len < outsz ? len : outsz;
    size_t o = 0;
    for (size_t i = 0; i < n; i++) {
        const unsigned char b = static_cast<unsigned char>(shown[i]);
        if (b <= 0x40)
            out[o++] = static_cast<char>(b);
    }
}

inline bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Version order (strverscmp) without walking the common start of the two
// names through its state machine. Outside a run of digits the first
// difference decides as a plain byte comparison unless both bytes are digits;
// otherwise the comparison starts over at the digit run holding the
// difference, where its state is the same as after the common text before
// (any other character resets it). The common start is skipped 8 bytes at a
// time: the names lie in a buffer with 8 zero bytes after the last one.
int version_compare(const char *a, const char *b, size_t equal_before = 0)
{
    size_t i = equal_before;
    for (;;) {
        uint64_t wa, wb;
        memcpy(&wa, a + i, 8);
        memcpy(&wb, b + i, 8);
        if (wa != wb)
            break;
        if ((wa - 0x0101010101010101ull) & ~wa & 0x8080808080808080ull)
            return 0; // the same name, terminator included
        i += 8;
    }
    while (a[i] == b[i] && a[i] != '\0')
        i++;
    if (a[i] == b[i])
        return 0;
    if ((i == 0 || !is_digit(a[i - 1])) && !(is_digit(a[i]) && is_digit(b[i])))
        return static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    size_t j = i;
    while (j > 0 && is_digit(a[j - 1]))
        j--;
    // Two whole numbers (no leading zero): the longer is the greater, else
    // the first different byte decides.
    if (a[j] != '0' && b[j] != '0') {
        size_t la = i, lb = i;
        while (is_digit(a[la]))
            la++;
        while (is_digit(b[lb]))
            lb++;
        if (la != lb)
            return la < lb ? -1 : 1;
        return static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    }
    return strverscmp(a + j, b + j);
}

// An entry while its folder is sorted.
struct FoundEntry {
    uint64_t sort_key; // the name's first 8 bytes, big-endian: most comparisons end here
    uint32_t name_at;  // in the gathered names
    uint8_t is_dir;
};

uint64_t sort_key_of(const char *name)
{
    uint64_t key = 0;
    for (int i = 0; i < 8 && name[i]; i++)
        key |= static_cast<uint64_t>(static_cast<unsigned char>(name[i])) << (56 - 8 * i);
    return key;
}

// The list order: folders first, then version order of the names. When the
// first difference lies in the first 8 bytes and decides as a plain byte
// comparison, the keys alone tell.
bool entry_before(const FoundEntry &a, const FoundEntry &b, const char *names)
{
    if (a.is_dir != b.is_dir)
        return a.is_dir > b.is_dir;
    size_t same = 8; // bytes known to be equal
    if (a.sort_key != b.sort_key) {
        const int i = __builtin_clzll(a.sort_key ^ b.sort_key) / 8;
        const char ca = static_cast<char>(a.sort_key >> (56 - 8 * i));
        const char cb = static_cast<char>(b.sort_key >> (56 - 8 * i));
        const bool after_digit = i > 0 && is_digit(static_cast<char>(a.sort_key >> (64 - 8 * i)));
        if (!after_digit && !(is_digit(ca) && is_digit(cb)))
            return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
        same = static_cast<size_t>(i);
    } else if ((a.sort_key & 0xFF) == 0) {
        return false; // the same name of fewer than 8 bytes
    }
    return version_compare(names + a.name_at, names + b.name_at, same) < 0;
}

void build_chain(GameList *list, int system, Card card)
{
    char shown[GAME_NAME_MAX + 1];
    for (int32_t i = 0; i < list->count; i++) {
        SearchNode &node = list->nodes[i];
        memset(&node, 0, sizeof(node));
        display_name(system, list->names + list->entries[i].name_at, shown, sizeof(shown));
        initials_of(shown, node.initials, sizeof(node.initials));
        node.system = static_cast<int16_t>(system);
        node.index = i;
        node.card = card;
        node.next = i + 1 < list->count ? &list->nodes[i + 1] : nullptr;
    }
    list->chain = list->count > 0 ? list->nodes : nullptr;
}

} // namespace

int scan_game_list(GameList *list, int system, Card card, const char *card_root)
{
    release(list);
    if (system < 0 || system >= SYSTEM_COUNT)
        return -1;
    const SystemRow &row = system_table[system];
    snprintf(list->path, sizeof(list->path), "%s%s", card_root, row.label);
    DIR *dir = dev_opendir(list->path);
    if (!dir)
        return -1;
    // The listing is gathered in buffers kept from one folder to the next;
    // the list then gets its entries, names and search records in arrays of
    // their exact size, names in list order.
    static std::vector<FoundEntry> found;
    static std::vector<char> found_names;
    found.clear();
    found_names.clear();
    std::string host_folder = dev_path(list->path);
    while (struct dirent *d = readdir(dir)) {
        const char *name = d->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
            continue;
        size_t len = strnlen(name, GAME_NAME_MAX + 1);
        if (len > GAME_NAME_MAX)
            continue;
        int is_dir = dev_entry_is_folder(host_folder, d) ? 1 : 0;
        if (!keep_entry(row, name, is_dir))
            continue;
        FoundEntry e;
        e.sort_key = sort_key_of(name);
        e.name_at = static_cast<uint32_t>(found_names.size());
        e.is_dir = static_cast<uint8_t>(is_dir);
        found_names.insert(found_names.end(), name, name + len + 1);
        found.push_back(e);
    }
    closedir(dir);
    found_names.insert(found_names.end(), 8, '\0');
    // Folders first, then by version order (Game 2 before Game 10).
    const char *base = found_names.data();
    std::sort(found.begin(), found.end(),
              [base](const FoundEntry &a, const FoundEntry &b) { return entry_before(a, b, base); });
    const size_t n = found.size();
    const size_t name_bytes = found_names.size() - 8;
    const size_t nodes_at =
        (n * sizeof(GameEntry) + alignof(SearchNode) - 1) / alignof(SearchNode) * alignof(SearchNode);
    const size_t names_at = nodes_at + n * sizeof(SearchNode);
    list->block_size = names_at + name_bytes;
    list->block = block_alloc(list->block_size, &list->block_mapped);
    if (!list->block) {
        printf(SCAN_NO_MEMORY_TEXT, "scan_game_list", SCAN_NO_MEMORY_LINE);
        list->block_size = 0;
        return -1;
    }
    unsigned char *block = static_cast<unsigned char *>(list->block);
    list->entries = reinterpret_cast<GameEntry *>(block);
    list->nodes = reinterpret_cast<SearchNode *>(block + nodes_at);
    list->names = reinterpret_cast<char *>(block + names_at);
    char *out = list->names;
    for (size_t i = 0; i < n; i++) {
        const char *name = base + found[i].name_at;
        const size_t len = strlen(name) + 1;
        memcpy(out, name, len);
        list->entries[i].is_dir = found[i].is_dir;
        list->entries[i].name_at = static_cast<uint32_t>(out - list->names);
        out += len;
    }
    list->count = static_cast<int32_t>(n);
    list->scanned = 1;
    build_chain(list, system, card);
    return list->count;
}

void scan_card_lists(Card card, int create_folders)
{
    const char *root = card == CARD_TF ? CARD_ROOT_TF : CARD_ROOT_MMC;
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
        scan_game_list(game_list(card, s), s, card, root);
}

void free_card_lists(Card card)
{
    for (int s = 0; s < SYSTEM_COUNT; s++)
        release(game_list(card, s));
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
