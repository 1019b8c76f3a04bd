// Crash-safe whole-file writing and reading through the device root.

#include "common/devroot.h"
#include "common/safefile.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<std::string> list_dir(const std::string &host_dir)
{
    std::vector<std::string> names;
    DIR *d = opendir(host_dir.c_str());
    if (!d)
        return names;
    while (struct dirent *e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    closedir(d);
    return names;
}

} // namespace

TEST(SafeFile, WritesExactBytesInsideTheRootAndLeavesNoTemporaryFile)
{
    TempRoot root;
    root.mkdirs("/mnt/mmc/CFW/retroarch");
    static const char raw[] = "line one\nline two\0with a zero byte\xff\xfe";
    const std::string data(raw, sizeof raw - 1);
    ASSERT_EQ(write_file_atomic("/mnt/mmc/CFW/retroarch/command.sh", data, 0755), 0);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/retroarch/command.sh"), data);
    struct stat st;
    ASSERT_EQ(stat(root.host("/mnt/mmc/CFW/retroarch/command.sh").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    EXPECT_EQ(list_dir(root.host("/mnt/mmc/CFW/retroarch")), std::vector<std::string>{"command.sh"});

    std::string back;
    ASSERT_EQ(read_file("/mnt/mmc/CFW/retroarch/command.sh", back), 0);
    EXPECT_EQ(back, data);
    // Replacing with an empty file is a valid write, not a failure.
    ASSERT_EQ(write_file_atomic("/mnt/mmc/CFW/retroarch/command.sh", std::string()), 0);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/retroarch/command.sh"), "");
}

TEST(SafeFile, ALinkedFileIsRewrittenWhereTheLinkPoints)
{
    TempRoot root;
    root.write("/mnt/SDCARD/shared/retroarch.cfg", "old\n");
    // The link's target is a device path: it resolves inside the root.
    root.symlink("/mnt/SDCARD/shared/retroarch.cfg", "/mnt/mmc/CFW/retroarch/retroarch.cfg");
    ASSERT_EQ(write_file_atomic("/mnt/mmc/CFW/retroarch/retroarch.cfg", std::string("new\n")), 0);
    struct stat st;
    ASSERT_EQ(lstat(root.host("/mnt/mmc/CFW/retroarch/retroarch.cfg").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(root.read("/mnt/SDCARD/shared/retroarch.cfg"), "new\n");
    EXPECT_EQ(list_dir(root.host("/mnt/SDCARD/shared")), std::vector<std::string>{"retroarch.cfg"});
    // A dangling link is simply replaced by the new file.
    root.symlink("/mnt/SDCARD/none/x.cfg", "/mnt/mmc/CFW/dangling.cfg");
    ASSERT_EQ(write_file_atomic("/mnt/mmc/CFW/dangling.cfg", std::string("data")), 0);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/dangling.cfg"), "data");
}

TEST(SafeFile, FailureLeavesTheOldFileUntouched)
{
    TempRoot root;
    root.write("/mnt/data/porta/porta_attr.ini", "old record");
    // The folder of the target is missing: nothing may be created or lost.
    EXPECT_EQ(write_file_atomic("/mnt/data/missing/porta_attr.ini", std::string("new")), -1);
    EXPECT_FALSE(root.exists("/mnt/data/missing"));
    // A read-only folder: the write fails and the old content stays (root ignores
    // permissions, so only check when the test does not run as root).
    if (geteuid() != 0) {
        chmod(root.host("/mnt/data/porta").c_str(), 0555);
        EXPECT_EQ(write_file_atomic("/mnt/data/porta/porta_attr.ini", std::string("new record")), -1);
        chmod(root.host("/mnt/data/porta").c_str(), 0755);
    }
    EXPECT_EQ(root.read("/mnt/data/porta/porta_attr.ini"), "old record");
    std::string out;
    EXPECT_EQ(read_file("/mnt/data/porta/none", out), -1);
    EXPECT_EQ(write_file_atomic(nullptr, static_cast<const void *>("x"), 1), -1);
}

// A writer process is killed at random moments while it keeps rewriting the
// same file with two different contents; every time, the file must hold one
// of them complete, never a mix or a truncation.
TEST(SafeFile, KilledWriterAlwaysLeavesOldOrNewContentComplete)
{
    TempRoot root;
    root.mkdirs("/mnt/mmc/CFW");
    const std::string a(150000, 'a');
    std::string b;
    for (int i = 0; i < 20000; i++)
        b += "b" + std::to_string(i % 10);
    const std::string original = "original content\n";
    ASSERT_EQ(write_file_atomic("/mnt/mmc/CFW/retroarch.cfg", original), 0);

    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> delay_us(0, 8000);
    const auto started = std::chrono::steady_clock::now();
    int kills = 0;
    for (int round = 0; round < 200; round++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (unsigned n = 0;; n++) {
                const std::string &c = (n + static_cast<unsigned>(round)) % 2 ? a : b;
                if (write_file_atomic("/mnt/mmc/CFW/retroarch.cfg", c) != 0)
                    _exit(3);
            }
        }
        usleep(static_cast<useconds_t>(delay_us(rng)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFSIGNALED(status))
            kills++;
        const std::string now = root.read("/mnt/mmc/CFW/retroarch.cfg");
        ASSERT_TRUE(now == a || now == b || now == original)
            << "round " << round << ": file holds " << now.size() << " bytes of a partial write";
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(kills, 200);
    printf("crash-write test: 200 kills in %.2f s\n", secs);

    // The kills leave temporary files beside the file; the next run, started
    // after them, removes every one.
    const size_t left = list_dir(root.host("/mnt/mmc/CFW")).size() - 1;
    printf("crash-write test: %zu temporary files left by the kills\n", left);
    EXPECT_GT(left, 0u);
    EXPECT_EQ(remove_stale_temp_files("/mnt/mmc/CFW/retroarch.cfg", timespec{time(nullptr) + 1, 0}),
              static_cast<int>(left));
    EXPECT_EQ(list_dir(root.host("/mnt/mmc/CFW")), std::vector<std::string>{"retroarch.cfg"});
}

TEST(SafeFile, OnlyOwnOlderTemporaryFilesAreRemoved)
{
    TempRoot root;
    root.write("/mnt/mmc/CFW/menu.flag", "home\n0");
    const std::vector<std::string> kept = {
        ".menu.flag.Young1",  // written during this run
        ".menu.flag.Ab3dE",   // five characters
        ".menu.flag.Ab3dE90", // seven
        ".menu.flag.Ab-dE9",  // not a letter or digit
        ".other.flag.Ab3dE9", // another file's
        "menu.flag.Ab3dE9",   // no leading dot
        "menu.flag",
    };
    const time_t start = time(nullptr);
    for (const std::string &name : kept)
        if (name != "menu.flag")
            root.write("/mnt/mmc/CFW/" + name, "x");
    root.write("/mnt/mmc/CFW/.menu.flag.Ab3dE9", "stale");
    root.write("/mnt/mmc/CFW/.menu.flag.zZ0099", "stale");
    root.mkdirs("/mnt/mmc/CFW/.menu.flag.Dir123");                            // a folder is never removed
    root.symlink("/mnt/mmc/CFW/menu.flag", "/mnt/mmc/CFW/.menu.flag.Lnk123"); // nor a link
    for (const std::string &name : list_dir(root.host("/mnt/mmc/CFW"))) {
        if (name == ".menu.flag.Young1")
            continue;
        struct timespec old[2] = {{start - 3600, 0}, {start - 3600, 0}};
        utimensat(AT_FDCWD, root.host("/mnt/mmc/CFW/" + name).c_str(), old, AT_SYMLINK_NOFOLLOW);
    }
    struct timespec young[2] = {{start + 5, 0}, {start + 5, 0}};
    utimensat(AT_FDCWD, root.host("/mnt/mmc/CFW/.menu.flag.Young1").c_str(), young, 0);

    EXPECT_EQ(remove_stale_temp_files("/mnt/mmc/CFW/menu.flag", timespec{start, 0}), 2);
    std::vector<std::string> now = list_dir(root.host("/mnt/mmc/CFW"));
    std::vector<std::string> expected = kept;
    expected.push_back(".menu.flag.Dir123");
    expected.push_back(".menu.flag.Lnk123");
    std::sort(now.begin(), now.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(now, expected);

    // A linked file is written beside its target: that is where they lie.
    root.write("/mnt/SDCARD/shared/retroarch.cfg", "cfg\n");
    root.symlink("/mnt/SDCARD/shared/retroarch.cfg", "/mnt/mmc/CFW/retroarch.cfg");
    root.write("/mnt/SDCARD/shared/.retroarch.cfg.QwErTy", "stale");
    EXPECT_EQ(remove_stale_temp_files("/mnt/mmc/CFW/retroarch.cfg", timespec{start + 3600, 0}), 1);
    EXPECT_EQ(list_dir(root.host("/mnt/SDCARD/shared")), std::vector<std::string>{"retroarch.cfg"});
    EXPECT_EQ(remove_stale_temp_files("/mnt/none/x.cfg", timespec{start, 0}), 0);
}

// A write cut short and the next start falling in the same second: the
// leftover is still older than the run, to the nanosecond, and goes.
TEST(SafeFile, TemporaryOfACutWriteInTheStartSecondIsRemoved)
{
    TempRoot root;
    root.write("/mnt/data/.history", "h");
    root.write("/mnt/data/..history.Cut123", "partial");
    root.write("/mnt/data/porta/joypad/.pad.cfg.Cut456", "partial");
    const time_t second = run_start_time().tv_sec;
    const struct timespec start = {second, 500000000};
    const struct timespec cut[2] = {{second, 200000000}, {second, 200000000}};
    const struct timespec young[2] = {{second, 800000000}, {second, 800000000}};
    root.write("/mnt/data/..history.Young1", "in progress");
    for (const char *name : {"/mnt/data/..history.Cut123", "/mnt/data/porta/joypad/.pad.cfg.Cut456"})
        ASSERT_EQ(utimensat(AT_FDCWD, root.host(name).c_str(), cut, 0), 0);
    ASSERT_EQ(utimensat(AT_FDCWD, root.host("/mnt/data/..history.Young1").c_str(), young, 0), 0);
    EXPECT_EQ(remove_stale_temp_files("/mnt/data/.history", start), 1);
    EXPECT_EQ(remove_stale_temp_files_in("/mnt/data/porta/joypad", ".cfg", start), 1);
    std::vector<std::string> left = list_dir(root.host("/mnt/data"));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"..history.Young1", ".history", "porta"}));
    EXPECT_TRUE(list_dir(root.host("/mnt/data/porta/joypad")).empty());
}
