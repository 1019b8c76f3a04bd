#pragma once

// What the fuzz targets share: a private device root, so that nothing a target
// reads or writes lies outside it, and a check that stops the run with a
// message when an invariant breaks.
//
// The root is a fresh folder under $TMPDIR (tools/fuzz points it into the
// fuzz build folder), made on first use, set as DEVICE_ROOT, with the working
// directory at its /mnt/mmc/CFW as the menu runs; it is removed at exit.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#define FUZZ_CHECK(cond)                                                                                               \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);                                   \
            abort();                                                                                                   \
        }                                                                                                              \
    } while (0)

namespace fuzz {

inline std::string &rootPath()
{
    static std::string path;
    return path;
}

inline int removeEntry(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

inline void removeRoot()
{
    if (!rootPath().empty())
        nftw(rootPath().c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// Creates the device folder and its parents inside the root.
inline void mkdirs(const std::string &devicePath)
{
    std::string cur = rootPath();
    size_t i = 0;
    while (i < devicePath.size()) {
        size_t j = devicePath.find('/', i + 1);
        if (j == std::string::npos)
            j = devicePath.size();
        cur += devicePath.substr(i, j - i);
        mkdir(cur.c_str(), 0755);
        i = j;
    }
}

// The root (made on first use).
inline const std::string &root()
{
    if (rootPath().empty()) {
        const char *tmp = getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-root.XXXXXX";
        if (!mkdtemp(&tmpl[0])) {
            perror("fuzz: mkdtemp");
            abort();
        }
        rootPath() = tmpl;
        atexit(removeRoot);
        setenv("DEVICE_ROOT", tmpl.c_str(), 1);
        mkdirs("/mnt/mmc/CFW/retroarch/.retroarch");
        mkdirs("/mnt/mmc/Saves/CurrentProfile/lists");
        mkdirs("/mnt/SDCARD/Saves/CurrentProfile/lists");
        if (chdir((tmpl + "/mnt/mmc/CFW").c_str()) != 0) {
            perror("fuzz: chdir");
            abort();
        }
    }
    return rootPath();
}

inline std::string host(const std::string &devicePath)
{
    return root() + devicePath;
}

// Writes a file inside the root (parents made).
inline void write(const std::string &devicePath, const void *data, size_t size)
{
    const size_t slash = devicePath.rfind('/');
    if (slash != std::string::npos && slash > 0)
        mkdirs(devicePath.substr(0, slash));
    FILE *f = fopen(host(devicePath).c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    if (size)
        FUZZ_CHECK(fwrite(data, 1, size, f) == size);
    fclose(f);
}

inline void write(const std::string &devicePath, const std::string &text)
{
    write(devicePath, text.data(), text.size());
}

inline std::string readHost(const std::string &hostPath)
{
    std::string out;
    FILE *f = fopen(hostPath.c_str(), "rb");
    if (!f)
        return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

inline std::string read(const std::string &devicePath)
{
    return readHost(host(devicePath));
}

inline bool exists(const std::string &devicePath)
{
    struct stat st;
    return lstat(host(devicePath).c_str(), &st) == 0;
}

// Removes a device folder and everything in it (nothing when missing).
inline void removeTree(const std::string &devicePath)
{
    nftw(host(devicePath).c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// The input as lines (without their line ends), each cut at a NUL byte as a C
// string would be; at most `max` of them.
inline std::vector<std::string> lines(const uint8_t *data, size_t size, size_t max = 64)
{
    std::vector<std::string> out;
    const std::string text(reinterpret_cast<const char *>(data), size);
    size_t start = 0;
    while (start < text.size() && out.size() < max) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        out.push_back(line.substr(0, line.find('\0')));
        start = end + 1;
    }
    return out;
}

// Sections of the input split at a separator line "--", for targets that
// write several files from one input; at most `count` sections, the last one
// holding the rest.
inline std::vector<std::string> sections(const uint8_t *data, size_t size, size_t count)
{
    std::vector<std::string> out;
    const std::string text(reinterpret_cast<const char *>(data), size);
    size_t start = 0;
    while (out.size() + 1 < count) {
        const size_t at = text.find("\n--\n", start);
        if (at == std::string::npos)
            break;
        out.push_back(text.substr(start, at + 1 - start));
        start = at + 4;
    }
    out.push_back(start < text.size() ? text.substr(start) : std::string());
    out.resize(count);
    return out;
}

// The sample's Latin font (the Spanish language's), for targets that draw.
constexpr const char *sampleFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf";

// Copies the sample font into the root's font folder under `name`.
inline void install_font(const char *name)
{
    FILE *in = fopen(sampleFont, "rb");
    FUZZ_CHECK(in != nullptr);
    std::string data;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, in)) > 0)
        data.append(buf, n);
    fclose(in);
    write(std::string("/mnt/mmc/CFW/font/") + name, data);
}

} // namespace fuzz
