#include "vantor/skin.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "common/devroot.h"
#include "common/safefile.h"

char languageFilePath[4097];

namespace {

char settingBuffer[4097];
char languageBuffer[labelBufferSize] = "English";

// The lines of a file, freed when the reader is done.
struct Lines {
    ItemList items = nullptr;
    int count = 0;
    explicit Lines(const char *path) { count = readAllLines(path, &items); }
    ~Lines() { destroyItems(count, &items); }
    Lines(const Lines &) = delete;
    Lines &operator=(const Lines &) = delete;
};

} // namespace

void copyText(char *dst, size_t size, const char *src)
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

SDL_Color getColor(const char *key)
{
    SDL_Color color = {0, 0, 0, 0};
    Lines lines(SKIN_SETTINGS_FILE);
    for (int i = 0; i < lines.count; i++) {
        const char *line = lines.items[i];
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

int getTextAlignment(int *margin)
{
    int alignment = alignCenter;
    bool alignmentSeen = false;
    bool marginSeen = false;
    Lines lines(SKIN_SETTINGS_FILE);
    for (int i = 0; i < lines.count && !(alignmentSeen && marginSeen); i++) {
        const char *line = lines.items[i];
        if (strstr(line, "\"text-alignment\"")) {
            if (strstr(line, "\"left\""))
                alignment = alignLeft;
            if (strstr(line, "\"right\""))
                alignment = alignRight;
            alignmentSeen = true;
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
                *margin = atoi(value + 1);
            marginSeen = true;
        }
    }
    return alignment;
}

static int visibility(const char *quotedKey)
{
    Lines lines(SKIN_SETTINGS_FILE);
    for (int i = 0; i < lines.count; i++) {
        if (strstr(lines.items[i], quotedKey) && strstr(lines.items[i], "false"))
            return 0;
    }
    return 1;
}

int getMainMenuTextVisibility()
{
    return visibility("\"main-menu-text-visibility\"");
}

int getGuideButtonTextVisibility()
{
    return visibility("\"guide-button-text-visibility\"");
}

const char *getSkinSetting(const char *language, const char *key, const char *def)
{
    std::string search = std::string("\"") + key + "\":";
    snprintf(languageFilePath, sizeof(languageFilePath), "lang/%s.json", language ? language : "");
    Lines lines(languageFilePath);
    for (int i = 0; i < lines.count; i++) {
        char *line = lines.items[i];
        if (!strstr(line, search.c_str()))
            continue;
        char *start = strchr(line, ':') + 1; // the search text holds a ':'
        while (*start == ' ' || *start == '\t' || *start == '"')
            start++;
        size_t n = strlen(start);
        while (n > 0 && (start[n - 1] == ',' || start[n - 1] == '"' || start[n - 1] == ' ' ||
                         start[n - 1] == '\t'))
            n--;
        start[n] = '\0';
        copyText(settingBuffer, sizeof(settingBuffer), start);
        return settingBuffer;
    }
    return def;
}

int getAvailableLanguages(ItemList *languages)
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

const char *getLanguageSetting()
{
    copyText(languageBuffer, sizeof(languageBuffer), "English");
    FILE *f = dev_fopen(LANGUAGE_FLAG_FILE, "r");
    if (!f)
        return languageBuffer;
    char name[labelBufferSize];
    if (!fgets(name, sizeof(name), f)) {
        fclose(f);
        return languageBuffer;
    }
    fclose(f);
    size_t n = strlen(name);
    while (n > 0 && (name[n - 1] == '\n' || name[n - 1] == '\r'))
        name[--n] = '\0';
    // A name is a file name inside lang/, never a path leading elsewhere.
    if (strchr(name, '/'))
        return languageBuffer;
    char path[512];
    snprintf(path, sizeof(path), "/mnt/mmc/CFW/lang/%s.json", name);
    FILE *lang = dev_fopen(path, "r");
    if (!lang)
        return languageBuffer;
    fclose(lang);
    copyText(languageBuffer, sizeof(languageBuffer), name);
    return languageBuffer;
}

int setLanguageSetting(const char *name)
{
    if (!name)
        return -1;
    return write_file_atomic(LANGUAGE_FLAG_FILE, name, strlen(name));
}

int get12hourflag()
{
    FILE *f = dev_fopen(CLOCK_12H_FLAG_FILE, "r");
    if (!f)
        return 0;
    fclose(f);
    return 1;
}

int set12hourflag(int on)
{
    if (on)
        return write_file_atomic(CLOCK_12H_FLAG_FILE, "", 0);
    if (dev_unlink(CLOCK_12H_FLAG_FILE) != 0 && dev_exists(CLOCK_12H_FLAG_FILE))
        return -1;
    return 0;
}
