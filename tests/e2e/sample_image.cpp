// The sample device image (tools/make-sample-root): the tree it builds must
// hold everything the front end reads, in the formats its readers expect, and
// the driver must run the numbered scripts in order and stop on a failure.

#include "common/shell.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kTool = std::string(SOURCE_DIR) + "/tools/make-sample-root";
const std::string kCfw = "/mnt/mmc/CFW";

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream s(text);
    std::string line;
    while (std::getline(s, line))
        out.push_back(line);
    return out;
}

bool is_file(const std::string &host_path)
{
    struct stat st;
    return stat(host_path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_dir(const std::string &host_path)
{
    struct stat st;
    return stat(host_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Entries of a folder (without "." and ".."), sorted.
std::vector<std::string> entries(const std::string &host_dir)
{
    std::vector<std::string> out;
    DIR *d = opendir(host_dir.c_str());
    if (!d)
        return out;
    while (struct dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            out.push_back(e->d_name);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

// Width and height from a PNG's IHDR chunk; false when it is not a PNG.
bool png_size(const std::string &host_path, uint32_t &w, uint32_t &h)
{
    std::string head = slurp(host_path).substr(0, 24);
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (head.size() < 24 || memcmp(head.data(), sig, 8) != 0 || head.compare(12, 4, "IHDR") != 0)
        return false;
    auto be32 = [&](size_t at) {
        const unsigned char *p = reinterpret_cast<const unsigned char *>(head.data()) + at;
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    };
    w = be32(16);
    h = be32(20);
    return true;
}

// Runs a host command and returns its standard output (and its status).
std::string capture(const std::string &cmd, int *status = nullptr)
{
    return host_capture(cmd, status);
}

std::string quote(const std::string &s)
{
    return shell_quote(s);
}

// The value of a "key": "value" line the way the language reader takes it.
std::string json_line_value(const std::string &line)
{
    size_t c = line.find(':');
    if (c == std::string::npos)
        return "";
    size_t b = c + 1;
    while (b < line.size() && (line[b] == ' ' || line[b] == '\t' || line[b] == '"'))
        b++;
    size_t e = line.size();
    while (e > b && (line[e - 1] == ',' || line[e - 1] == '"' || line[e - 1] == ' ' || line[e - 1] == '\t'))
        e--;
    return line.substr(b, e - b);
}

// Folder name -> core value, from config/coremapping.json's "name": "core" lines.
std::map<std::string, std::string> core_mapping(const TempRoot &root)
{
    std::map<std::string, std::string> m;
    for (const std::string &line : lines_of(root.read(kCfw + "/config/coremapping.json"))) {
        size_t a = line.find('"');
        if (a == std::string::npos)
            continue;
        size_t b = line.find('"', a + 1);
        size_t last = line.rfind('"');
        size_t before = line.rfind('"', last - 1);
        if (b == std::string::npos || before <= b)
            continue;
        m[line.substr(a + 1, b - a - 1)] = line.substr(before + 1, last - before - 1);
    }
    return m;
}

// The launcher's (porta's) game folders on the built-in card: the image
// holds both programs' libraries, and these are no part of the front end's.
const std::set<std::string> kPortaFolders = {"PS1", "VERTICAL", "CPS",  "NEOGEO", "FBAHACK",   "MAME",
                                             "GBA", "FC",       "SFC",  "SMS",    "MD",        "GBC",
                                             "GB",  "PCENGINE", "NGPC", "GG",     "WonderSwan"};
bool porta_folder(const std::string &place, const std::string &name)
{
    return place == "/mnt/mmc" && kPortaFolders.count(name);
}

// Every system folder of both cards that the mapping names: the Roms folders
// and the card roots, as device paths.
std::vector<std::string> system_folders(const TempRoot &root)
{
    std::map<std::string, std::string> m = core_mapping(root);
    std::vector<std::string> out;
    for (const char *place : {"/mnt/mmc/Roms", "/mnt/SDCARD/Roms", "/mnt/mmc", "/mnt/SDCARD"}) {
        for (const std::string &name : entries(root.host(place))) {
            std::string dev = std::string(place) + "/" + name;
            if (name != "CFW" && m.count(name) && !porta_folder(place, name) && is_dir(root.host(dev)))
                out.push_back(dev);
        }
    }
    return out;
}

// Files the game lists show: not hidden, not temporary, not a cache, not a folder.
std::vector<std::string> listed_files(const TempRoot &root, const std::string &dev_dir)
{
    std::vector<std::string> out;
    for (const std::string &n : entries(root.host(dev_dir))) {
        if (n[0] == '.' || n[0] == '~' || n.find("_cache") != std::string::npos)
            continue;
        if (is_file(root.host(dev_dir + "/" + n)))
            out.push_back(n);
    }
    return out;
}

size_t rom_file_count(const TempRoot &root)
{
    size_t n = 0;
    for (const std::string &dir : system_folders(root))
        for (const std::string &e : entries(root.host(dir)))
            if (is_file(root.host(dir + "/" + e)))
                n++;
    return n;
}

std::string write_script(const std::string &dir, const std::string &name, const std::string &body)
{
    std::string path = dir + "/" + name;
    std::ofstream f(path);
    f << "#!/bin/bash\n" << body;
    f.close();
    chmod(path.c_str(), 0755);
    return path;
}

class SampleImage : public ::testing::Test {
protected:
    void SetUp() override { root_.install_sample_image(); }
    TempRoot root_;
};

const char *const kLanguageKeys[] = {"font",
                                     "iso-code",
                                     "font-size",
                                     "button-guide-font-size",
                                     "title-label",
                                     "navigate-label",
                                     "open-label",
                                     "back-label",
                                     "favorite-label",
                                     "remove-label",
                                     "savestates-unsupported",
                                     "empty-label",
                                     "recent-label",
                                     "favorites-label",
                                     "consoles-label",
                                     "retroarch-label",
                                     "settings-label",
                                     "am-label",
                                     "pm-label",
                                     "on-label",
                                     "off-label",
                                     "year-label",
                                     "month-label",
                                     "day-label",
                                     "hour-label",
                                     "minute-label",
                                     "meridian-time-label",
                                     "language-label"};

} // namespace

TEST_F(SampleImage, SkinPicturesArePngsOfTheirLayoutSizes)
{
    const std::string skin = kCfw + "/skin/";
    struct Want {
        const char *name;
        uint32_t w, h;
    };
    const Want fixed[] = {
        {"background.png", 640, 480}, {"recent-overlay.png", 640, 480}, {"game-overlay.png", 640, 480},
        {"icon-dpad-54.png", 54, 54}, {"icon-A-54.png", 54, 54},        {"icon-B-54.png", 54, 54},
        {"icon-Y-54.png", 54, 54},    {"icon-X-54.png", 54, 54},
    };
    for (const Want &p : fixed) {
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(png_size(root_.host(skin + p.name), w, h)) << p.name;
        EXPECT_EQ(w, p.w) << p.name;
        EXPECT_EQ(h, p.h) << p.name;
    }

    // The header: logo at (16, 8) leaves the title at x 64; the battery,
    // charging and CPU icons share one place, so they share one size, and fit
    // in the header band above the content.
    uint32_t lw, lh, aw, ah, bw, bh;
    ASSERT_TRUE(png_size(root_.host(skin + "logo.png"), lw, lh));
    EXPECT_LE(lw, 44u);
    EXPECT_LE(8 + lh, 48u);
    ASSERT_TRUE(png_size(root_.host(skin + "arrow.png"), aw, ah));
    EXPECT_LT(ah, 60u); // the arrow sits 60 px below a value's top
    ASSERT_TRUE(png_size(root_.host(skin + "power-0%-icon.png"), bw, bh));
    EXPECT_LE(4 + bh, 48u);
    for (const char *n : {"power-20%-icon.png", "power-50%-icon.png", "power-80%-icon.png", "power-full-icon.png",
                          "charging-01.png", "charging-02.png", "charging-03.png", "charging-04.png", "charging-05.png",
                          "oc-16.png", "oc-13.png", "uc-07.png", "uc-05.png"}) {
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(png_size(root_.host(skin + n), w, h)) << n;
        EXPECT_EQ(w, bw) << n;
        EXPECT_EQ(h, bh) << n;
    }

    // Home: four focused icons side by side within the screen; the labels,
    // 168 px below the icons' top, stay above the button guide.
    uint32_t total = 0, rh = 0;
    for (const char *e : {"recent", "favorite", "game", "retroarch"}) {
        uint32_t fw, fh, nw, nh;
        ASSERT_TRUE(png_size(root_.host(skin + "ic-" + e + "-f.png"), fw, fh)) << e;
        ASSERT_TRUE(png_size(root_.host(skin + "ic-" + e + "-n.png"), nw, nh)) << e;
        EXPECT_EQ(fw, nw) << e;
        EXPECT_EQ(fh, nh) << e;
        total += fw;
        if (std::string(e) == "recent")
            rh = fh;
    }
    EXPECT_LE(total, 640u);
    EXPECT_LE((480 - rh) / 2 + 168 + 34, 480u - 54 - 8);

    // Consoles: a 4x2 grid of cells between the header and the guide; every
    // system picture fits inside a cell.
    uint32_t cw, ch, cnw, cnh;
    ASSERT_TRUE(png_size(root_.host(skin + "ic-system-f.png"), cw, ch));
    ASSERT_TRUE(png_size(root_.host(skin + "ic-system-n.png"), cnw, cnh));
    EXPECT_EQ(cw, cnw);
    EXPECT_EQ(ch, cnh);
    EXPECT_LE(4 * cw, 640u);
    EXPECT_GE((480 - 2 * ch) / 2, 48u);
    EXPECT_LE((480 - 2 * ch) / 2 + 2 * ch, 480u - 54 - 8);
    std::vector<std::string> pics = entries(root_.host(skin + "system"));
    EXPECT_GE(pics.size(), 20u);
    for (const std::string &p : pics) {
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(png_size(root_.host(skin + "system/" + p), w, h)) << p;
        EXPECT_LE(w, cw) << p;
        EXPECT_LE(h, ch) << p;
    }
}

TEST_F(SampleImage, EverySystemFolderHasAPictureOrAShortEnoughFallback)
{
    std::set<std::string> text_tiles;
    for (const std::string &dir : system_folders(root_)) {
        std::string name = dir.substr(dir.rfind('/') + 1);
        if (!is_file(root_.host(kCfw + "/skin/system/" + name + ".png")))
            text_tiles.insert(name);
    }
    // Two folders show their name as text: one short, one cut to 7 letters and "...".
    EXPECT_EQ(text_tiles, (std::set<std::string>{"OPENBOR", "PC Engine CD"}));
}

TEST_F(SampleImage, SkinSettingsHoldEveryKeyWithReadableColours)
{
    std::vector<std::string> lines = lines_of(root_.read(kCfw + "/skin/settings.json"));
    for (const char *key :
         {"color-guide", "color-active", "color-inactive", "color-favorite-active", "color-favorite-inactive"}) {
        // The colour reader: the text after the '#' before the last '"'.
        bool found = false;
        for (const std::string &line : lines) {
            std::string k = std::string("\"") + key + "\"";
            if (line.find(k) == std::string::npos)
                continue;
            std::string cut = line.substr(0, line.rfind('"'));
            size_t hash = cut.rfind('#');
            ASSERT_NE(hash, std::string::npos) << key;
            unsigned r, g, b;
            ASSERT_EQ(sscanf(cut.c_str() + hash + 1, "%02x%02x%02x", &r, &g, &b), 3) << key;
            found = true;
        }
        EXPECT_TRUE(found) << key;
    }
    std::string all = root_.read(kCfw + "/skin/settings.json");
    for (const char *key :
         {"\"text-alignment\"", "\"text-margin\"", "\"main-menu-text-visibility\"", "\"guide-button-text-visibility\""})
        EXPECT_NE(all.find(key), std::string::npos) << key;
    // Both switches are on: no line of theirs says false.
    for (const std::string &line : lines) {
        if (line.find("visibility") != std::string::npos) {
            EXPECT_EQ(line.find("false"), std::string::npos) << line;
        }
    }
}

TEST_F(SampleImage, LanguageFilesHoldEveryKeyAndNameAnInstalledFont)
{
    std::vector<std::string> langs = entries(root_.host(kCfw + "/lang"));
    ASSERT_GE(langs.size(), 2u);
    bool english = false, cjk = false;
    for (const std::string &file : langs) {
        ASSERT_EQ(file.substr(file.size() - 5), ".json") << file;
        std::vector<std::string> lines = lines_of(root_.read(kCfw + "/lang/" + file));
        std::map<std::string, std::string> values;
        for (const char *key : kLanguageKeys) {
            std::string search = std::string("\"") + key + "\":";
            for (const std::string &line : lines) {
                if (line.find(search) != std::string::npos) {
                    values[key] = json_line_value(line);
                    break;
                }
            }
            EXPECT_TRUE(values.count(key)) << file << " lacks " << key;
            EXPECT_FALSE(values[key].empty()) << file << " " << key;
        }
        EXPECT_TRUE(is_file(root_.host(kCfw + "/font/" + values["font"]))) << file << ": " << values["font"];
        EXPECT_GT(atoi(values["font-size"].c_str()), 10) << file;
        EXPECT_GT(atoi(values["button-guide-font-size"].c_str()), 10) << file;
        // The title is used as a format with the version text: one %s, nothing else.
        const std::string &title = values["title-label"];
        size_t pct = title.find('%');
        ASSERT_NE(pct, std::string::npos) << file;
        EXPECT_EQ(title.compare(pct, 2, "%s"), 0) << file;
        EXPECT_EQ(title.find('%', pct + 1), std::string::npos) << file;
        if (file == "English.json")
            english = values["empty-label"] == "Nothing to see here! Move along!";
        for (unsigned char c : values["settings-label"])
            if (c >= 0xE3 && c <= 0xE9 && values["font"].find("wqy") != std::string::npos)
                cjk = true;
    }
    EXPECT_TRUE(english);
    EXPECT_TRUE(cjk) << "no language in Chinese or Japanese with a CJK font";

    // language.flag names an existing language, without a newline.
    std::string flag = root_.read(kCfw + "/language.flag");
    EXPECT_EQ(flag.find('\n'), std::string::npos);
    EXPECT_TRUE(is_file(root_.host(kCfw + "/lang/" + flag + ".json"))) << flag;
}

TEST_F(SampleImage, FontsAreRealFontFiles)
{
    auto magic = [&](const std::string &dev) { return root_.read(dev).substr(0, 4); };
    EXPECT_EQ(magic(kCfw + "/font/Oswald-Regular.ttf"), std::string("\0\1\0\0", 4));
    EXPECT_EQ(magic(kCfw + "/font/wqy-microhei.ttc"), "ttcf");
    EXPECT_EQ(magic("/mnt/vendor/bin/default.ttf"), "ttcf");
}

TEST_F(SampleImage, FlagAndSysfsFilesHoldValidValues)
{
    std::string cpu = root_.read(kCfw + "/cpuspeed");
    EXPECT_EQ(cpu.find_first_not_of("0123456789"), std::string::npos) << cpu;
    EXPECT_TRUE(std::set<int>({504000, 720000, 1008000, 1296000, 1488000}).count(atoi(cpu.c_str()))) << cpu;

    std::string bright = root_.read(kCfw + "/brightness");
    ASSERT_FALSE(bright.empty());
    EXPECT_EQ(bright.back(), '\n');
    EXPECT_TRUE(std::set<int>({25, 50, 100, 200, 400, 600, 800, 1024}).count(atoi(bright.c_str()))) << bright;

    // A fresh start: no resume file, no power-off mark, no debug mode.
    EXPECT_FALSE(root_.exists(kCfw + "/menu.flag"));
    EXPECT_FALSE(root_.exists(kCfw + "/shutdown.flag"));
    EXPECT_FALSE(root_.exists("/misc/enableGDB"));

    int cap = atoi(root_.read("/sys/class/power_supply/battery/capacity").c_str());
    EXPECT_GE(cap, 1);
    EXPECT_LE(cap, 100);
    EXPECT_EQ(root_.read("/sys/class/power_supply/battery/charger_online").substr(0, 1), "0");
    EXPECT_EQ(root_.read("/sys/class/power_supply/battery/status"), "Discharging\n");
    EXPECT_GT(atoi(root_.read("/sys/class/power_supply/battery/voltage_now").c_str()), 3420000);
    EXPECT_TRUE(root_.exists("/sys/class/power_supply/battery/current_now"));
    EXPECT_EQ(root_.read("/sys/class/switch/hdmi/state").substr(0, 1), "0");
    EXPECT_EQ(root_.read("/sys/class/switch/h2w/state").substr(0, 1), "0");
    EXPECT_GT(atoi(root_.read("/sys/class/backlight/backlight.2/brightness").c_str()), 0);
    EXPECT_EQ(atoi(root_.read("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq").c_str()), 1008000);
    EXPECT_TRUE(root_.exists("/sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq"));

    // The TF card is present and mounted where porta looks for it.
    EXPECT_TRUE(root_.exists("/dev/block/mmcblk1p1"));
    EXPECT_NE(root_.read("/proc/mounts").find(" /mnt/sdcard "), std::string::npos);
    for (const char *d : {"/mnt/mmc", "/mnt/SDCARD", "/mnt/sdcard", "/mnt/data", "/mnt/vendor", "/tmp", "/dev/input",
                          "/proc", "/misc", "/system/bin", "/bin"})
        EXPECT_TRUE(is_dir(root_.host(d))) << d;
}

TEST_F(SampleImage, ShellsRecordCommandsAndRunNone)
{
    // Through the programs' own way of running commands, under this root.
    const std::string marker = root_.host("/tmp/ran");
    const std::string cmd = "touch " + quote(marker) + "; poweroff -f";
    EXPECT_EQ(run_shell("/bin/sh", cmd.c_str()), 0);
    EXPECT_EQ(run_shell("/system/bin/sh", "reboot -p shutdown"), 0);
    EXPECT_EQ(run_shell("/bin/sh", "it's $HOME `id` \"x\""), 0);
    EXPECT_FALSE(is_file(marker)) << "the sample shell ran a command";
    std::vector<std::string> log = root_.recorded("/tmp/shell.log");
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], cmd);
    EXPECT_EQ(log[1], "reboot -p shutdown");
    EXPECT_EQ(log[2], "it's $HOME `id` \"x\"");

    // Without DEVICE_ROOT the shell finds its root from its own place.
    int st = -1;
    capture("env -u DEVICE_ROOT " + quote(root_.host("/system/bin/sh")) + " -c 'mount -o remount,ro /mnt/mmc'", &st);
    EXPECT_EQ(st, 0);
    log = root_.recorded("/tmp/shell.log");
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3], "mount -o remount,ro /mnt/mmc");
}

TEST_F(SampleImage, CoreMappingNamesTheRomFoldersAndTheirCores)
{
    std::map<std::string, std::string> m = core_mapping(root_);
    EXPECT_GE(m.size(), 20u);
    std::set<std::string> with_files;
    for (const std::string &dir : system_folders(root_))
        if (!listed_files(root_, dir).empty())
            with_files.insert(dir.substr(dir.rfind('/') + 1));
    for (const auto &kv : m) {
        EXPECT_TRUE(with_files.count(kv.first)) << kv.first << " has no folder with games";
        if (kv.second[0] == '/') {
            // a standalone program, run directly
            EXPECT_EQ(access(root_.host(kv.second).c_str(), X_OK), 0) << kv.second;
        } else {
            EXPECT_TRUE(is_file(root_.host(kCfw + "/retroarch/.retroarch/cores/" + kv.second))) << kv.second;
        }
    }
    EXPECT_TRUE(m.count("SCUMMVM"));
    EXPECT_NE(m["VIDEOS"].find("ffmpeg"), std::string::npos);

    // Every folder under Roms with games is a system; the ones the grid must
    // skip are there too: only hidden files, empty, or not a system.
    for (const char *place : {"/mnt/mmc/Roms", "/mnt/SDCARD/Roms"}) {
        for (const std::string &n : entries(root_.host(place))) {
            if (!listed_files(root_, std::string(place) + "/" + n).empty() && n != "Manuals") {
                EXPECT_TRUE(m.count(n)) << place << "/" << n;
            }
        }
    }
    EXPECT_TRUE(listed_files(root_, "/mnt/SDCARD/Roms/GG").empty());
    EXPECT_FALSE(entries(root_.host("/mnt/SDCARD/Roms/GG")).empty());
    EXPECT_TRUE(entries(root_.host("/mnt/SDCARD/Roms/MD")).empty());
    EXPECT_FALSE(m.count("Manuals"));
    EXPECT_FALSE(listed_files(root_, "/mnt/SDCARD/ATARI").empty()); // a system at a card's root
    // The same system on both cards
    EXPECT_FALSE(listed_files(root_, "/mnt/mmc/Roms/GBA").empty());
    EXPECT_FALSE(listed_files(root_, "/mnt/SDCARD/Roms/GBA").empty());
    // ScummVM: the game's data folder is named like its .scummvm file
    EXPECT_TRUE(is_file(root_.host("/mnt/mmc/Roms/SCUMMVM/monkey.scummvm")));
    EXPECT_TRUE(is_dir(root_.host("/mnt/mmc/Roms/SCUMMVM/monkey")));
}

TEST_F(SampleImage, MameTitleTableIsLargeAndCoversTheArcadeFolders)
{
    std::vector<std::string> lines = lines_of(root_.read(kCfw + "/config/mame.csv"));
    EXPECT_GE(lines.size(), 20000u);
    std::set<std::string> names;
    for (const std::string &line : lines) {
        size_t comma = line.find(',');
        ASSERT_NE(comma, std::string::npos) << line;
        ASSERT_GT(comma, 0u) << line;
        std::string full = line.substr(comma + 1);
        // "Full Title (Manufacturer year)"
        ASSERT_GE(full.size(), 8u) << line;
        EXPECT_EQ(full.back(), ')') << line;
        EXPECT_TRUE(isdigit(static_cast<unsigned char>(full[full.size() - 2]))) << line;
        EXPECT_TRUE(names.insert(line.substr(0, comma)).second) << "duplicate " << line;
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "sf2,Street Fighter II: The World Warrior (Capcom 1991)"),
              lines.end());
    size_t zips = 0;
    for (const char *dir : {"/mnt/mmc/Roms/ARCADE", "/mnt/SDCARD/Roms/MAME", "/mnt/SDCARD/Roms/NEOGEO"}) {
        for (const std::string &f : listed_files(root_, dir)) {
            ASSERT_EQ(f.substr(f.size() - 4), ".zip") << f;
            EXPECT_TRUE(names.count(f.substr(0, f.size() - 4))) << dir << "/" << f;
            zips++;
        }
    }
    EXPECT_GE(zips, 40u);
}

TEST_F(SampleImage, RetroArchConfigurationHoldsTheRewrittenKeys)
{
    std::string cfg = root_.read(kCfw + "/retroarch/.retroarch/retroarch.cfg");
    for (const char *key : {"system_directory =", "savefile_directory =", "savestate_directory =",
                            "content_history_directory =", "content_history_path =", "screenshot_directory =",
                            "savestate_auto_load =", "audio_volume =", "config_save_on_exit =", "remap_save_on_exit ="})
        EXPECT_NE(cfg.find(std::string("\n") + key), std::string::npos) << key;
    EXPECT_NE(cfg.find("\n# savestate_auto_load ="), std::string::npos);
    EXPECT_NE(cfg.find("\nvideo_dingux_ipu_keep_aspect = \"true\"\n"), std::string::npos);
    EXPECT_EQ(root_.read(kCfw + "/retroarch/.retroarch/volume.cfg"), "audio_volume = \"-4.000000\"\n");
    EXPECT_EQ(access(root_.host(kCfw + "/retroarch/retroarch").c_str(), X_OK), 0);
    EXPECT_TRUE(is_dir(root_.host(kCfw + "/retroarch/.retroarch/logs")));
    for (const char *card : {"/mnt/mmc", "/mnt/SDCARD"})
        for (const char *sub : {"/BIOS", "/Screenshots", "/Saves/CurrentProfile/saves", "/Saves/CurrentProfile/states",
                                "/Saves/CurrentProfile/lists"})
            EXPECT_TRUE(is_dir(root_.host(std::string(card) + sub))) << card << sub;
}

TEST_F(SampleImage, PlaylistsAreValidJsonInRetroArchLayout)
{
    const std::string py =
        "import json,sys\n"
        "d=json.load(open(sys.argv[1],encoding='utf-8'))\n"
        "assert d['version']=='1.5'\n"
        "for e in d['items']:\n"
        "    assert e['path'].startswith('/mnt/'), e\n"
        "    assert len(e)>=4, e\n"
        "print(len(d['items']))\n";
    const std::string lists[] = {kCfw + "/retroarch/.retroarch/content_favorites.lpl",
                                 "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl",
                                 "/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl"};
    const char *header[] = {"{",
                            "  \"version\": \"1.5\",",
                            "  \"default_core_path\": \"\",",
                            "  \"default_core_name\": \"\",",
                            "  \"label_display_mode\": 0,",
                            "  \"right_thumbnail_mode\": 0,",
                            "  \"left_thumbnail_mode\": 0,",
                            "  \"sort_mode\": 0,",
                            "  \"items\": ["};
    bool escaped = false;
    for (const std::string &dev : lists) {
        int st = -1;
        std::string out = capture("python3 -c " + quote(py) + " " + quote(root_.host(dev)) + " 2>&1", &st);
        ASSERT_EQ(st, 0) << dev << ": " << out;
        EXPECT_GE(atoi(out.c_str()), 6) << dev;

        std::vector<std::string> lines = lines_of(root_.read(dev));
        ASSERT_GE(lines.size(), 12u) << dev;
        for (size_t i = 0; i < 9; i++)
            EXPECT_EQ(lines[i], header[i]) << dev << " line " << i + 1;
        EXPECT_EQ(lines[lines.size() - 2], "  ]");
        EXPECT_EQ(lines.back(), "}");
        EXPECT_EQ(lines[lines.size() - 3], "    }");

        // The reader takes the text after "path": " up to the last quote: most
        // entries name files that exist; some are gone or JSON-escaped.
        size_t present = 0, missing = 0;
        for (const std::string &line : lines) {
            size_t at = line.find("\"path\": \"");
            if (at == std::string::npos)
                continue;
            std::string path = line.substr(at + 9, line.rfind('"') - at - 9);
            if (path.find('\\') != std::string::npos)
                escaped = true;
            (is_file(root_.host(path)) ? present : missing)++;
        }
        EXPECT_GE(present, 5u) << dev;
        EXPECT_GE(present, 2 * missing) << dev;
    }
    EXPECT_TRUE(escaped) << "no playlist path with an escaped character";

    // History order: the flag's first line names an internal-card game.
    std::vector<std::string> flag = lines_of(root_.read(kCfw + "/history.flag"));
    ASSERT_FALSE(flag.empty());
    EXPECT_EQ(flag[0].rfind("/mnt/mmc/", 0), 0u);
    EXPECT_TRUE(is_file(root_.host(flag[0]))) << flag[0];
    // A movie in the history, played with the ffmpeg core
    EXPECT_NE(root_.read(lists[1]).find("/mnt/mmc/Roms/VIDEOS/"), std::string::npos);
}

TEST_F(SampleImage, AutoStateScreenshotsSitInPerCoreFolders)
{
    size_t shots = 0;
    for (const char *card : {"/mnt/mmc", "/mnt/SDCARD"}) {
        std::string states = std::string(card) + "/Saves/CurrentProfile/states";
        size_t here = 0;
        for (const std::string &core : entries(root_.host(states))) {
            ASSERT_TRUE(is_dir(root_.host(states + "/" + core))) << core;
            for (const std::string &f : entries(root_.host(states + "/" + core))) {
                const std::string suffix = ".state.auto.png";
                if (f.size() <= suffix.size() || f.compare(f.size() - suffix.size(), suffix.size(), suffix) != 0)
                    continue;
                uint32_t w = 0, h = 0;
                ASSERT_TRUE(png_size(root_.host(states + "/" + core + "/" + f), w, h)) << f;
                // enlarged four times on screen
                EXPECT_LE(w * 4, 1280u);
                EXPECT_GE(w * 4, 640u);
                here++;
            }
        }
        EXPECT_GE(here, 3u) << card;
        shots += here;
    }
    EXPECT_GE(shots, 8u);
    // The same game saved by two cores: the newer screenshot is the one to show.
    struct stat a, b;
    const std::string base = "/mnt/mmc/Saves/CurrentProfile/states/%s/Golden Sky Legend (USA, Europe).state.auto.png";
    char pa[512], pb[512];
    snprintf(pa, sizeof pa, base.c_str(), "gpSP");
    snprintf(pb, sizeof pb, base.c_str(), "mGBA");
    ASSERT_EQ(stat(root_.host(pa).c_str(), &a), 0);
    ASSERT_EQ(stat(root_.host(pb).c_str(), &b), 0);
    EXPECT_GT(b.st_mtime, a.st_mtime);
}

TEST_F(SampleImage, ArtworkExistsAtEveryPlaceTheMenuLooks)
{
    auto pngs_in = [&](const std::string &dev_dir) {
        size_t n = 0;
        for (const std::string &f : entries(root_.host(dev_dir))) {
            uint32_t w, h;
            if (f.size() > 4 && f.compare(f.size() - 4, 4, ".png") == 0 &&
                png_size(root_.host(dev_dir + "/" + f), w, h))
                n++;
        }
        return n;
    };
    // a) skin/games/<system>/<file with extension>.png for listed games
    size_t a = 0;
    for (const char *sys : {"FC", "SFC", "GBA", "MD"}) {
        for (const std::string &f : listed_files(root_, std::string("/mnt/mmc/Roms/") + sys)) {
            if (is_file(root_.host(kCfw + "/skin/games/" + sys + "/" + f + ".png")))
                a++;
        }
    }
    EXPECT_GE(a, 12u);
    EXPECT_TRUE(is_file(root_.host(kCfw + "/skin/games/FC/魔界村.nes.png")));
    // b) skin/games/<file>.png
    EXPECT_GE(pngs_in(kCfw + "/skin/games"), 2u);
    // c) and d) Roms/<system>/Imgs/<name>.png on both cards, named after a game
    size_t cd = 0;
    for (const char *imgs : {"/mnt/mmc/Roms/GBC/Imgs", "/mnt/mmc/Roms/ARCADE/Imgs", "/mnt/SDCARD/Roms/PS/Imgs",
                             "/mnt/SDCARD/Roms/NEOGEO/Imgs"}) {
        std::string dir = std::string(imgs).substr(0, strlen(imgs) - 5);
        std::set<std::string> games;
        for (const std::string &f : listed_files(root_, dir))
            games.insert(f.substr(0, f.rfind('.')));
        for (const std::string &p : entries(root_.host(imgs))) {
            EXPECT_TRUE(games.count(p.substr(0, p.size() - 4))) << imgs << "/" << p;
            cd++;
        }
        EXPECT_GE(pngs_in(imgs), 3u) << imgs;
    }
    EXPECT_GE(cd, 12u);
}

TEST_F(SampleImage, FileNamesWithShellAndJsonSpecialCharactersExist)
{
    const char *names[] = {
        "/mnt/mmc/Roms/GB/Bob's Game (USA).gb",
        "/mnt/mmc/Roms/GBA/Cash $$$ Rush (USA).gba",
        "/mnt/mmc/Roms/SFC/The \"Quoted\" Quest (Europe).sfc",
        "/mnt/mmc/Roms/MD/Back`tick Bandit (Japan).md",
        "/mnt/mmc/Roms/FC/Slash\\Back Runner (USA).nes",
        "/mnt/mmc/Roms/FC/Pay $HOME; echo pwned `date` Hack (USA).nes",
        "/mnt/mmc/Roms/FC/魔界村.nes",
        "/mnt/mmc/Roms/FC/Super Adventure Quest (USA) [!].nes",
        "/mnt/mmc/Roms/GBA/Track #2 - Night Drive (Europe).gba",
        "/mnt/SDCARD/Roms/GBA/별의 전사 (Korea).gba",
        "/mnt/mmc/Roms/ARCADE/sf2.zip",
    };
    for (const char *n : names)
        EXPECT_TRUE(is_file(root_.host(n))) << n;
    // Files the game list filters out
    for (const char *n :
         {"/mnt/mmc/Roms/GBA/.hidden.gba", "/mnt/mmc/Roms/GBA/~lock.gba", "/mnt/mmc/Roms/GBA/save_cache.bin"})
        EXPECT_TRUE(is_file(root_.host(n))) << n;
    // Region tags of both naming schemes
    std::string all;
    for (const std::string &dir : system_folders(root_))
        for (const std::string &f : listed_files(root_, dir))
            all += f + "\n";
    for (const char *tag : {"(USA)", "(Europe)", "(Japan)", "[!]"})
        EXPECT_NE(all.find(tag), std::string::npos) << tag;
}

TEST_F(SampleImage, DefaultLibraryHasThreeHundredRoms)
{
    EXPECT_EQ(rom_file_count(root_), 300u);
}

// A fresh build at another size: --games sets the total number of ROM files.
TEST(SampleImageBuild, GamesOptionSetsTheLibrarySize)
{
    TempRoot root;
    const std::string dir = root.path() + "/image";
    int st = -1;
    std::string out = capture(quote(kTool) + " " + quote(dir) + " --games 2000 2>&1", &st);
    ASSERT_EQ(st, 0) << out;
    size_t ready = out.find("ready (2000 games)");
    ASSERT_NE(ready, std::string::npos) << out;
    // The per-script times and the total, for the log.
    std::cout << out;
    // ROM files: every file directly inside a system folder of either card.
    std::set<std::string> mapping;
    for (const std::string &line : lines_of(slurp(dir + kCfw + "/config/coremapping.json"))) {
        size_t a = line.find('"'), b = a == std::string::npos ? a : line.find('"', a + 1);
        if (b != std::string::npos)
            mapping.insert(line.substr(a + 1, b - a - 1));
    }
    size_t files = 0;
    for (const char *place : {"/mnt/mmc/Roms", "/mnt/SDCARD/Roms", "/mnt/mmc", "/mnt/SDCARD"})
        for (const std::string &name : entries(dir + place))
            if (mapping.count(name) && !porta_folder(place, name) && is_dir(dir + place + "/" + name))
                for (const std::string &f : entries(dir + place + "/" + name))
                    if (is_file(dir + place + "/" + name + "/" + f))
                        files++;
    EXPECT_EQ(files, 2000u);
    // The launcher's library on its two cards gets as many games besides its
    // showcase (a folder game is one file in a folder).
    int porta_files = 0;
    for (const char *card : {"/mnt/mmc/", "/mnt/sdcard/"})
        for (const std::string &label : kPortaFolders)
            porta_files += atoi(capture("find " + quote(dir + card + label) + " -type f | wc -l").c_str());
    EXPECT_GE(porta_files, 2000);
    // A larger library still has the showcase names and valid playlists.
    EXPECT_TRUE(is_file(dir + "/mnt/mmc/Roms/FC/魔界村.nes"));
    capture("python3 -c 'import json,sys; json.load(open(sys.argv[1]))' " +
                quote(dir + "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl"),
            &st);
    EXPECT_EQ(st, 0);
}

TEST(SampleImageBuild, DriverRejectsBadArguments)
{
    TempRoot root;
    int st = -1;
    std::string out = capture(quote(kTool) + " 2>&1", &st);
    EXPECT_EQ(st, 2);
    EXPECT_NE(out.find("usage:"), std::string::npos) << out;
    out = capture(quote(kTool) + " " + quote(root.path() + "/x") + " --games lots 2>&1", &st);
    EXPECT_EQ(st, 2);
    EXPECT_NE(out.find("--games needs a whole number"), std::string::npos) << out;
    out = capture(quote(kTool) + " " + quote(root.path() + "/x") + " --games 100001 2>&1", &st);
    EXPECT_EQ(st, 2);
    EXPECT_NE(out.find("at most 100000"), std::string::npos) << out;
    EXPECT_FALSE(is_dir(root.path() + "/x"));
    out = capture(quote(kTool) + " / 2>&1", &st);
    EXPECT_EQ(st, 2) << out;
}

// The driver runs whatever numbered scripts its sample folder holds, in name
// order, with the three variables set, and stops at the first failure.
TEST(SampleImageBuild, DriverRunsScriptsInOrderAndStopsOnFailure)
{
    TempRoot root;
    const std::string tools = root.path() + "/tools";
    mkdir(tools.c_str(), 0755);
    mkdir((tools + "/sample").c_str(), 0755);
    ASSERT_EQ(host_system("cp " + quote(kTool) + " " + quote(tools + "/make-sample-root")), 0);
    const std::string log = root.path() + "/order.log";
    write_script(tools + "/sample", "10-second.sh",
                 "echo \"10 $SAMPLE_GAMES $(basename \"$SAMPLE_TOOLS\")\" >> " + quote(log) + "\n");
    write_script(tools + "/sample", "05-first.sh", "echo \"05 $SAMPLE_ROOT\" >> " + quote(log) + "\n");
    write_script(tools + "/sample", "README.sh", "echo never >> " + quote(log) + "\n");
    write_script(tools + "/sample", "notes.txt", "not a script\n");

    const std::string image = root.path() + "/image dir";
    int st = -1;
    std::string out = capture(quote(tools + "/make-sample-root") + " " + quote(image) + " --games 42 2>&1", &st);
    ASSERT_EQ(st, 0) << out;
    EXPECT_EQ(slurp(log), "05 " + image + "\n10 42 tools\n");

    write_script(tools + "/sample", "20-broken.sh", "echo 20 >> " + quote(log) + "\nexit 3\n");
    write_script(tools + "/sample", "30-after.sh", "echo 30 >> " + quote(log) + "\n");
    unlink(log.c_str());
    out = capture(quote(tools + "/make-sample-root") + " " + quote(image) + " 2>&1", &st);
    EXPECT_EQ(st, 1);
    EXPECT_NE(out.find("20-broken.sh failed"), std::string::npos) << out;
    EXPECT_EQ(slurp(log), "05 " + image + "\n10 300 tools\n20\n");
}
