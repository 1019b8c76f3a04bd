#include "common/devroot.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::mutex g_root_mutex;
std::string g_root_env; // DEVICE_ROOT as last seen
std::string g_root;     // its canonical form, without a trailing slash

bool has_prefix_dir(const std::string &path, const std::string &dir)
{
    return path.size() >= dir.size() && path.compare(0, dir.size(), dir) == 0 &&
           (path.size() == dir.size() || path[dir.size()] == '/');
}

} // namespace

const char *device_root()
{
    const char *env = getenv("DEVICE_ROOT");
    std::lock_guard<std::mutex> lock(g_root_mutex);
    if (!env || !*env) {
        g_root_env.clear();
        g_root.clear();
        return "";
    }
    if (g_root_env != env) {
        g_root_env = env;
        char buf[PATH_MAX];
        if (realpath(env, buf))
            g_root = buf;
        else
            g_root = env;
        while (g_root.size() > 1 && g_root.back() == '/')
            g_root.pop_back();
        if (g_root == "/")
            g_root.clear(); // a root of "/" is the device itself
    }
    return g_root.c_str();
}

bool device_root_active()
{
    return device_root()[0] != '\0';
}

std::string dev_from_host(const char *host_path)
{
    if (!host_path)
        return std::string();
    const std::string root = device_root();
    std::string p(host_path);
    if (root.empty() || !has_prefix_dir(p, root))
        return p;
    std::string rest = p.substr(root.size());
    return rest.empty() ? std::string("/") : rest;
}

namespace {

void split_into(const std::string &path, std::vector<std::string> &parts)
{
    size_t i = 0;
    while (i < path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos)
            j = path.size();
        if (j > i)
            parts.push_back(path.substr(i, j - i));
        i = j + 1;
    }
}

// How a walk through the root treats the path's last component and a part of
// the path that does not exist.
enum WalkMode {
    WALK_EXISTING,   // every component must exist; a link anywhere is followed
    WALK_ANY,        // a missing tail is kept as written (a file about to be made)
    WALK_ANY_NOLINK, // as WALK_ANY, but a link in the last component stays a link
};

constexpr int MAX_LINKS_FOLLOWED = 40;

// Walks a device path component by component inside the root, following each
// link (an absolute target is a device path) and "..", never above the root.
// Fills `host` with the host path reached; `changed` tells whether a link or
// ".." was met. Fails on a missing component (WALK_EXISTING), a component
// below a file, or a loop of links.
bool walk_in_root(const std::string &root, const std::string &device_path, WalkMode mode, std::string &host,
                  bool &changed)
{
    std::vector<std::string> todo; // components still to walk, in reverse order
    {
        std::vector<std::string> parts;
        split_into(device_path, parts);
        todo.assign(parts.rbegin(), parts.rend());
    }
    std::vector<size_t> ends; // host.size() before each component walked
    host = root;
    changed = false;
    bool missing = false;
    int links = 0;
    while (!todo.empty()) {
        std::string comp = std::move(todo.back());
        todo.pop_back();
        if (comp == ".")
            continue;
        if (comp == "..") {
            changed = true;
            if (!ends.empty()) {
                host.resize(ends.back());
                ends.pop_back();
            }
            continue;
        }
        ends.push_back(host.size());
        host += '/';
        host += comp;
        if (missing || (mode == WALK_ANY_NOLINK && todo.empty()))
            continue;
        struct stat st;
        if (lstat(host.c_str(), &st) != 0) {
            if (mode == WALK_EXISTING || errno != ENOENT)
                return false;
            missing = true;
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            if (++links > MAX_LINKS_FOLLOWED) {
                errno = ELOOP;
                return false;
            }
            char target[PATH_MAX];
            ssize_t n = readlink(host.c_str(), target, sizeof(target) - 1);
            if (n < 0)
                return false;
            target[n] = '\0';
            changed = true;
            host.resize(ends.back());
            ends.pop_back();
            if (target[0] == '/') {
                host.resize(root.size());
                ends.clear();
            }
            std::vector<std::string> parts;
            split_into(target, parts);
            for (auto it = parts.rbegin(); it != parts.rend(); ++it)
                todo.push_back(*it);
        } else if (!todo.empty() && !S_ISDIR(st.st_mode)) {
            errno = ENOTDIR;
            return false;
        }
    }
    if (host.size() == root.size())
        host += '/';
    return true;
}

// Resolves a device path inside the root and returns the device path reached.
bool resolve_in_root(const std::string &root, const std::string &device_path, std::string &result)
{
    std::string host;
    bool changed = false;
    if (!walk_in_root(root, device_path, WALK_EXISTING, host, changed))
        return false;
    result = host.size() == root.size() + 1 ? std::string("/") : host.substr(root.size());
    return true;
}

// The host path for `path` under the root `root`. A path without links or ".."
// maps by prefixing the root (as it stands, trailing slash and all); otherwise
// the walk's host path is used, so that a link with an absolute target (a
// device path) is followed inside the root rather than on the host. A path
// the walk cannot resolve (a loop of links, a component below a file) is only
// prefixed: the call made with it then fails as it would on the device.
std::string map_into_root(const std::string &root, const char *path, WalkMode mode)
{
    const std::string p(path);
    const char *env = getenv("DEVICE_ROOT");
    std::string prefixed = p;
    std::string device;
    if (has_prefix_dir(p, root))
        device = p.substr(root.size());
    else if (env && *env && has_prefix_dir(p, env))
        device = p.substr(strlen(env)); // mapped already, through the uncanonical spelling of the root
    else {
        prefixed = root + p;
        device = p;
    }
    std::string host;
    bool changed = false;
    if (!walk_in_root(root, device, mode, host, changed) || !changed)
        return prefixed;
    if (p.back() == '/' && host.back() != '/')
        host += '/';
    return host;
}

// The host path of a device path under the root (`mode` says whether a link
// as the last part is followed); unchanged without a root or when relative.
std::string host_path(const char *path, WalkMode mode)
{
    if (!path)
        return std::string();
    const std::string root = device_root();
    if (root.empty() || path[0] != '/')
        return path;
    return map_into_root(root, path, mode);
}

} // namespace

std::string dev_path(const char *path)
{
    return host_path(path, WALK_ANY);
}

std::string dev_path_nofollow(const char *path)
{
    return host_path(path, WALK_ANY_NOLINK);
}

char *dev_realpath(const char *path, char *out, size_t outsz)
{
    if (!path || !out || outsz < 2)
        return nullptr;
    const std::string root = device_root();
    std::string resolved;
    if (root.empty()) {
        char buf[PATH_MAX];
        if (!realpath(path, buf))
            return nullptr;
        resolved = buf;
    } else {
        std::string device;
        if (path[0] == '/') {
            device = dev_from_host(path);
        } else {
            char cwd[PATH_MAX];
            if (!getcwd(cwd, sizeof(cwd)))
                return nullptr;
            std::string dcwd = dev_from_host(cwd);
            if (dcwd == cwd && !has_prefix_dir(cwd, root)) {
                // Working outside the root: an ordinary host path.
                char buf[PATH_MAX];
                if (!realpath(path, buf))
                    return nullptr;
                resolved = buf;
            } else {
                device = dcwd + "/" + path;
            }
        }
        if (resolved.empty() && !resolve_in_root(root, device, resolved))
            return nullptr;
    }
    if (resolved.size() + 1 > outsz) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    memcpy(out, resolved.c_str(), resolved.size() + 1);
    return out;
}

FILE *dev_fopen(const char *path, const char *mode)
{
    return fopen(dev_path(path).c_str(), mode);
}

int dev_open(const char *path, int flags, int mode)
{
    return open(dev_path(path).c_str(), flags, mode);
}

DIR *dev_opendir(const char *path)
{
    return opendir(dev_path(path).c_str());
}

int dev_stat(const char *path, struct stat *st)
{
    return stat(dev_path(path).c_str(), st);
}

bool dev_entry_is_folder(const std::string &folder, const struct dirent *e)
{
    if (e->d_type == DT_DIR)
        return true;
    if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK)
        return false;
    struct stat st;
    return dev_stat_follow((folder + "/" + e->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int dev_lstat(const char *path, struct stat *st)
{
    return lstat(dev_path_nofollow(path).c_str(), st);
}

int dev_stat_follow(const char *path, struct stat *st)
{
    if (!path)
        return -1;
    char real[PATH_BUFFER_SIZE];
    if (path[0] != '/' && device_root_active() && dev_realpath(path, real, sizeof(real)))
        path = real;
    return dev_stat(path, st);
}

int dev_access(const char *path, int amode)
{
    return access(dev_path(path).c_str(), amode);
}

int dev_mkdir(const char *path, int mode)
{
    return mkdir(dev_path(path).c_str(), mode);
}

int dev_unlink(const char *path)
{
    return unlink(dev_path_nofollow(path).c_str());
}

int dev_rename(const char *from, const char *to)
{
    return rename(dev_path_nofollow(from).c_str(), dev_path_nofollow(to).c_str());
}

bool dev_exists(const char *path)
{
    return dev_access(path, F_OK) == 0;
}

bool dev_is_file(const char *path)
{
    struct stat st;
    return dev_stat(path, &st) == 0 && S_ISREG(st.st_mode);
}
