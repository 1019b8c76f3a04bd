#include "vantor/content.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "common/devroot.h"
#include "vantor/content_internal.h"

PreferredCore preferred_core;

// ---------------------------------------------------------------------------
// Line lists

int append_item(ItemList *items, int *count, int *capacity, const char *s)
{
    char *copy = strdup(s);
    if (!copy)
        return -1;
    if (*count >= *capacity) {
        int grow = *capacity < 16 ? 16 : *capacity * 2;
        char **grown = static_cast<char **>(realloc(*items, sizeof(char *) * static_cast<size_t>(grow)));
        if (!grown) {
            free(copy);
            return -1;
        }
        *items = grown;
        *capacity = grow;
    }
    (*items)[*count] = copy;
    (*count)++;
    return 0;
}

int to_item_list(const std::vector<std::string> &from, ItemList *items)
{
    *items = nullptr;
    int count = 0;
    int capacity = 0;
    for (const std::string &s : from) {
        if (append_item(items, &count, &capacity, s.c_str()) < 0)
            break;
    }
    return count;
}

namespace {

void strip_line_end(char *line)
{
    size_t n = strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
        line[--n] = '\0';
}

} // namespace

int read_all_lines(const char *path, ItemList *lines)
{
    *lines = nullptr;
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return 0;
    int count = 0;
    int capacity = 0;
    char buf[12288];
    while (fgets(buf, sizeof(buf), f)) {
        strip_line_end(buf);
        if (append_item(lines, &count, &capacity, buf) < 0)
            break;
    }
    fclose(f);
    return count;
}

void destroy_items(int count, ItemList *items)
{
    if (!items || !*items || count <= 0)
        return;
    for (int i = 0; i < count; i++)
        free((*items)[i]);
    free(*items);
    *items = nullptr;
}

int read_whole_lines(const char *path, std::vector<std::string> &lines)
{
    lines.clear();
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return -1;
    char *buf = nullptr;
    size_t cap = 0;
    ssize_t n;
    while ((n = getline(&buf, &cap, f)) >= 0) {
        while (n > 0 && (buf[n - 1] == '\n' || buf[n - 1] == '\r'))
            n--;
        lines.emplace_back(buf, static_cast<size_t>(n));
    }
    free(buf);
    fclose(f);
    return 0;
}

// ---------------------------------------------------------------------------
// Core mapping

int mapping_names_folder(const std::vector<std::string> &mapping, const char *name)
{
    const std::string quoted = std::string("\"") + name + "\"";
    for (const std::string &line : mapping) {
        if (line.find(quoted) != std::string::npos)
            return 1;
    }
    return 0;
}

int is_rom_folder(const char *name)
{
    if (!name)
        return 0;
    std::vector<std::string> mapping;
    if (read_whole_lines(CORE_MAPPING_FILE, mapping) < 0)
        return 0;
    return mapping_names_folder(mapping, name);
}

namespace {

// The system folder name of an item: the folder two '/' back from the end
// (three for ScummVM games, which may sit in a game subfolder), without a
// leading "Roms/". A path with fewer separators is taken from its start; a
// path naming no folder gives "".
std::string system_folder_of(const char *path, int slashes)
{
    const char *start = path;
    int seen = 0;
    for (const char *p = path + strlen(path); p > path;) {
        --p;
        if (*p == '/' && ++seen == slashes) {
            start = p + 1;
            break;
        }
    }
    if (seen < slashes && *start == '/')
        start++;
    if (strncmp(start, "Roms/", 5) == 0)
        start += 5;
    // The system is a folder: a name with nothing after it is the file itself.
    const char *end = strchr(start, '/');
    return end ? std::string(start, static_cast<size_t>(end - start)) : std::string();
}

// The mapping value of a line: the text between its last two double quotes.
bool mapping_value(const std::string &line, std::string &value)
{
    size_t close = line.rfind('"');
    if (close == std::string::npos || close == 0)
        return false;
    size_t open = line.rfind('"', close - 1);
    if (open == std::string::npos)
        return false;
    value = line.substr(open + 1, close - open - 1);
    return true;
}

const char *core_for_folder(const std::vector<std::string> &mapping, const std::string &folder)
{
    if (folder.empty())
        return nullptr;
    const std::string quoted = "\"" + folder + "\"";
    for (const std::string &line : mapping) {
        if (line.empty() || line.find(quoted) == std::string::npos)
            continue;
        std::string value;
        if (!mapping_value(line, value))
            continue;
        snprintf(preferred_core.path, sizeof(preferred_core.path), "%s%s", CORES_FOLDER, value.c_str());
        return preferred_core.path;
    }
    return nullptr;
}

bool ends_with(const char *s, const char *suffix)
{
    size_t n = strlen(s), m = strlen(suffix);
    return n >= m && strcmp(s + n - m, suffix) == 0;
}

} // namespace

char *get_preferred_core(const char *item_path)
{
    preferred_core.folder[0] = '\0';
    if (!item_path || !*item_path)
        return nullptr;
    std::vector<std::string> mapping;
    const bool have_mapping = read_whole_lines(CORE_MAPPING_FILE, mapping) == 0;

    const bool scummvm = ends_with(item_path, ".scummvm");
    std::string folder = system_folder_of(item_path, scummvm ? 3 : 2);
    snprintf(preferred_core.folder, sizeof(preferred_core.folder), "%s", folder.c_str());
    if (!have_mapping)
        return nullptr;
    const char *core = core_for_folder(mapping, folder);
    if (!core && scummvm) {
        // A ScummVM game lying directly in a system folder at the card root
        // (/mnt/mmc/SCUMMVM/game.scummvm) has its system one level up.
        folder = system_folder_of(item_path, 2);
        core = core_for_folder(mapping, folder);
        if (core)
            snprintf(preferred_core.folder, sizeof(preferred_core.folder), "%s", folder.c_str());
    }
    return const_cast<char *>(core);
}

// ---------------------------------------------------------------------------
// Folders and files

namespace {

bool listed_name(const char *name)
{
    return name[0] != '.' && name[0] != '~' && !strstr(name, "_cache");
}

} // namespace

int is_readable_file(const char *path)
{
    // A regular file only: a folder opens for reading too, and opening a
    // FIFO would block.
    struct stat st;
    if (!path || !*path || dev_stat_follow(path, &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    FILE *f = dev_fopen(path, "r");
    if (!f) {
        // A symlink whose absolute target lies inside the device root.
        char real[PATH_BUFFER_SIZE];
        if (!device_root_active() || !dev_realpath(path, real, sizeof(real)))
            return 0;
        f = dev_fopen(real, "r");
        if (!f)
            return 0;
    }
    fclose(f);
    return 1;
}

namespace {

// Opens a folder, following a symlinked folder through the device root.
DIR *open_folder(const char *folder)
{
    DIR *d = dev_opendir(folder);
    if (d)
        return d;
    char real[PATH_BUFFER_SIZE];
    if (!dev_realpath(folder, real, sizeof(real)))
        return nullptr;
    return dev_opendir(real);
}

// Calls visit(entry) for every file of the folder that the lists show (no
// hidden, "~", "_cache" entries or sub-folders) until it returns false.
// Returns 0, or -1 when the folder cannot be opened.
template <typename Visit> int visit_listed_files(const char *folder, Visit visit)
{
    DIR *d = folder ? open_folder(folder) : nullptr;
    if (!d)
        return -1;
    const std::string base(folder);
    while (struct dirent *e = readdir(d)) {
        if (listed_name(e->d_name) && !dev_entry_is_folder(base, e) && !visit(e))
            break;
    }
    closedir(d);
    return 0;
}

} // namespace

int has_files(const char *folder)
{
    int found = 0;
    visit_listed_files(folder, [&found](const struct dirent *) {
        found = 1;
        return false;
    });
    return found;
}

int get_files(const char *folder, ItemList *items)
{
    *items = nullptr;
    if (!folder)
        return 0;
    const std::string base(folder);
    // realpath of "<folder>/<name>" is realpath(folder) + "/" + name unless the
    // entry itself is a symlink, so the folder is resolved only once.
    char real_buf[PATH_BUFFER_SIZE];
    const bool have_real = dev_realpath(folder, real_buf, sizeof(real_buf)) != nullptr;
    const std::string real_folder = have_real && strcmp(real_buf, "/") != 0 ? std::string(real_buf) : std::string();

    std::vector<std::string> files;
    const int opened = visit_listed_files(folder, [&](const struct dirent *e) {
        const std::string full = base + "/" + e->d_name;
        bool is_link = e->d_type == DT_LNK;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            is_link = dev_lstat(full.c_str(), &st) != 0 || S_ISLNK(st.st_mode);
        }
        if (have_real && !is_link) {
            files.push_back(real_folder + "/" + e->d_name);
        } else if (dev_realpath(full.c_str(), real_buf, sizeof(real_buf))) {
            files.emplace_back(real_buf);
        }
        return true;
    });
    if (opened != 0)
        return 0;
    std::sort(files.begin(), files.end(),
              [](const std::string &a, const std::string &b) { return strcmp(a.c_str(), b.c_str()) < 0; });
    return to_item_list(files, items);
}

int get_folders(ItemList *items)
{
    *items = nullptr;
    const char *const places[] = {"../Roms", "../../SDCARD/Roms", "..", "../../SDCARD"};
    std::vector<std::string> mapping;
    const bool have_mapping = read_whole_lines(CORE_MAPPING_FILE, mapping) == 0;
    std::vector<std::string> folders;
    if (have_mapping) {
        for (const char *place : places) {
            DIR *d = open_folder(place);
            if (!d)
                continue;
            const std::string base(place);
            while (struct dirent *e = readdir(d)) {
                const char *name = e->d_name;
                if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || strcmp(name, "CFW") == 0)
                    continue;
                if (!dev_entry_is_folder(base, e) || !mapping_names_folder(mapping, name))
                    continue;
                const std::string full = base + "/" + name;
                if (!has_files(full.c_str()))
                    continue;
                char real[PATH_BUFFER_SIZE];
                if (dev_realpath(full.c_str(), real, sizeof(real)))
                    folders.emplace_back(real);
            }
            closedir(d);
        }
    }
    std::sort(folders.begin(), folders.end(),
              [](const std::string &a, const std::string &b) { return strcmp(a.c_str(), b.c_str()) < 0; });
    return to_item_list(folders, items);
}

// ---------------------------------------------------------------------------
// Background pictures

int find_auto_state_screenshot(const char *item_path, char *out)
{
    out[0] = '\0';
    if (!item_path)
        return 0;
    const char *states = strstr(item_path, "/mnt/SDCARD/") ? "/mnt/SDCARD/Saves/CurrentProfile/states"
                                                           : "/mnt/mmc/Saves/CurrentProfile/states";
    const char *slash = strrchr(item_path, '/');
    const char *name = slash ? slash + 1 : item_path;
    const char *dot = strrchr(name, '.');
    if (!dot || dot == name)
        return 0;
    const std::string base_name(name, static_cast<size_t>(dot - name));

    DIR *d = open_folder(states);
    if (!d)
        return 0;
    const std::string states_dir(states);
    bool found = false;
    struct timespec newest = {0, 0};
    std::string best;
    while (struct dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        if (!dev_entry_is_folder(states_dir, e))
            continue;
        const std::string candidate = states_dir + "/" + e->d_name + "/" + base_name + ".state.auto.png";
        struct stat st;
        if (dev_stat_follow(candidate.c_str(), &st) != 0)
            continue;
        if (!found || st.st_mtim.tv_sec > newest.tv_sec ||
            (st.st_mtim.tv_sec == newest.tv_sec && st.st_mtim.tv_nsec > newest.tv_nsec)) {
            found = true;
            newest = st.st_mtim;
            best = candidate;
        }
    }
    closedir(d);
    if (!found || best.size() >= PATH_BUFFER_SIZE)
        return 0;
    memcpy(out, best.c_str(), best.size() + 1);
    return 1;
}

int get_artwork_path(const char *item_path, char *out)
{
    out[0] = '\0';
    if (!item_path)
        return 0;
    const char *slash = strrchr(item_path, '/');
    const char *file = slash ? slash + 1 : item_path;
    if (!*file)
        return 0;
    std::string system;
    if (slash) {
        const char *p = slash;
        while (p > item_path && p[-1] != '/')
            --p;
        system.assign(p, static_cast<size_t>(slash - p));
    }
    const char *dot = strrchr(file, '.');
    const std::string stem = dot ? std::string(file, static_cast<size_t>(dot - file)) : std::string(file);

    std::vector<std::string> candidates;
    if (!system.empty())
        candidates.push_back("/mnt/mmc/CFW/skin/games/" + system + "/" + file + ".png");
    candidates.push_back(std::string("/mnt/mmc/CFW/skin/games/") + file + ".png");
    if (!system.empty())
        candidates.push_back("/mnt/mmc/Roms/" + system + "/Imgs/" + stem + ".png");
    for (const std::string &c : candidates) {
        if (c.size() < PATH_BUFFER_SIZE && is_readable_file(c.c_str())) {
            memcpy(out, c.c_str(), c.size() + 1);
            return 1;
        }
    }
    if (system.empty())
        return 0;
    // The removable card's picture is not checked: loading it tells.
    const std::string last = "/mnt/SDCARD/Roms/" + system + "/Imgs/" + stem + ".png";
    if (last.size() >= PATH_BUFFER_SIZE)
        return 0;
    memcpy(out, last.c_str(), last.size() + 1);
    return 1;
}

int get_background_override_path(const char *item_path, int in_recent, char *out)
{
    if (in_recent && find_auto_state_screenshot(item_path, out))
        return 2;
    return get_artwork_path(item_path, out);
}
