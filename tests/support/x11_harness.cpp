#include "x11_harness.h"

#include "common/shell.h"
#include "test_root.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

extern char **environ;

namespace {

long now_ms()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

} // namespace

XServer::XServer(int width, int height)
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        std::string fd = std::to_string(fds[1]);
        std::string geom = std::to_string(width) + "x" + std::to_string(height) + "x24";
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", geom.c_str(), "-nolisten", "tcp", "-noreset",
               static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    // Xvfb writes the display number it chose once it is ready.
    std::string num;
    struct pollfd p = {fds[0], POLLIN, 0};
    long deadline = now_ms() + 15000;
    while (now_ms() < deadline) {
        int r = poll(&p, 1, 200);
        if (r > 0) {
            char c;
            ssize_t n = read(fds[0], &c, 1);
            if (n <= 0)
                break;
            if (c == '\n')
                break;
            num += c;
        }
    }
    close(fds[0]);
    if (!num.empty())
        display_ = ":" + num;
}

XServer::~XServer()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (wait_program(pid_, 5000) == -1)
            waitpid(pid_, nullptr, 0);
    }
}

pid_t start_program(const std::string &binary, const std::vector<std::string> &args,
                    const std::vector<std::string> &env, const std::string &cwd, const std::string &output_file)
{
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    // Its own process group, so that a time-out also ends whatever it started.
    setpgid(0, 0);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0)
        _exit(126);
    for (const std::string &e : env) {
        size_t eq = e.find('=');
        if (eq != std::string::npos)
            setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    if (!output_file.empty()) {
        int fd = open(output_file.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
    }
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(binary.c_str()));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
}

int wait_program(pid_t pid, int timeout_ms)
{
    long deadline = now_ms() + timeout_ms;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            if (WIFEXITED(status))
                return WEXITSTATUS(status);
            return -2;
        }
        if (r < 0 && errno != EINTR)
            return -2;
        if (now_ms() >= deadline) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(10000);
    }
}

std::string run_with_display(const std::string &display, const std::string &cmd, int *status)
{
    return host_capture("DISPLAY=" + display + " " + cmd + " 2>/dev/null", status);
}

std::string find_window(const std::string &display, const std::string &caption, int timeout_ms)
{
    long deadline = now_ms() + timeout_ms;
    do {
        std::string out = run_with_display(display, "xdotool search --name " + shell_quote("^" + caption + "$"));
        size_t nl = out.find('\n');
        if (nl != std::string::npos && nl > 0)
            return out.substr(0, nl);
        usleep(50000);
    } while (now_ms() < deadline);
    return std::string();
}

bool send_keys(const std::string &display, const std::string &window, const std::vector<std::string> &keys,
               int delay_ms)
{
    int st = 0;
    run_with_display(display, "xdotool windowfocus --sync " + window, &st);
    if (st != 0)
        return false;
    for (const std::string &k : keys) {
        run_with_display(display, "xdotool key " + shell_quote(k), &st);
        if (st != 0)
            return false;
        usleep(static_cast<useconds_t>(delay_ms) * 1000);
    }
    return true;
}

bool key_down(const std::string &display, const std::string &window, const std::string &key)
{
    int st = 0;
    run_with_display(display, "xdotool windowfocus --sync " + window + " keydown " + shell_quote(key), &st);
    return st == 0;
}

bool key_up(const std::string &display, const std::string &window, const std::string &key)
{
    int st = 0;
    run_with_display(display, "xdotool windowfocus --sync " + window + " keyup " + shell_quote(key), &st);
    return st == 0;
}

bool close_window(const std::string &display, const std::string &window)
{
    // What a window manager does when the user clicks the close button: a
    // WM_DELETE_WINDOW message through the WM_PROTOCOLS client message.
    Display *d = XOpenDisplay(display.c_str());
    if (!d)
        return false;
    Window w = static_cast<Window>(strtoul(window.c_str(), nullptr, 10));
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    Status ok = XSendEvent(d, w, False, NoEventMask, &ev);
    XSync(d, False);
    XCloseDisplay(d);
    return ok != 0;
}

bool screenshot(const std::string &display, const std::string &png_path)
{
    int st = 0;
    run_with_display(display, "import -window root " + shell_quote(png_path), &st);
    return st == 0;
}
