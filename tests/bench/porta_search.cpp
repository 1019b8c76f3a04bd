// The search room with a large library: the time from a typed character to
// the results being ready (search_run over both cards' 34 lists), with
// 100,000 games, 50,000 on each card, for one, two and five typed
// characters, in both match modes (initials: simplified Chinese UI; names:
// English UI), in two cases:
//   typing  - the texts "k", "ko", "kof 9" (names) or "q", "qh", "qh  1"
//             (initials): common starts fill the 100 results early;
//   nomatch - a text no game holds, starting with a common character: every
//             game of both cards is looked at (the worst keystroke).
// and the cost of making the search keys of 100,000 game names
// (BM_NameInitials: English, simplified and traditional Chinese titles).
//
//   bench_porta_search [benchmark options]
//
// The game folders are made once under the build tree's scratch folder
// (bench-porta-search) and scanned as start-up does.

#include <benchmark/benchmark.h>

#include "porta/base/attr.h"
#include "porta/base/text.h"
#include "porta/library/gamelist.h"
#include "porta/library/search.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int kGames = 100000;

int sh(const std::string &cmd)
{
    return system(cmd.c_str());
}

// Random titles of English words, Chinese words, numbers and region tags.
bool make_root(const std::string &root)
{
    if (access((root + "/.complete").c_str(), F_OK) == 0)
        return true;
    if (sh("rm -rf '" + root + "'") != 0)
        return false;
    static const char *const words[] = {
        "Thunder", "Dragon", "Blade",  "Galaxy", "Ninja", "Cyber",  "Turbo",    "Shadow",   "Knight",   "Warrior",
        "Racer",   "Quest",  "Legend", "Squad",  "Storm", "Saga",   "Kingdom",  "Island",   "Rally",    "Zone",
        "Fury",    "Runner", "KOF",    "魔界村", "拳皇",  "三国志", "街头霸王", "合金弹头", "吞食天地", "中国"};
    static const char *const tails[] = {" (USA)", " (Europe)", " (Japan)", " (World)", " [!]", "", " II", " 2"};
    std::mt19937 rng(16);
    char name[512];
    for (const char *card : {"/mnt/mmc/", "/mnt/sdcard/"})
        for (const SystemRow &row : system_table)
            if (sh("mkdir -p '" + root + card + row.label + "'") != 0)
                return false;
    const int nwords = sizeof(words) / sizeof(words[0]);
    for (int i = 0; i < kGames; i++) {
        const char *card = i % 2 ? "/mnt/sdcard/" : "/mnt/mmc/";
        const SystemRow &row = system_table[(i / 2) % SYSTEM_COUNT];
        std::string ext(row.extensions, strcspn(row.extensions, "|"));
        snprintf(name, sizeof name, "%s%s%s/%s %s %d%s.%s", root.c_str(), card, row.label, words[rng() % nwords],
                 words[rng() % nwords], i, tails[rng() % 8], ext.c_str());
        int fd = open(name, O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        close(fd);
    }
    return sh("touch '" + root + "/.complete'") == 0;
}

bool g_ready = false;

bool load_library(void)
{
    if (g_ready)
        return true;
    const std::string root = std::string(TEST_SCRATCH_DIR) + "/bench-porta-search";
    if (!make_root(root))
        return false;
    setenv("DEVICE_ROOT", root.c_str(), 1);
    scan_card_lists(CARD_MMC, 0);
    scan_card_lists(CARD_TF, 0);
    int total = 0;
    for (int s = 0; s < SYSTEM_COUNT; s++)
        total += mmc_lists[s].count + tf_lists[s].count;
    g_ready = total == kGames;
    return g_ready;
}

// [mode][case][length 1, 2, 5]
const char *const kTexts[2][2][3] = {
    // initials (language 0)
    {{"q", "qh", "qh  1"}, {";", " ;", "1 ;?;"}},
    // names (language 2)
    {{"k", "ko", "kof 9"}, {";", "e;", "der;?"}},
};

// args: mode (0 initials, 1 names), case (0 typing, 1 nomatch), typed length (1, 2, 5)
void BM_SearchKeystroke(benchmark::State &state)
{
    if (!load_library()) {
        state.SkipWithError("the game folders could not be made or scanned");
        return;
    }
    const int mode = static_cast<int>(state.range(0));
    const int kind = static_cast<int>(state.range(1));
    const int len = static_cast<int>(state.range(2));
    const char *text = kTexts[mode][kind][len == 1 ? 0 : len == 2 ? 1 : 2];
    attr_set_defaults(&global_attr);
    global_attr.language = mode == 0 ? 0 : 2;
    search_clear();
    snprintf(search_state.text, sizeof(search_state.text), "%s", text);
    search_state.length = static_cast<int>(strlen(text));
    int count = 0;
    for (auto _ : state) {
        count = search_run();
        benchmark::DoNotOptimize(count);
    }
    state.counters["results"] = count;
    state.SetLabel(std::string("\"") + text + "\"");
}
BENCHMARK(BM_SearchKeystroke)
    ->ArgNames({"names", "nomatch", "typed"})
    ->ArgsProduct({{0, 1}, {0, 1}, {1, 2, 5}})
    ->Unit(benchmark::kMillisecond);

// One iteration keys 100,000 shown names the way a scan of both cards does.
void BM_NameInitials(benchmark::State &state)
{
    static const char *const words[] = {"Thunder",  "Dragon",   "Blade",      "Galaxy",  "Ninja",  "Cyber",
                                        "Turbo",    "Shadow",   "KOF",        "魔界村",  "拳皇",   "三国志",
                                        "街头霸王", "合金弹头", "吞食天地",   "三國志",  "軒轅劍", "灌籃高手",
                                        "鐵鉤船長", "合金彈頭", "勇者鬥惡龍", "雷霆战机"};
    const int nwords = sizeof(words) / sizeof(words[0]);
    std::mt19937 rng(27);
    std::vector<std::string> names(kGames);
    for (int i = 0; i < kGames; i++)
        names[i] = std::string(words[rng() % nwords]) + " " + words[rng() % nwords] + " " + std::to_string(i);
    for (auto _ : state) {
        for (const std::string &name : names) {
            char key[32] = {0};
            benchmark::DoNotOptimize(name_initials(name.c_str(), key, sizeof key));
            benchmark::DoNotOptimize(key);
        }
    }
    state.counters["names"] = kGames;
}
BENCHMARK(BM_NameInitials)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
