#include "common/shell.h"

#include "common/devroot.h"

#include <cerrno>
#include <cstdio>

#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

int run_shell(const char *shell, const char *cmd)
{
    if (!shell || !cmd)
        return -1;
    const std::string host_shell = dev_path(shell);
    if (access(host_shell.c_str(), X_OK) != 0)
        return -1;
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        execl(host_shell.c_str(), "sh", "-c", cmd, static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return -1;
}

std::string shell_quote(const std::string &s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += "'";
    return out;
}

int set_system_time(time_t t)
{
    if (device_root_active()) {
        std::string log = std::string(device_root()) + "/.clock-requests";
        FILE *f = fopen(log.c_str(), "a");
        if (!f)
            return -1;
        fprintf(f, "%lld\n", static_cast<long long>(t));
        return fclose(f) == 0 ? 0 : -1;
    }
    struct timeval tv;
    tv.tv_sec = t;
    tv.tv_usec = 0;
    return settimeofday(&tv, nullptr);
}
