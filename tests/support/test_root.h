#pragma once

// A temporary device root for one test: a fresh folder under the build tree's
// scratch area, set as DEVICE_ROOT while the object lives and removed after.

#include <string>
#include <vector>

class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot &) = delete;
    TempRoot &operator=(const TempRoot &) = delete;

    const std::string &path() const { return path_; }
    // Host path of a device path inside this root.
    std::string host(const std::string &device_path) const { return path_ + device_path; }

    // Creates the device folder and its parents.
    void mkdirs(const std::string &device_dir) const;
    // Writes a file (parents created); `mode` as for chmod.
    void write(const std::string &device_path, const std::string &content, int mode = 0644) const;
    std::string read(const std::string &device_path) const;
    bool exists(const std::string &device_path) const;
    void symlink(const std::string &target, const std::string &device_link) const;

    // Puts a shell at `device_shell` (/bin/sh or /system/bin/sh) that appends
    // each command it is given to `device_log`, one per line, and exits with
    // `status`. When `run` is true it also runs the command with the host's sh
    // after recording it.
    void install_recording_shell(const std::string &device_shell, const std::string &device_log, int status = 0,
                                 bool run = false) const;
    // The commands recorded by such a shell, in order.
    std::vector<std::string> recorded(const std::string &device_log) const;

    // Copies the sample device image (tools/make-sample-root, generated once per
    // build tree and cached) into this root.
    void install_sample_image() const;

private:
    std::string path_;
    std::string old_env_;
    bool had_env_ = false;
};

// Removes a folder tree (no-op when it does not exist).
void remove_tree(const std::string &host_path);
// Runs a host command through /bin/sh; returns its exit status or -1.
int host_system(const std::string &cmd);
// Runs a host command through /bin/sh and returns its standard output; the
// exit status (or -1) goes to *status when given.
std::string host_capture(const std::string &cmd, int *status = nullptr);
// The whole content of a host file ("" when it cannot be read).
std::string slurp(const std::string &host_path);
