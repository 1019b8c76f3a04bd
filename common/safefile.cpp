#include "common/safefile.h"

#include "common/devroot.h"

#include <cerrno>
#include <cstring>
#include <functional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool write_all(int fd, const void *data, size_t len)
{
    const char *p = static_cast<const char *>(data);
    while (len > 0) {
        ssize_t n = write(fd, p, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

// The host path a write of `path` replaces: a target that is a symbolic link
// (a configuration kept elsewhere and linked in) is rewritten where the link
// points, so the link stays.
std::string write_target(const char *path)
{
    std::string host = dev_path_nofollow(path);
    struct stat lst;
    if (lstat(host.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_BUFFER_SIZE];
        if (dev_realpath(path, resolved, sizeof resolved))
            host = dev_path(resolved);
    }
    return host;
}

// The suffix mkstemp() puts in place of "XXXXXX".
bool is_temp_suffix(const char *s)
{
    for (int i = 0; i < 6; i++) {
        const char c = s[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return s[6] == '\0';
}

// Whether a file last modified at `mtime` was written before `before`: to the
// nanosecond, so that a write cut short in the second this run started in
// still counts as older.
bool modified_before(const struct timespec &mtime, const struct timespec &before)
{
    return mtime.tv_sec < before.tv_sec || (mtime.tv_sec == before.tv_sec && mtime.tv_nsec < before.tv_nsec);
}

// Deletes the regular files of the host folder `dir` whose names `matches`
// accepts and that were last modified before `before`. Returns how many.
int remove_matching_stale_files(const std::string &dir, const struct timespec &before,
                                const std::function<bool(const char *name)> &matches)
{
    DIR *d = opendir(dir.c_str());
    if (!d)
        return 0;
    int removed = 0;
    while (struct dirent *e = readdir(d)) {
        const char *name = e->d_name;
        if (!matches(name))
            continue;
        const std::string full = dir + "/" + name;
        struct stat st;
        if (lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !modified_before(st.st_mtim, before))
            continue;
        if (unlink(full.c_str()) == 0)
            removed++;
    }
    closedir(d);
    return removed;
}

} // namespace

struct timespec run_start_time()
{
    struct timespec now = {0, 0};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

int write_file_atomic(const char *path, const void *data, size_t len, int mode)
{
    if (!path || !*path || (len > 0 && !data))
        return -1;
    const std::string host = write_target(path);
    const size_t slash = host.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : host.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? host : host.substr(slash + 1);
    std::string tmpl =
        (slash == std::string::npos ? std::string() : host.substr(0, slash + 1)) + "." + base + ".XXXXXX";

    int fd = mkstemp(&tmpl[0]);
    if (fd < 0)
        return -1;
    mode_t mask = umask(0);
    umask(mask);
    bool ok = write_all(fd, data, len) && fchmod(fd, static_cast<mode_t>(mode) & ~mask) == 0 && fsync(fd) == 0;
    if (close(fd) != 0)
        ok = false;
    if (!ok || rename(tmpl.c_str(), host.c_str()) != 0) {
        unlink(tmpl.c_str());
        return -1;
    }
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return 0;
}

int read_file(const char *path, std::string &out)
{
    out.clear();
    FILE *f = dev_fopen(path, "rb");
    if (!f)
        return -1;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        out.append(buf, n);
    bool err = ferror(f) != 0;
    fclose(f);
    return err ? -1 : 0;
}

int remove_stale_temp_files(const char *path, const struct timespec &before)
{
    if (!path || !*path)
        return 0;
    const std::string host = write_target(path);
    const size_t slash = host.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : host.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? host : host.substr(slash + 1);
    if (base.empty())
        return 0;
    const std::string prefix = "." + base + ".";
    return remove_matching_stale_files(dir, before, [&prefix](const char *name) {
        return strncmp(name, prefix.c_str(), prefix.size()) == 0 && is_temp_suffix(name + prefix.size());
    });
}

int remove_stale_temp_files_in(const char *dir, const char *suffix, const struct timespec &before)
{
    if (!dir || !*dir || !suffix)
        return 0;
    const std::string host = dev_path(dir);
    const size_t slen = strlen(suffix);
    return remove_matching_stale_files(host, before, [suffix, slen](const char *name) {
        const size_t len = strlen(name);
        // "." + at least one character + suffix + "." + six characters
        if (name[0] != '.' || len < 1 + 1 + slen + 7)
            return false;
        const char *tail = name + len - 7;
        return tail[0] == '.' && is_temp_suffix(tail + 1) && strncmp(tail - slen, suffix, slen) == 0;
    });
}
