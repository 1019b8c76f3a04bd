#include "vantor/launch.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "vantor/content.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

char escapedSingleQuotedString[4097];
char tempFilePath[4097];

namespace {

const char *const kRetroArch = "/mnt/mmc/CFW/retroarch/retroarch";
const char *const kCommandScript = "/mnt/mmc/CFW/retroarch/command.sh";
const char *const kGdbScript = "/mnt/mmc/CFW/retroarch/gdbscript.txt";
const char *const kRetroArchCfg = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
const char *const kVolumeCfg = "/mnt/mmc/CFW/retroarch/.retroarch/volume.cfg";
const char *const kGdbFlag = "/misc/enableGDB";
const char *const kGdbCommand =
    "gdb /mnt/mmc/CFW/retroarch/retroarch < /mnt/mmc/CFW/retroarch/gdbscript.txt"
    " > /mnt/mmc/CFW/retroarch/.retroarch/logs/gdb.log 2>&1";

// The MenuState of the history list, whose paths are already the copies.
constexpr int kRecentState = 4;

// The key texts whose lines are replaced in retroarch.cfg.
const char *const kRewrittenKeys[] = {
    "system_directory =",     "savefile_directory =",   "savestate_directory =", "content_history_directory =",
    "content_history_path =", "screenshot_directory =", "savestate_auto_load =", "audio_volume =",
    "config_save_on_exit =",  "remap_save_on_exit =",
};

// Splits a text file into lines without their line ends (trailing CR and LF
// stripped), with no limit on the line length. Returns 0 when the file was
// read or does not exist (no lines), -1 when it exists but cannot be read.
int readLines(const char *path, std::vector<std::string> &lines)
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

bool isRewrittenKeyLine(const std::string &line)
{
    for (const char *key : kRewrittenKeys) {
        if (line.find(key) != std::string::npos)
            return true;
    }
    return false;
}

const char *cardWord(int card)
{
    return card == cardRemovable ? "SDCARD" : "mmc";
}

bool onRemovableCard(const char *path)
{
    return strstr(path, "/mnt/SDCARD/") != nullptr;
}

// The core path for use inside double quotes: \ " $ and ` are escaped with a
// backslash so that the shell (and gdb's run, which goes through the shell)
// sees exactly the path. Ordinary core names come out unchanged.
std::string escapeForDoubleQuotes(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"' || c == '$' || c == '`')
            out += '\\';
        out += c;
    }
    return out;
}

// The LANG value as it stands when it is a plain locale name, else quoted so
// that a language file cannot put shell syntax into the launch script.
std::string langValue(const char *isoCode)
{
    std::string code = isoCode ? isoCode : "";
    bool plain = !code.empty();
    for (char c : code) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                  c == '.' || c == '@';
        if (!ok)
            plain = false;
    }
    if (plain)
        return code;
    std::string out = "'";
    for (char c : code) {
        if (c == '\'')
            out += "'\"'\"'";
        else
            out += c;
    }
    return out + "'";
}

int writeScript(const char *isoCode, const std::string &command)
{
    std::string script = "#!/bin/sh\nexport LANG=" + langValue(isoCode) + "\n" + command + "\nexit $?\n";
    return write_file_atomic(kCommandScript, script, 0755) == 0 ? 0 : 1;
}

void makeSaveDirectories(const char *itemPath)
{
    const std::string base = std::string("/mnt/") + (onRemovableCard(itemPath) ? "SDCARD" : "mmc") + "/Saves";
    const std::string profile = base + "/CurrentProfile";
    const std::string dirs[] = {base, profile, profile + "/saves", profile + "/states", profile + "/lists"};
    for (const std::string &dir : dirs)
        dev_mkdir(dir.c_str(), 0700); // an existing folder is fine
}

} // namespace

int writeRetroArchConfig(int card, int autoLoad, int saveOnExit)
{
    std::vector<std::string> config;
    std::vector<std::string> volume;
    // A configuration that exists but cannot be read is left alone rather
    // than replaced by the few keys written here.
    if (readLines(kRetroArchCfg, config) != 0)
        return -1;
    readLines(kVolumeCfg, volume); // a missing volume.cfg only means no audio_volume line

    std::string out;
    for (const std::string &line : config) {
        if (!isRewrittenKeyLine(line))
            out += line + "\n";
    }
    const char *w = cardWord(card);
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
    snprintf(buf, sizeof(buf), "savestate_auto_load = \"%s\"\n", autoLoad ? "true" : "false");
    out += buf;
    snprintf(buf, sizeof(buf), "config_save_on_exit = \"%s\"\n", saveOnExit ? "true" : "false");
    out += buf;
    snprintf(buf, sizeof(buf), "remap_save_on_exit = \"%s\"\n", saveOnExit ? "true" : "false");
    out += buf;
    for (const std::string &line : volume) {
        if (!line.empty())
            out += line + "\n";
    }
    return write_file_atomic(kRetroArchCfg, out) == 0 ? 0 : -1;
}

const char *escapeSingleQuotes(const char *text)
{
    if (!text)
        return nullptr;
    const size_t limit = sizeof(escapedSingleQuotedString) - 1;
    size_t n = 0;
    for (const char *p = text; *p; ++p) {
        const char *piece = *p == '\'' ? "'\"'\"'" : nullptr;
        size_t len = piece ? 5 : 1;
        if (n + len > limit)
            return nullptr;
        if (piece)
            memcpy(escapedSingleQuotedString + n, piece, len);
        else
            escapedSingleQuotedString[n] = *p;
        n += len;
    }
    escapedSingleQuotedString[n] = '\0';
    return escapedSingleQuotedString;
}

int cp(const char *source, const char *destination)
{
    if (!source || !destination)
        return -1;
    FILE *in = dev_fopen(source, "rb");
    if (!in)
        return -1;
    std::string data;
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof(block), in)) > 0)
        data.append(block, n);
    bool readError = ferror(in) != 0;
    fclose(in);
    if (readError)
        return -1;
    return write_file_atomic(destination, data) == 0 ? 0 : -1;
}

const char *createTempFile(const char *path, int state)
{
    if (!path)
        return nullptr;
    if (state == kRecentState)
        return path;
    const char *dot = strrchr(path, '.');
    if (!dot || strcmp(dot, ".scummvm") != 0)
        return path;
    const char *slash = strrchr(path, '/');
    const char *name = slash ? slash + 1 : path;
    std::string target = std::string(path, static_cast<size_t>(dot - path)) + "/" + name;
    if (target.size() >= sizeof(tempFilePath))
        return path;
    // When the game folder named like the file is missing (or the file
    // already sits inside its game folder) the copy cannot be made; the file
    // itself is then handed over rather than a path that does not exist.
    if (cp(path, target.c_str()) != 0)
        return path;
    memcpy(tempFilePath, target.c_str(), target.size() + 1);
    return tempFilePath;
}

int isGdbEnabled()
{
    return dev_exists(kGdbFlag) ? 1 : 0;
}

int launchItem(const char *itemPath, int state, int noStateLoad, const char *isoCode)
{
    if (!itemPath || !*itemPath)
        return -1;
    const char *found = getPreferredCore(itemPath);
    if (!found)
        return -1; // nothing to launch it with: stay in the menu
    const std::string core = found;

    std::string command;
    const size_t pair = core.find("//");
    if (pair != std::string::npos) {
        // The mapping names a program by absolute path: run it directly.
        const char *program = escapeSingleQuotes(core.c_str() + pair + 1);
        if (!program)
            return -1;
        command = std::string("'") + program + "'";
        const char *item = escapeSingleQuotes(itemPath);
        if (!item)
            return -1;
        command += std::string(" '") + item + "'";
        return writeScript(isoCode, command);
    }

    const char *content = createTempFile(itemPath, state);
    const char *escaped = content ? escapeSingleQuotes(content) : nullptr;
    if (!escaped)
        return -1;
    const std::string escapedContent = escaped;
    const std::string quotedCore = escapeForDoubleQuotes(core);

    makeSaveDirectories(itemPath);
    writeRetroArchConfig(onRemovableCard(itemPath) ? cardRemovable : cardInternal, noStateLoad ? 0 : 1, 0);

    if (isGdbEnabled())
        command = kGdbCommand;
    else
        command = std::string(kRetroArch) + " -L \"" + quotedCore + "\" '" + escapedContent + "'";
    const std::string gdbScript = "run -L \"" + quotedCore + "\" '" + escapedContent + "'";
    write_file_atomic(kGdbScript, gdbScript);
    return writeScript(isoCode, command);
}

int launchRetroArch(const char *isoCode)
{
    printf("Executing %s\n", kRetroArch);
    fflush(stdout);
    writeRetroArchConfig(0, 1, 1);
    write_file_atomic(kGdbScript, std::string("run"));
    return writeScript(isoCode, isGdbEnabled() ? std::string(kGdbCommand) : std::string(kRetroArch));
}
