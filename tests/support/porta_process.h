// The built porta running on a device root, for whole-program tests: started
// with the root as DEVICE_ROOT and as its working folder, SDL's audio off and
// its output in /porta.out of the root (unless `log` names another file).
#pragma once

#include "test_root.h"
#include "x11_harness.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

// `video` is SDL's video driver; `env` adds to the environment. The pid, or -1.
inline pid_t start_porta(const TempRoot &root, const std::string &video = "dummy",
                         const std::vector<std::string> &env = {}, const std::string &log = "")
{
    std::vector<std::string> all = {"DEVICE_ROOT=" + root.path(), "SDL_VIDEODRIVER=" + video, "SDL_AUDIODRIVER=dummy"};
    all.insert(all.end(), env.begin(), env.end());
    return start_program(std::string(BIN_DIR) + "/porta", {}, all, root.path(),
                         log.empty() ? root.host("/porta.out") : log);
}

// Waits up to `ms` for `text` in porta's output (/porta.out of the root).
inline bool wait_porta_output(const TempRoot &root, const std::string &text, int ms = 10000)
{
    for (int waited = 0; waited < ms; waited += 50) {
        if (root.read("/porta.out").find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}
