#pragma once

// The device-root file layer.
//
// On the handheld every path is used as it stands. On a development host the
// environment variable DEVICE_ROOT names a folder that stands in for the
// device's file system: every absolute device path (/mnt, /sys, /dev, /proc,
// /tmp, /misc, /system, /bin, ...) resolves inside that folder, while every
// path the programs store or write into a file stays the device path.
//
// Rules:
// - `dev_path` maps a device path to the host path to open. Relative paths are
//   left alone (they resolve against the working directory as usual); a path
//   that already lies inside the root is not mapped twice. Links on the way are
//   followed inside the root (an absolute link target is a device path), and
//   ".." never climbs above it; a path without either is the root prefixed.
// - `dev_realpath` resolves symlinks, "." and ".." inside the root (an absolute
//   symlink target is a device path, so it is mapped too) and returns the
//   device path; it never leaves the root.
// - `dev_from_host` turns a host path inside the root back into the device path.

#include <climits>
#include <cstddef>
#include <cstdio>
#include <string>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

// Size of a buffer that holds any path and its terminating NUL.
constexpr size_t PATH_BUFFER_SIZE = PATH_MAX + 1;

// The root folder without a trailing slash, or "" on the device (no DEVICE_ROOT).
// Read from the environment on every call, so tests may change it.
const char *device_root();
bool device_root_active();

// Host path for a device path (see the rules above).
std::string dev_path(const char *path);
inline std::string dev_path(const std::string &path)
{
    return dev_path(path.c_str());
}

// dev_path for a call that acts on a link named last in the path (lstat,
// unlink, rename), not on what it points to.
std::string dev_path_nofollow(const char *path);

// Device path for a host path; a path outside the root is returned unchanged.
std::string dev_from_host(const char *host_path);

// realpath() through the root. Fills `out` (size `outsz`, at least 2) with the
// device path and returns `out`, or returns nullptr when the path does not
// exist or does not fit.
char *dev_realpath(const char *path, char *out, size_t outsz);

// Thin wrappers that map the path first. dev_lstat, dev_unlink and dev_rename
// act on a link named last in the path, not on what it points to.
FILE *dev_fopen(const char *path, const char *mode);
int dev_open(const char *path, int flags, int mode = 0);
DIR *dev_opendir(const char *path);
int dev_stat(const char *path, struct stat *st);
int dev_lstat(const char *path, struct stat *st);
// stat() for a path that may also be relative to a working directory inside the
// root: the links in it are followed inside the root, as dev_path does for an
// absolute path. Returns 0 or -1.
int dev_stat_follow(const char *path, struct stat *st);
int dev_access(const char *path, int amode);
int dev_mkdir(const char *path, int mode);
int dev_unlink(const char *path);
int dev_rename(const char *from, const char *to);
bool dev_exists(const char *path);
// Whether the path names a regular file (after symlinks), not a folder or device.
bool dev_is_file(const char *path);
// Whether entry `e` of the listing of `folder` (a device path, or a host path
// inside the root) is a folder: the type the listing gives, else stat's answer
// (following symlinks) where the file system leaves the type unknown or the
// entry is a link.
bool dev_entry_is_folder(const std::string &folder, const struct dirent *e);
