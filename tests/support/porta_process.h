// The built porta running on a device root, for whole-program tests: started
// with the root as DEVICE_ROOT and as its working folder, SDL's audio off and
// its output in /porta.out of the root (unless `log` names another file).
#pragma once

#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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

// Waits up to 20 s for the switch of the CPU to full speed that porta asks
// its shell for just before its main loop, then 1.2 s for the loop to settle.
inline bool wait_porta_main_loop(const TempRoot &root)
{
    bool late = false;
    for (int i = 0; i < 400 && !late; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const std::string &c : root.recorded("/tmp/shell.log"))
            late = late || c == "/system/porta/cpu_setting.sh  full";
    }
    if (late)
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    return late;
}

// The built porta on the sample image, driven through the keypad's event
// node (open read-write, so that writing never waits for the reader).
class PortaProcessTest : public testing::Test {
protected:
    TempRoot root;
    int keys = -1;
    pid_t pid = -1;

    void SetUp() override
    {
        root.install_sample_image();
        keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
        ASSERT_GE(keys, 0);
    }
    // Stops porta when it still runs (SIGINT, then up to `ms`) and closes
    // the keypad.
    void stop_porta(int ms)
    {
        if (pid > 0) {
            kill(pid, SIGINT);
            wait_program(pid, ms);
        }
        close(keys);
    }
    // Starts porta and waits for its start-up message, then 300 ms.
    void start()
    {
        unlink(root.host("/porta.out").c_str());
        pid = start_porta(root);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(wait_porta_output(root, "----- init_my_system ---ok\n", 20000)) << root.read("/porta.out");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
};
