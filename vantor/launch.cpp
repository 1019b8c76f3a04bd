#include "vantor/launch.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "vantor/content.h"
#include "vantor/hardware.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

// What this module prints. The firmware's logs and the tests rely on these
// bytes: change a text only together with them.
constexpr char EXECUTING_MESSAGE[] = "Executing %s\n";

// The results escape_single_quotes() and launch_content_path() hand out.
char escaped_single_quoted_string[PATH_BUFFER_SIZE];
char launch_content_path_buffer[PATH_BUFFER_SIZE];

const char *const RETROARCH = "/mnt/mmc/CFW/retroarch/retroarch";
const char *const COMMAND_SCRIPT = "/mnt/mmc/CFW/retroarch/command.sh";
const char *const GDB_SCRIPT = "/mnt/mmc/CFW/retroarch/gdbscript.txt";
const char *const VOLUME_CFG = "/mnt/mmc/CFW/retroarch/.retroarch/volume.cfg";
const char *const GDB_FLAG = "/misc/enableGDB";
const char *const GDB_COMMAND =
    "gdb /mnt/mmc/CFW/retroarch/retroarch < /mnt/mmc/CFW/retroarch/gdbscript.txt"
    " > /mnt/mmc/CFW/retroarch/.retroarch/logs/gdb.log 2>&1";

// The MenuState of the history list, whose paths are already the copies.
constexpr int RECENT_STATE = 4;

// The key texts whose lines are replaced in retroarch.cfg.
const char *const REWRITTEN_KEYS[] = {
    "system_directory =",     "savefile_directory =",   "savestate_directory =", "content_history_directory =",
    "content_history_path =", "screenshot_directory =", "savestate_auto_load =", "audio_volume =",
    "config_save_on_exit =",  "remap_save_on_exit =",
};

// Splits a text file into lines without their line ends (trailing CR and LF
// stripped), with no limit on the line length. Returns 0 when the file was
// read or does not exist (no lines), -1 when it exists but cannot be read.
int read_lines(const char *path, std::vector<std::string> &lines)
{
    lines.clear();
    std::string text;
    if (read_file(path, text) != 0)
        return dev_exists(path) ? -1 : 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return 0;
}

bool is_rewritten_key_line(const std::string &line)
{
    for (const char *key : REWRITTEN_KEYS) {
        if (line.find(key) != std::string::npos)
            return true;
    }
    return false;
}

const char *card_word(int card)
{
    return card == CARD_REMOVABLE ? "SDCARD" : "mmc";
}

bool on_removable_card(const char *path)
{
    return strstr(path, "/mnt/SDCARD/") != nullptr;
}

// The core path for use inside double quotes: \ " $ and ` are escaped with a
// backslash so that the shell (and gdb's run, which goes through the shell)
// sees exactly the path. Ordinary core names come out unchanged.
std::string escape_for_double_quotes(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"' || c == '$' || c == '`')
            out += '\\';
        out += c;
    }
    return out;
}

// The text with every ' replaced by '"'"', to stand inside single quotes.
std::string single_quote_escaped(const char *text)
{
    std::string out;
    for (const char *p = text; *p; ++p) {
        if (*p == '\'')
            out += "'\"'\"'";
        else
            out += *p;
    }
    return out;
}

// The LANG value as it stands when it is a plain locale name, else quoted so
// that a language file cannot put shell syntax into the launch script.
std::string lang_value(const char *iso_code)
{
    std::string code = iso_code ? iso_code : "";
    bool plain = !code.empty();
    for (char c : code) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                  c == '.' || c == '@';
        if (!ok)
            plain = false;
    }
    if (plain)
        return code;
    return "'" + single_quote_escaped(code.c_str()) + "'";
}

int write_script(const char *iso_code, const std::string &command)
{
    std::string script = "#!/bin/sh\nexport LANG=" + lang_value(iso_code) + "\n" + command + "\nexit $?\n";
    return write_file_atomic(COMMAND_SCRIPT, script, 0755) == 0 ? 0 : 1;
}

void make_save_directories(const char *item_path)
{
    const std::string base = std::string("/mnt/") + (on_removable_card(item_path) ? "SDCARD" : "mmc") + "/Saves";
    const std::string profile = base + "/CurrentProfile";
    const std::string dirs[] = {base, profile, profile + "/saves", profile + "/states", profile + "/lists"};
    for (const std::string &dir : dirs)
        dev_mkdir(dir.c_str(), 0700); // an existing folder is fine
}

} // namespace

int write_retroarch_config(int card, int auto_load, int save_on_exit)
{
    std::vector<std::string> config;
    std::vector<std::string> volume;
    // A configuration that exists but cannot be read is left alone rather
    // than replaced by the few keys written here.
    if (read_lines(RETROARCH_CONFIG_FILE, config) != 0)
        return -1;
    read_lines(VOLUME_CFG, volume); // a missing volume.cfg only means no audio_volume line

    std::string out;
    for (const std::string &line : config) {
        if (!is_rewritten_key_line(line))
            out += line + "\n";
    }
    const char *w = card_word(card);
    char buf[512];
    snprintf(buf, sizeof(buf), "system_directory = \"/mnt/%s/BIOS\"\n", w);
    out += buf;
    snprintf(buf, sizeof(buf), "savefile_directory = \"/mnt/%s/Saves/CurrentProfile/saves\"\n", w);
    out += buf;
    snprintf(buf, sizeof(buf), "savestate_directory = \"/mnt/%s/Saves/CurrentProfile/states\"\n", w);
    out += buf;
    snprintf(buf, sizeof(buf), "content_history_directory = \"/mnt/%s/Saves/CurrentProfile/lists\"\n", w);
    out += buf;
    snprintf(buf, sizeof(buf), "content_history_path = \"/mnt/%s/Saves/CurrentProfile/lists/content_history.lpl\"\n",
             w);
    out += buf;
    snprintf(buf, sizeof(buf), "screenshot_directory = \"/mnt/%s/Screenshots\"\n", w);
    out += buf;
    snprintf(buf, sizeof(buf), "savestate_auto_load = \"%s\"\n", auto_load ? "true" : "false");
    out += buf;
    snprintf(buf, sizeof(buf), "config_save_on_exit = \"%s\"\n", save_on_exit ? "true" : "false");
    out += buf;
    snprintf(buf, sizeof(buf), "remap_save_on_exit = \"%s\"\n", save_on_exit ? "true" : "false");
    out += buf;
    for (const std::string &line : volume) {
        if (!line.empty())
            out += line + "\n";
    }
    return write_file_atomic(RETROARCH_CONFIG_FILE, out) == 0 ? 0 : -1;
}

const char *escape_single_quotes(const char *text)
{
    if (!text)
        return nullptr;
    const std::string escaped = single_quote_escaped(text);
    if (escaped.size() >= sizeof(escaped_single_quoted_string))
        return nullptr;
    memcpy(escaped_single_quoted_string, escaped.c_str(), escaped.size() + 1);
    return escaped_single_quoted_string;
}

int copy_file(const char *source, const char *destination)
{
    if (!source || !destination)
        return -1;
    std::string data;
    if (read_file(source, data) != 0)
        return -1;
    return write_file_atomic(destination, data) == 0 ? 0 : -1;
}

const char *launch_content_path(const char *path, int state)
{
    if (!path)
        return nullptr;
    if (state == RECENT_STATE)
        return path;
    const char *dot = strrchr(path, '.');
    if (!dot || strcmp(dot, ".scummvm") != 0)
        return path;
    const char *slash = strrchr(path, '/');
    const char *name = slash ? slash + 1 : path;
    std::string target = std::string(path, static_cast<size_t>(dot - path)) + "/" + name;
    if (target.size() >= sizeof(launch_content_path_buffer))
        return path;
    // When the game folder named like the file is missing (or the file
    // already sits inside its game folder) the copy cannot be made; the file
    // itself is then handed over rather than a path that does not exist.
    if (copy_file(path, target.c_str()) != 0)
        return path;
    memcpy(launch_content_path_buffer, target.c_str(), target.size() + 1);
    return launch_content_path_buffer;
}

int is_gdb_enabled()
{
    return dev_exists(GDB_FLAG) ? 1 : 0;
}

int launch_item(const char *item_path, int state, int no_state_load, const char *iso_code)
{
    if (!item_path || !*item_path)
        return -1;
    const char *found = get_preferred_core(item_path);
    if (!found)
        return -1; // nothing to launch it with: stay in the menu
    const std::string core = found;

    std::string command;
    const size_t pair = core.find("//");
    if (pair != std::string::npos) {
        // The mapping names a program by absolute path: run it directly.
        const char *program = escape_single_quotes(core.c_str() + pair + 1);
        if (!program)
            return -1;
        command = std::string("'") + program + "'";
        const char *item = escape_single_quotes(item_path);
        if (!item)
            return -1;
        command += std::string(" '") + item + "'";
        return write_script(iso_code, command);
    }

    const char *content = launch_content_path(item_path, state);
    const char *escaped = content ? escape_single_quotes(content) : nullptr;
    if (!escaped)
        return -1;
    const std::string escaped_content = escaped;
    const std::string quoted_core = escape_for_double_quotes(core);

    make_save_directories(item_path);
    write_retroarch_config(on_removable_card(item_path) ? CARD_REMOVABLE : CARD_INTERNAL, no_state_load ? 0 : 1, 0);

    if (is_gdb_enabled())
        command = GDB_COMMAND;
    else
        command = std::string(RETROARCH) + " -L \"" + quoted_core + "\" '" + escaped_content + "'";
    const std::string gdb_script = "run -L \"" + quoted_core + "\" '" + escaped_content + "'";
    write_file_atomic(GDB_SCRIPT, gdb_script);
    return write_script(iso_code, command);
}

int launch_retroarch(const char *iso_code)
{
    printf(EXECUTING_MESSAGE, RETROARCH);
    fflush(stdout);
    write_retroarch_config(0, 1, 1);
    write_file_atomic(GDB_SCRIPT, std::string("run"));
    return write_script(iso_code, is_gdb_enabled() ? std::string(GDB_COMMAND) : std::string(RETROARCH));
}
