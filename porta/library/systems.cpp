#include "porta/library/systems.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "porta/device/hardware.h"
#include "porta/library/corelist.h"
#include "porta/library/gamelist.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include <dirent.h>
#include <sys/stat.h>

const SystemRow system_table[SYSTEM_COUNT] = {
    {0, 1, "ps.png", "PS1", "bin|mdf|iso|img|pbp", "./pcsx", nullptr, "pcsx_rearmed"},
    {1, 1, "cps.png", "VERTICAL", "zip", "./fbaverti.dge", nullptr, "fbaverti"},
    {2, 1, "cps.png", "CPS", "zip", "./fbasdl.dge", nullptr, "fbasdl"},
    {3, 1, "neogeo.png", "NEOGEO", "zip", "./fbasdl.dge", nullptr, "fbasdl"},
    {4, 1, "fbahack.png", "FBAHACK", "zip", "./fba4arm.dge", nullptr, "fba4arm"},
    {5, 1, "mame.png", "MAME", "zip", "./xmame.dge", nullptr, "xmame"},
    {6, 0, "gba.png", "GBA", "gba", "./gba_emu.dge", "./vbanext.dge", "gba"},
    {7, 0, "fc.png", "FC", "nes", "./fc_emu.dge", nullptr, "fc"},
    {8, 0, "sfc.png", "SFC", "sfc|smc", "./sfc_emu.dge", nullptr, "sfc"},
    {9, 0, "sms.png", "SMS", "sms", "./smsgg_emu.dge", nullptr, "sms"},
    {10, 0, "md.png", "MD", "bin|smd|md", "./md_emu.dge", nullptr, "md"},
    {11, 0, "gbc.png", "GBC", "gbc", "./gbcgb_emu.dge", nullptr, "gbc"},
    {12, 0, "gb.png", "GB", "gb", "./gbcgb_emu.dge", nullptr, "gbc"},
    {13, 0, "pce.png", "PCENGINE", "pce", "./pce.dge", nullptr, "temper"},
    {14, 0, "ngpc.png", "NGPC", "ngp|ngc", "./ngp.dge", nullptr, "ngpc"},
    {15, 0, "gg.png", "GG", "gg", "./smsgg_emu.dge", nullptr, "sms"},
    {16, 0, "wsc.png", "WonderSwan", "ws|wsc", "./swanemu.dge", nullptr, "wswan"},
};

LaunchState launch_state;

void launch_state_clear(void)
{
    memset(&launch_state, 0, sizeof(launch_state));
}

int system_accepts_extension(int system, const char *ext)
{
    if (system < 0 || system >= SYSTEM_COUNT || !ext || !*ext)
        return 0;
    return strstr(system_table[system].extensions, ext) != nullptr;
}

namespace {

// The text inside double quotes of a shell command: \ " $ and ` escaped.
std::string sh_quoted(const char *s)
{
    std::string out = "\"";
    for (const char *p = s; *p; p++) {
        if (*p == '\\' || *p == '"' || *p == '$' || *p == '`')
            out += '\\';
        out += *p;
    }
    out += '"';
    return out;
}

} // namespace

// The name of the first file (not folder) of `folder`, in directory order,
// that `wanted` accepts; "" when none does. -1 when the folder cannot be
// opened.
template <class Wanted> static int first_file(const char *folder, Wanted wanted, std::string *name)
{
    name->clear();
    DIR *dir = dev_opendir(folder);
    if (!dir)
        return -1;
    const std::string host_folder = dev_path(folder);
    while (struct dirent *d = readdir(dir)) {
        if (!dev_entry_is_folder(host_folder, d) && wanted(d->d_name)) {
            *name = d->d_name;
            break;
        }
    }
    closedir(dir);
    return 0;
}

int find_xdir_rom(int system, const char *folder, char *result, size_t size)
{
    if (!folder || !result || size == 0)
        return -1;
    result[0] = '\0';
    std::string name;
    const auto playable = [system](const char *n) {
        char ext[64];
        return file_extension(n, ext) && system_accepts_extension(system, ext);
    };
    if (first_file(folder, playable, &name) < 0) {
        printf("%s: opendir failure\n", "find_xdir_rom");
        return -1;
    }
    if (name.empty())
        return -1;
    int n = snprintf(result, size, "%s/%s", folder, name.c_str());
    if (n < 0 || static_cast<size_t>(n) >= size) {
        result[0] = '\0';
        return -1;
    }
    return 0;
}

int first_picture(const char *folder, char *result, size_t size)
{
    if (!folder || !result || size == 0)
        return -1;
    result[0] = '\0';
    std::string name;
    const auto picture = [](const char *n) { return strstr(n, ".jpg") || strstr(n, ".png"); };
    if (first_file(folder, picture, &name) < 0) {
        printf("opendir fails");
        return -1;
    }
    if (name.empty() || name.size() >= size)
        return -1;
    memcpy(result, name.c_str(), name.size() + 1);
    return 0;
}

int choose_emulator(int system, int index, Card card, const char *file)
{
    if (system < 0 || system >= SYSTEM_COUNT || !file)
        return 0;
    const char *slash = strrchr(file, '/');
    char ext[64];
    if (!file_extension(slash ? slash + 1 : file, ext))
        return 0;
    printf("--%s: str_format == %s\n", "set_game_dge", ext);
    const SystemRow &row = system_table[system];
    const char *emulator = row.emulator;
    if (system == SYSTEM_GBA && row.emulator2 && core_alternative(system, index, card) == 1)
        emulator = row.emulator2;
    snprintf(launch_state.emulator, sizeof(launch_state.emulator), "%s", emulator);
    snprintf(launch_state.workdir, sizeof(launch_state.workdir), "%s%s", GAME_BIN_DIR, row.workdir);
    return 0;
}

int run_command(const char *emulator, const char *game, const char *workdir)
{
    if (!workdir || !*workdir) {
        printf("---please set work dir ... ");
        return -1;
    }
    if (!emulator || !game)
        return -1;
    enum { PLAIN, CD, M68K } form = PLAIN;
    if (strstr(emulator, "fbasdl.dge")) {
        char copy[260];
        snprintf(copy, sizeof(copy), "%s", game);
        char *slash = strrchr(copy, '/');
        const char *file = slash ? slash + 1 : copy;
        printf("%s: %s \n", "run_command", file);
        std::string marker;
        if (slash)
            marker = std::string(copy, static_cast<size_t>(slash - copy)) + "/m68k.txt";
        else
            marker = std::string(game) + "/m68k.txt";
        if (strcasecmp(file, "goldnaxe.zip") == 0 || dev_exists(marker.c_str()))
            form = M68K;
    } else if (strstr(emulator, "pcsx")) {
        form = CD;
    }
    std::string text = "cd " + sh_quoted(workdir) + "\n";
    switch (form) {
    case PLAIN: text += sh_quoted(emulator) + "  " + sh_quoted(game) + "  "; break;
    case CD: text += sh_quoted(emulator) + " -cdfile " + sh_quoted(game) + "  "; break;
    case M68K: text += sh_quoted(emulator) + "  " + sh_quoted(game) + " m68k "; break;
    }
    text += "\n";
    if (write_file_atomic(NEXT_COMMAND_FILE, text) != 0) {
        printf("Failed to open %s", NEXT_COMMAND_FILE);
        printf("Unable to write next command");
        return -1;
    }
    set_cpu_mode(CPU_MODE_FULL);
    return 0;
}

int preview_path(int system, Card card, int index, int lcd, char *out, size_t outsz)
{
    if (!out || outsz == 0)
        return -1;
    const char *fallback = lcd ? PREVIEW_DEFAULT_LCD : PREVIEW_DEFAULT_HDMI;
    snprintf(out, outsz, "%s", fallback);
    const GameList *list = game_list(card, system);
    if (!list)
        return -1;
    const char *name = game_name(list, index);
    if (!name)
        return 0;
    char path[PREVIEW_PATH_SIZE];
    size_t plen = strlen(list->path);
    const char *sep = plen > 0 && list->path[plen - 1] == '/' ? "" : "/";
    int n = snprintf(path, sizeof(path), "%s%s%s", list->path, sep, name);
    if (n < 0 || static_cast<size_t>(n) >= sizeof(path))
        return 0;
    if (game_is_dir(list, index)) {
        char pic[GAME_NAME_MAX + 1];
        if (first_picture(path, pic, sizeof(pic)) == 0) {
            size_t used = strlen(path);
            n = snprintf(path + used, sizeof(path) - used, "/%s", pic);
            if (n < 0 || static_cast<size_t>(n) >= sizeof(path) - used)
                return 0;
        }
    }
    char *dot = strrchr(path, '.');
    if (!dot)
        return 0;
    static const char *const kinds[] = {"jpg", "png", "bmp"};
    for (const char *kind : kinds) {
        size_t head = static_cast<size_t>(dot - path) + 1;
        if (head + strlen(kind) + 1 > sizeof(path))
            return 0;
        strcpy(dot + 1, kind);
        // A folder named like a picture ("zelda.png/") is not a preview.
        if (dev_is_file(path)) {
            if (strlen(path) >= outsz)
                return 0;
            strcpy(out, path);
            return 1;
        }
    }
    return 0;
}
