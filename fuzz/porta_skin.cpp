// The skin folder of a TF card: the wallpaper numbers (skin/wallpapers/hdmi
// and lcd) and the theme numbers (skin/theme/<N>/lcd) read from its entry
// names, and the check that falls back to the built-in set when the chosen
// card theme or wallpaper is incomplete. Each input line is an entry: its
// first byte says what it is ('h' a wallpaper in hdmi only, 'l' in lcd only,
// 'b' in both, 'd' a folder in hdmi, 't' a theme folder with lcd/, 'n' one
// without, 'f' a file among the themes, 'i' a theme's icon "<N>/<out>/<i>.png"),
// the rest its name. The first byte of the input picks the chosen numbers.

#include "fuzz_support.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "porta/base/attr.h"
#include "porta/ui/themes.h"

namespace {

const std::string kWallpapers = SKIN_WALLPAPER_ROOT;
const std::string kThemes = SKIN_THEME_ROOT;

void touch(const std::string &devicePath)
{
    FILE *f = fopen(fuzz::host(devicePath).c_str(), "wb");
    if (f)
        fclose(f);
}

bool isDir(const std::string &devicePath)
{
    struct stat st;
    return stat(fuzz::host(devicePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool numbered(const std::string &name)
{
    return !name.empty() && name[0] >= '0' && name[0] <= '9';
}

std::vector<std::string> names(const std::string &folder)
{
    std::vector<std::string> out;
    DIR *d = opendir(fuzz::host(folder).c_str());
    if (!d)
        return out;
    while (const struct dirent *e = readdir(d))
        out.emplace_back(e->d_name);
    closedir(d);
    return out;
}

// The numbers found must be distinct, ascending, at most 20, each from an
// entry that qualifies, and all of them when there are 20 or fewer.
void checkNumbers(const int *out, int count, const std::set<int> &candidates)
{
    FUZZ_CHECK(count >= 0 && count <= THEME_LIST_MAX);
    for (int i = 0; i < count; i++) {
        FUZZ_CHECK(candidates.count(out[i]) == 1);
        if (i > 0)
            FUZZ_CHECK(out[i - 1] < out[i]);
    }
    if (candidates.size() <= THEME_LIST_MAX)
        FUZZ_CHECK(static_cast<size_t>(count) == candidates.size());
    else
        FUZZ_CHECK(count == THEME_LIST_MAX);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::root();
    fuzz::mkdirs("/mnt/data/porta");
    fuzz::removeTree("/mnt/sdcard/skin");
    fuzz::mkdirs(kWallpapers + "/hdmi");
    fuzz::mkdirs(kWallpapers + "/lcd");
    fuzz::mkdirs(kThemes);
    for (const std::string &line : fuzz::lines(data + 1, size - 1)) {
        if (line.size() < 2)
            continue;
        const std::string name = line.substr(1);
        if (name == "." || name == ".." || name.find('/') != std::string::npos) {
            if (line[0] != 'i' || name.find("..") != std::string::npos || name[0] == '/')
                continue;
        }
        switch (line[0]) {
        case 'h': touch(kWallpapers + "/hdmi/" + name); break;
        case 'l': touch(kWallpapers + "/lcd/" + name); break;
        case 'b':
            touch(kWallpapers + "/hdmi/" + name);
            touch(kWallpapers + "/lcd/" + name);
            break;
        case 'd': mkdir(fuzz::host(kWallpapers + "/hdmi/" + name).c_str(), 0755); break;
        case 't':
            mkdir(fuzz::host(kThemes + "/" + name).c_str(), 0755);
            mkdir(fuzz::host(kThemes + "/" + name + "/lcd").c_str(), 0755);
            break;
        case 'n': mkdir(fuzz::host(kThemes + "/" + name).c_str(), 0755); break;
        case 'f': touch(kThemes + "/" + name); break;
        case 'i': {
            const size_t slash = name.rfind('/');
            if (slash != std::string::npos)
                fuzz::mkdirs(kThemes + "/" + name.substr(0, slash));
            touch(kThemes + "/" + name);
            break;
        }
        default: break;
        }
    }

    std::set<int> wallpapers;
    for (const std::string &n : names(kWallpapers + "/hdmi"))
        if (numbered(n) && n.find(".jpg") != std::string::npos && !isDir(kWallpapers + "/hdmi/" + n) &&
            fuzz::exists(kWallpapers + "/lcd/" + n))
            wallpapers.insert(atoi(n.c_str()));
    int out[THEME_LIST_MAX];
    checkNumbers(out, list_skin_numbers(kWallpapers.c_str(), out), wallpapers);

    std::set<int> themes;
    for (const std::string &n : names(kThemes))
        if (numbered(n) && fuzz::exists(kThemes + "/" + n + "/lcd"))
            themes.insert(atoi(n.c_str()));
    checkNumbers(out, get_theme_by_dir(kThemes.c_str(), out), themes);

    // The card set stays only while the chosen theme has its ten icons and
    // the chosen wallpaper both pictures.
    global_attr.sd_theme = themes.empty() ? data[0] % 4 : *themes.begin() + (data[0] & 1);
    global_attr.sd_wallpaper = wallpapers.empty() ? data[0] % 4 : *wallpapers.rbegin() - ((data[0] >> 1) & 1);
    const int theme = global_attr.sd_theme, wallpaper = global_attr.sd_wallpaper;
    bool complete = true;
    for (const char *o : {"lcd", "hdmi"}) {
        for (int i = 0; i < THEME_ICONS; i++)
            complete &=
                fuzz::exists(kThemes + "/" + std::to_string(theme) + "/" + o + "/" + std::to_string(i) + ".png");
        complete &= fuzz::exists(kWallpapers + "/" + o + "/" + std::to_string(wallpaper) + ".jpg");
    }
    customer_skin = 1;
    const int kept = validate_skin_choice();
    FUZZ_CHECK(kept == (complete ? 1 : 0) && customer_skin == kept);
    if (!complete)
        FUZZ_CHECK(global_attr.sd_theme == 0 || global_attr.sd_wallpaper == 0);
    else
        FUZZ_CHECK(global_attr.sd_theme == theme && global_attr.sd_wallpaper == wallpaper);
    customer_skin = 0;
    return 0;
}
