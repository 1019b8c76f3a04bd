#include "test_root.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int rm_entry(const char *p, const struct stat *, int, struct FTW *)
{
    return remove(p);
}

void mkdirs_host(const std::string &dir)
{
    std::string cur;
    size_t i = 0;
    while (i <= dir.size()) {
        size_t j = dir.find('/', i);
        if (j == std::string::npos)
            j = dir.size();
        cur = dir.substr(0, j);
        if (!cur.empty())
            mkdir(cur.c_str(), 0755);
        i = j + 1;
    }
}

} // namespace

void remove_tree(const std::string &host_path)
{
    nftw(host_path.c_str(), rm_entry, 32, FTW_DEPTH | FTW_PHYS);
}

int host_system(const std::string &cmd)
{
    int st = system(cmd.c_str());
    if (st == -1 || !WIFEXITED(st))
        return -1;
    return WEXITSTATUS(st);
}

std::string host_capture(const std::string &cmd, int *status)
{
    std::string out;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) {
        if (status)
            *status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int st = pclose(p);
    if (status)
        *status = (st != -1 && WIFEXITED(st)) ? WEXITSTATUS(st) : -1;
    return out;
}

std::string slurp(const std::string &host_path)
{
    std::ifstream f(host_path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

TempRoot::TempRoot()
{
    std::string tmpl = std::string(TEST_SCRATCH_DIR) + "/root.XXXXXX";
    mkdirs_host(TEST_SCRATCH_DIR);
    char *p = mkdtemp(&tmpl[0]);
    if (!p)
        ADD_FAILURE() << "cannot make a temporary root under " << TEST_SCRATCH_DIR;
    path_ = tmpl;
    const char *old = getenv("DEVICE_ROOT");
    if (old) {
        had_env_ = true;
        old_env_ = old;
    }
    setenv("DEVICE_ROOT", path_.c_str(), 1);
    for (const char *d : {"/mnt", "/tmp", "/dev", "/sys", "/proc", "/misc", "/system", "/bin"})
        mkdirs(d);
}

TempRoot::~TempRoot()
{
    if (had_env_)
        setenv("DEVICE_ROOT", old_env_.c_str(), 1);
    else
        unsetenv("DEVICE_ROOT");
    if (!getenv("KEEP_TEST_ROOTS"))
        remove_tree(path_);
}

void TempRoot::mkdirs(const std::string &device_dir) const
{
    mkdirs_host(host(device_dir));
}

void TempRoot::write(const std::string &device_path, const std::string &content, int mode) const
{
    std::string h = host(device_path);
    mkdirs_host(h.substr(0, h.rfind('/')));
    std::ofstream f(h, std::ios::binary | std::ios::trunc);
    f << content;
    f.close();
    chmod(h.c_str(), static_cast<mode_t>(mode));
}

std::string TempRoot::read(const std::string &device_path) const
{
    return slurp(host(device_path));
}

bool TempRoot::exists(const std::string &device_path) const
{
    struct stat st;
    return lstat(host(device_path).c_str(), &st) == 0;
}

void TempRoot::symlink(const std::string &target, const std::string &device_link) const
{
    std::string h = host(device_link);
    mkdirs_host(h.substr(0, h.rfind('/')));
    if (::symlink(target.c_str(), h.c_str()) != 0)
        ADD_FAILURE() << "symlink " << h << ": " << strerror(errno);
}

void TempRoot::install_recording_shell(const std::string &device_shell, const std::string &device_log, int status,
                                       bool run) const
{
    std::string script =
        "#!/bin/sh\n"
        "# records: sh -c CMD\n"
        "printf '%s\\n' \"$2\" >> '" +
        host(device_log) + "'\n";
    if (run)
        script += "/bin/sh -c \"$2\"\n";
    script += "exit " + std::to_string(status) + "\n";
    write(device_shell, script, 0755);
}

std::vector<std::string> TempRoot::recorded(const std::string &device_log) const
{
    std::vector<std::string> lines;
    std::istringstream s(read(device_log));
    std::string line;
    while (std::getline(s, line))
        lines.push_back(line);
    return lines;
}

void TempRoot::install_sample_image() const
{
    // The image is generated once per build tree; a lock keeps parallel tests
    // from building it twice.
    const std::string cache = std::string(TEST_SCRATCH_DIR) + "/sample-image";
    const std::string lock = std::string(TEST_SCRATCH_DIR) + "/sample-image.lock";
    int fd = open(lock.c_str(), O_CREAT | O_RDWR, 0644);
    ASSERT_GE(fd, 0);
    flock(fd, LOCK_EX);
    // The image is made again when its scripts changed since.
    const std::string stamp = host_capture("cat '" + std::string(SOURCE_DIR) + "/tools/make-sample-root' '" +
                                           std::string(SOURCE_DIR) + "'/tools/sample/*.sh | md5sum");
    if (slurp(cache + "/.complete") != stamp || stamp.empty()) {
        remove_tree(cache);
        int rc = host_system(std::string(SOURCE_DIR) + "/tools/make-sample-root '" + cache + "' >/dev/null");
        if (rc == 0) {
            std::ofstream f(cache + "/.complete", std::ios::binary | std::ios::trunc);
            f << stamp;
        } else {
            ADD_FAILURE() << "tools/make-sample-root failed with " << rc;
        }
    }
    flock(fd, LOCK_UN);
    close(fd);
    host_system("cp -a '" + cache + "/.' '" + path_ + "/'");
    unlink((path_ + "/.complete").c_str());
}
