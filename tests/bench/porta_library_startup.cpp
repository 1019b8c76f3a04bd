// Start-up of the launcher with a large game library: the time from entering
// porta_main to the first presented frame and the peak memory (RSS) of the
// process, with 100,000 game files spread over the built-in card's 17 system
// folders, with no games at all, and a plain listing of the same folders
// (opendir/readdir only) for scale. Every measurement runs in a child process
// of its own, so that its peak memory is its own (getrusage of the child).
//
//   bench_porta_library_startup [--games N] [--runs R]
//
// The sample device image is made once under the build tree's scratch folder
// (PORTA_SAMPLE_ROOT=DIR uses an existing one); the two roots are copies of it.
// Besides the wall-clock time, the CPU time (user + system, all threads) up to
// the same point is given: on a busy machine it is the steadier figure.

#include "porta/library/systems.h"
#include "porta/ui/loop.h"
#include "porta/ui/porta.h"
#include "porta/ui/screens.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point g_start;
double g_first_frame_ms = -1;
double g_cpu_start = 0;
double g_first_frame_cpu_ms = -1;

double cpu_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

void fill_frame(SDL_Surface *dst)
{
    SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 20, 26, 46));
}

// The loop reads the keys right after the first frame was presented.
uint32_t quit_after_first_frame(int player)
{
    if (player == 1 && g_first_frame_ms < 0) {
        g_first_frame_ms = std::chrono::duration<double, std::milli>(Clock::now() - g_start).count();
        g_first_frame_cpu_ms = cpu_ms() - g_cpu_start;
    }
    return player == 1 ? 0x100000u : 0u;
}

int sh(const std::string &cmd)
{
    int st = system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string sample_root()
{
    if (const char *env = getenv("PORTA_SAMPLE_ROOT"))
        return env;
    const std::string root = std::string(TEST_SCRATCH_DIR) + "/bench-porta-sample";
    if (access((root + "/.complete").c_str(), F_OK) != 0) {
        if (sh("rm -rf '" + root + "' && " + SOURCE_DIR + "/tools/make-sample-root '" + root +
               "' >/dev/null && touch '" + root + "/.complete'") != 0)
            return std::string();
    }
    return root;
}

// A copy of the sample with no porta games on either card, then `games` files
// over the built-in card's system folders.
bool make_root(const std::string &sample, const std::string &root, int games)
{
    if (sh("rm -rf '" + root + "' && cp -a '" + sample + "' '" + root + "'") != 0)
        return false;
    for (const SystemRow &row : system_table)
        for (const char *card : {"/mnt/mmc/", "/mnt/sdcard/"})
            sh("rm -rf '" + root + card + row.label + "' && mkdir -p '" + root + card + row.label + "'");
    static const char *const words[] = {"Thunder", "Dragon",  "Blade", "Galaxy", "Ninja",  "Cyber", "Turbo", "Shadow",
                                        "Knight",  "Warrior", "Racer", "Quest",  "Legend", "Squad", "Storm", "Saga",
                                        "Kingdom", "Island",  "Rally", "魔界村", "拳皇",   "Zone",  "Fury",  "Runner"};
    static const char *const tails[] = {" (USA)", " (Europe)", " (Japan)", " (World)", " [!]", "", " II", " 2"};
    std::mt19937 rng(100000);
    char name[256];
    for (int i = 0; i < games; i++) {
        const SystemRow &row = system_table[i % SYSTEM_COUNT];
        std::string ext(row.extensions, strcspn(row.extensions, "|"));
        snprintf(name, sizeof name, "%s/mnt/mmc/%s/%s %s %d%s.%s", root.c_str(), row.label, words[rng() % 24],
                 words[rng() % 24], i, tails[rng() % 8], ext.c_str());
        int fd = open(name, O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        close(fd);
    }
    // Not the first start: no logo, no CPU mode; the rooms screen first.
    sh("touch '" + root + "/tmp/boot.ini' && rm -f '" + root + "/tmp/gamedir.cfg' '" + root + "/tmp/gameplace.cfg'");
    return true;
}

struct Timing {
    double ms;
    double cpu_ms;
};
struct Result {
    double ms;
    double cpu_ms;
    long rss_kb;
};

// Runs `body` in a child; its times come back through a pipe.
Result in_child(Timing (*body)(const std::string &), const std::string &root)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {-1, -1, -1};
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Timing t = body(root);
        if (write(fds[1], &t, sizeof t) != sizeof t)
            _exit(2);
        _exit(0);
    }
    close(fds[1]);
    Timing t = {-1, -1};
    if (read(fds[0], &t, sizeof t) != sizeof t)
        t = {-1, -1};
    close(fds[0]);
    int status = 0;
    struct rusage ru;
    memset(&ru, 0, sizeof ru);
    wait4(pid, &status, 0, &ru);
    return {t.ms, t.cpu_ms, ru.ru_maxrss};
}

Timing start_porta(const std::string &root)
{
    setenv("DEVICE_ROOT", root.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unlink((root + "/tmp/gamedir.cfg").c_str());
    if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
        return {-1, -1};
    screen_table[SCREEN_ROOMS].draw = fill_frame;
    loop_hooks.player_keys = quit_after_first_frame;
    char arg0[] = "porta";
    char *argv[] = {arg0, nullptr};
    g_start = Clock::now();
    g_cpu_start = cpu_ms();
    if (porta_main(1, argv) != 0)
        return {-1, -1};
    return {g_first_frame_ms, g_first_frame_cpu_ms};
}

Timing list_folders(const std::string &root)
{
    auto t0 = Clock::now();
    const double c0 = cpu_ms();
    long n = 0;
    for (const SystemRow &row : system_table) {
        DIR *d = opendir((root + "/mnt/mmc/" + row.label).c_str());
        if (!d)
            continue;
        while (readdir(d))
            n++;
        closedir(d);
    }
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (n == 0)
        return {-1, -1};
    return {ms, cpu_ms() - c0};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int games = 100000, runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--games"))
            games = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--runs"))
            runs = atoi(argv[i + 1]);
    }
    const std::string sample = sample_root();
    if (sample.empty()) {
        fprintf(stderr, "no sample root\n");
        return 1;
    }
    const std::string none = std::string(TEST_SCRATCH_DIR) + "/bench-porta-none";
    const std::string many = std::string(TEST_SCRATCH_DIR) + "/bench-porta-many";
    if (!make_root(sample, none, 0) || !make_root(sample, many, games)) {
        fprintf(stderr, "cannot make the roots\n");
        return 1;
    }
    std::vector<double> t_none, t_many, t_list, c_none, c_many, c_list;
    long rss_none = 0, rss_many = 0, rss_list = 0;
    // Warm the caches once, then alternate.
    in_child(list_folders, many);
    in_child(start_porta, many);
    for (int r = 0; r < runs; r++) {
        Result a = in_child(start_porta, none);
        Result b = in_child(start_porta, many);
        Result c = in_child(list_folders, many);
        if (a.ms < 0 || b.ms < 0 || c.ms < 0) {
            fprintf(stderr, "a run failed\n");
            return 1;
        }
        t_none.push_back(a.ms);
        t_many.push_back(b.ms);
        t_list.push_back(c.ms);
        c_none.push_back(a.cpu_ms);
        c_many.push_back(b.cpu_ms);
        c_list.push_back(c.cpu_ms);
        rss_none = std::max(rss_none, a.rss_kb);
        rss_many = std::max(rss_many, b.rss_kb);
        rss_list = std::max(rss_list, c.rss_kb);
    }
    const double tn = median(t_none), tm = median(t_many), tl = median(t_list);
    const double cn = median(c_none), cm = median(c_many), cl = median(c_list);
    printf("porta start-up to the first frame, median of %d runs:\n", runs);
    printf("                          wall time    CPU time   peak RSS\n");
    printf("  no games               %8.1f ms %8.1f ms %7.1f MB\n", tn, cn, rss_none / 1024.0);
    printf("  %6d games           %8.1f ms %8.1f ms %7.1f MB\n", games, tm, cm, rss_many / 1024.0);
    printf("  readdir of the folders %8.1f ms %8.1f ms %7.1f MB\n", tl, cl, rss_list / 1024.0);
    printf("  the games cost %.1f ms wall = %.2f x the listing (CPU: %.1f ms = %.2f x);\n", tm - tn, (tm - tn) / tl,
           cm - cn, (cm - cn) / cl);
    printf("  the whole start-up with them is %.2f x the listing (CPU: %.2f x)\n", tm / tl, cm / cl);
    return 0;
}
