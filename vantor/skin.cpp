#include "vantor/skin.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "common/devroot.h"
#include "common/safefile.h"

namespace {

// What identifies one version of a file: a rewrite changes at least one field.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    time_t mtime = 0, ctime = 0;
    long mtime_ns = 0, ctime_ns = 0;
};

bool operator==(const FileStamp &a, const FileStamp &b)
{
    return a.exists == b.exists && a.dev == b.dev && a.ino == b.ino && a.size == b.size && a.mtime == b.mtime &&
           a.ctime == b.ctime && a.mtime_ns == b.mtime_ns && a.ctime_ns == b.ctime_ns;
}

FileStamp stamp_of(const char *path)
{
    FileStamp stamp;
    struct stat st;
    if (dev_stat(path, &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtime = st.st_mtim.tv_sec;
    stamp.mtime_ns = st.st_mtim.tv_nsec;
    stamp.ctime = st.st_ctim.tv_sec;
    stamp.ctime_ns = st.st_ctim.tv_nsec;
    return stamp;
}

// The lines of a skin or language file, read once and kept while the file
// stays the same. The lines are exactly those read_all_lines() gives, so every
// substring rule below sees what it saw when it read the file each time.
//
// A file changed within the last seconds may be changed again without its
// time stamp moving (the file system's clock is coarse); such a copy is used
// for one lookup only and the file is read again for the next.
struct CachedFile {
    std::string path;
    FileStamp stamp;
    bool trusted = false;
    std::vector<char> text;          // the file, each line ended by a NUL
    std::deque<std::string> pieces;  // pieces of overlong lines kept apart
    std::vector<const char *> lines; // into `text` and `pieces`
    int count = 0;
    // Language files: "key" -> index of the first line holding "\"key\":".
    // The keys point into the kept lines.
    bool indexed = false;
    std::unordered_map<std::string_view, int> key_lines;
};

// What this module keeps between lookups: the two files' lines and the texts
// its getters hand out (each overwritten by the next call of its getter).
struct SkinCache {
    CachedFile skin_file;
    CachedFile language_file; // its path is that of the last language looked up
    unsigned long file_reads = 0;
    char setting[PATH_BUFFER_SIZE] = "";
    char language[LABEL_BUFFER_SIZE] = "English";
};

SkinCache skin_cache;

// Every quoted key of a line followed by a colon: for each "\":" the text back
// to the nearest '"' before it. A key without '"' is in a line exactly when
// the line holds "\"key\":" (the quote before the key is the nearest one).
void index_keys(CachedFile &file)
{
    file.key_lines.clear();
    file.key_lines.reserve(static_cast<size_t>(file.count));
    for (int i = 0; i < file.count; i++) {
        const char *line = file.lines[i];
        const char *last_quote = nullptr;
        for (const char *p = line; *p; p++) {
            if (*p != '"')
                continue;
            if (p[1] == ':' && last_quote)
                file.key_lines.emplace(std::string_view(last_quote + 1, static_cast<size_t>(p - last_quote - 1)), i);
            last_quote = p;
        }
    }
    file.indexed = true;
}

// Reads a file into lines exactly as read_all_lines() does (a line longer than
// 12287 bytes arrives as several, a NUL ends the line's text, CR and LF at the
// end are dropped), but in one block: each line is ended in place where its
// line end was.
void read_lines(CachedFile &file, const char *path)
{
    file.key_lines.clear();
    file.text.clear();
    file.pieces.clear();
    file.lines.clear();
    file.count = 0;
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return;
    struct stat st;
    size_t size = fstat(fileno(f), &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    file.text.resize(size + 1);
    size_t got = fread(file.text.data(), 1, size, f);
    char chunk[65536];
    size_t n;
    while (got == size && (n = fread(chunk, 1, sizeof(chunk), f)) > 0) { // the file grew meanwhile
        file.text.insert(file.text.begin() + static_cast<std::ptrdiff_t>(size), chunk, chunk + n);
        size += n;
        got += n;
    }
    fclose(f);
    size = got;
    file.text.resize(size + 1);
    file.text[size] = '\0';

    constexpr size_t MAX_PIECE = 12288 - 1; // what one fgets() of read_all_lines takes
    char *data = file.text.data();
    size_t pos = 0;
    while (pos < size) {
        const size_t limit = std::min(size, pos + MAX_PIECE);
        const char *nl = static_cast<const char *>(memchr(data + pos, '\n', limit - pos));
        const size_t end = nl ? static_cast<size_t>(nl - data) + 1 : limit;
        size_t len = strnlen(data + pos, end - pos);
        while (len > 0 && (data[pos + len - 1] == '\n' || data[pos + len - 1] == '\r'))
            len--;
        if (len < end - pos || end == size) {
            data[pos + len] = '\0'; // over the line end, or the block's last byte
            file.lines.push_back(data + pos);
        } else {
            // A piece of an overlong line with nothing to drop after it: its
            // end is the next piece's first byte, so it is kept apart.
            file.pieces.emplace_back(data + pos, len);
            file.lines.push_back(nullptr);
        }
        pos = end;
    }
    // The pieces kept apart take their places (their storage no longer moves).
    size_t piece = 0;
    for (const char *&line : file.lines) {
        if (!line)
            line = file.pieces[piece++].c_str();
    }
    file.count = static_cast<int>(file.lines.size());
}

// The cached lines of `path`, read again only when the file has changed.
CachedFile &cached_lines(CachedFile &file, const char *path, bool index)
{
    const FileStamp stamp = stamp_of(path);
    if (file.trusted && file.path == path && file.stamp == stamp) {
        if (index && !file.indexed)
            index_keys(file);
        return file;
    }
    read_lines(file, path);
    skin_cache.file_reads++;
    file.path = path;
    file.stamp = stamp;
    // Trusted only when the file was not written within the last seconds (a
    // time far ahead of the clock counts as settled too: files copied onto
    // the card of a handheld whose clock was never set carry such times); a
    // missing file is trusted until it appears.
    const time_t now = time(nullptr);
    file.trusted = !stamp.exists || stamp.mtime < now - 2 || stamp.mtime > now + 2;
    file.indexed = false;
    if (index)
        index_keys(file);
    return file;
}

} // namespace

unsigned long skin_file_reads()
{
    return skin_cache.file_reads;
}

void copy_text(char *dst, size_t size, const char *src)
{
    if (!dst || size == 0)
        return;
    if (!src)
        src = "";
    size_t n = strlen(src);
    if (n >= size) {
        n = size - 1;
        // Do not leave half of a multi-byte character at the end.
        while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80)
            n--;
    }
    memcpy(dst, src, n);
    dst[n] = '\0';
}

int size_setting(const char *value, int lo, int hi, int def)
{
    if (!value)
        return def;
    errno = 0;
    const long n = strtol(value, nullptr, 10);
    if (errno == ERANGE || n < lo || n > hi)
        return def;
    return static_cast<int>(n);
}

SDL_Color get_color(const char *key)
{
    SDL_Color color = {0, 0, 0, 0};
    const CachedFile &lines = cached_lines(skin_cache.skin_file, SKIN_SETTINGS_FILE, false);
    for (int i = 0; i < lines.count; i++) {
        const char *line = lines.lines[i];
        if (!strstr(line, key) || line[0] == '\0')
            continue;
        std::string text(line);
        size_t quote = text.rfind('"');
        if (quote != std::string::npos)
            text.resize(quote);
        size_t hash = text.rfind('#');
        const char *value = hash == std::string::npos ? text.c_str() : text.c_str() + hash + 1;
        unsigned int r = 0, g = 0, b = 0;
        if (sscanf(value, "%02x%02x%02x", &r, &g, &b) == 3) {
            color.r = static_cast<Uint8>(r);
            color.g = static_cast<Uint8>(g);
            color.b = static_cast<Uint8>(b);
            break;
        }
    }
    return color;
}

int get_text_alignment(int *margin)
{
    int alignment = ALIGN_CENTER;
    bool alignment_seen = false;
    bool margin_seen = false;
    const CachedFile &lines = cached_lines(skin_cache.skin_file, SKIN_SETTINGS_FILE, false);
    for (int i = 0; i < lines.count && !(alignment_seen && margin_seen); i++) {
        const char *line = lines.lines[i];
        if (strstr(line, "\"text-alignment\"")) {
            if (strstr(line, "\"left\""))
                alignment = ALIGN_LEFT;
            if (strstr(line, "\"right\""))
                alignment = ALIGN_RIGHT;
            alignment_seen = true;
        }
        if (strstr(line, "\"text-margin\"")) {
            // The number after the line's last space; a line written without
            // that space ("text-margin":8) gives the number after the colon.
            const char *value = strrchr(line, ' ');
            if (value && !isdigit(static_cast<unsigned char>(value[1])) && value[1] != '-' && value[1] != '+')
                value = nullptr;
            if (!value)
                value = strchr(strstr(line, "\"text-margin\""), ':');
            if (value && margin)
                *margin = size_setting(value + 1, 0, MAX_TEXT_MARGIN, *margin);
            margin_seen = true;
        }
    }
    return alignment;
}

namespace {

int visibility(const char *quoted_key)
{
    const CachedFile &lines = cached_lines(skin_cache.skin_file, SKIN_SETTINGS_FILE, false);
    for (int i = 0; i < lines.count; i++) {
        if (strstr(lines.lines[i], quoted_key) && strstr(lines.lines[i], "false"))
            return 0;
    }
    return 1;
}

} // namespace

int get_main_menu_text_visibility()
{
    return visibility("\"main-menu-text-visibility\"");
}

int get_guide_button_text_visibility()
{
    return visibility("\"guide-button-text-visibility\"");
}

const char *get_skin_setting(const char *language, const char *key, const char *def)
{
    if (!key)
        return def;
    const std::string search = std::string("\"") + key + "\":";
    char path[PATH_BUFFER_SIZE];
    snprintf(path, sizeof(path), "lang/%s.json", language ? language : "");
    const CachedFile &file = cached_lines(skin_cache.language_file, path, true);
    int found = -1;
    if (!strchr(key, '"')) {
        auto it = file.key_lines.find(key);
        if (it != file.key_lines.end())
            found = it->second;
    } else {
        // A key holding a quote cannot be indexed: search the lines.
        for (int i = 0; i < file.count && found < 0; i++) {
            if (strstr(file.lines[i], search.c_str()))
                found = i;
        }
    }
    if (found < 0)
        return def;
    const char *line = file.lines[found];
    const char *start = strchr(line, ':') + 1; // the line holds the search text, so a ':'
    while (*start == ' ' || *start == '\t' || *start == '"')
        start++;
    size_t n = strlen(start);
    while (n > 0 && (start[n - 1] == ',' || start[n - 1] == '"' || start[n - 1] == ' ' || start[n - 1] == '\t'))
        n--;
    copy_text(skin_cache.setting, sizeof(skin_cache.setting), std::string(start, n).c_str());
    return skin_cache.setting;
}

const char *last_language_file_path()
{
    return skin_cache.language_file.path.c_str();
}

int get_available_languages(ItemList *languages)
{
    *languages = nullptr;
    DIR *dir = dev_opendir("lang");
    if (!dir)
        return 0;
    std::vector<std::string> names;
    struct dirent *entry;
    while ((entry = readdir(dir)) != nullptr) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat st;
        if (fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
            continue;
        std::string name(entry->d_name);
        size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot != 0)
            name.resize(dot);
        names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end(),
              [](const std::string &a, const std::string &b) { return strcmp(a.c_str(), b.c_str()) < 0; });
    if (names.empty())
        return 0;
    ItemList list = static_cast<ItemList>(calloc(names.size(), sizeof(char *)));
    if (!list)
        return 0;
    int count = 0;
    for (const std::string &name : names) {
        list[count] = strdup(name.c_str());
        if (!list[count])
            break;
        count++;
    }
    if (count == 0) {
        free(list);
        return 0;
    }
    *languages = list;
    return count;
}

const char *get_language_setting()
{
    copy_text(skin_cache.language, sizeof(skin_cache.language), "English");
    FILE *f = dev_fopen(LANGUAGE_FLAG_FILE, "r");
    if (!f)
        return skin_cache.language;
    char name[LABEL_BUFFER_SIZE];
    if (!fgets(name, sizeof(name), f)) {
        fclose(f);
        return skin_cache.language;
    }
    fclose(f);
    size_t n = strlen(name);
    while (n > 0 && (name[n - 1] == '\n' || name[n - 1] == '\r'))
        name[--n] = '\0';
    // A name is a file name inside lang/, never a path leading elsewhere.
    if (strchr(name, '/'))
        return skin_cache.language;
    char path[512];
    snprintf(path, sizeof(path), "/mnt/mmc/CFW/lang/%s.json", name);
    FILE *lang = dev_fopen(path, "r");
    if (!lang)
        return skin_cache.language;
    fclose(lang);
    copy_text(skin_cache.language, sizeof(skin_cache.language), name);
    return skin_cache.language;
}

int set_language_setting(const char *name)
{
    if (!name)
        return -1;
    return write_file_atomic(LANGUAGE_FLAG_FILE, name, strlen(name));
}

int get_12hour_flag()
{
    FILE *f = dev_fopen(CLOCK_12H_FLAG_FILE, "r");
    if (!f)
        return 0;
    fclose(f);
    return 1;
}

int set_12hour_flag(int on)
{
    if (on)
        return write_file_atomic(CLOCK_12H_FLAG_FILE, "", 0);
    if (dev_unlink(CLOCK_12H_FLAG_FILE) != 0 && dev_exists(CLOCK_12H_FLAG_FILE))
        return -1;
    return 0;
}
