// Content sources at library sizes: the MAME table, a large system folder,
// the Consoles scan over two cards and a long favourites playlist.

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "test_root.h"
#include "vantor/content.h"

namespace {

// One device root for the whole run, the working directory at /mnt/mmc/CFW.
struct BenchRoot {
    TempRoot root;
    BenchRoot()
    {
        root.mkdirs("/mnt/mmc/CFW/config");
        std::string csv;
        for (int i = 0; i < 40000; i++)
            csv += "set" + std::to_string(i) + ",Arcade Title Number " + std::to_string(i) + " (Maker " +
                   std::to_string(1980 + i % 30) + ")\n";
        root.write("/mnt/mmc/CFW/config/mame.csv", csv);

        std::string mapping = "{\n";
        for (int s = 0; s < 40; s++)
            mapping += "  \"SYS" + std::to_string(s) + "\": \"core" + std::to_string(s) + "_libretro.so\",\n";
        mapping += "  \"BIG\": \"big_libretro.so\"\n}\n";
        root.write("/mnt/mmc/CFW/config/coremapping.json", mapping);

        // 40 systems spread over both cards (Roms folders and card roots), a
        // few files each, plus unmapped folders.
        for (int s = 0; s < 40; s++) {
            const char *place = s % 4 == 0   ? "/mnt/mmc/Roms"
                                : s % 4 == 1 ? "/mnt/SDCARD/Roms"
                                : s % 4 == 2 ? "/mnt/mmc"
                                             : "/mnt/SDCARD";
            for (int g = 0; g < 5; g++)
                root.write(std::string(place) + "/SYS" + std::to_string(s) + "/game" + std::to_string(g) + ".bin", "x");
            root.write(std::string(place) + "/Other" + std::to_string(s) + "/file.txt", "x");
        }

        root.mkdirs("/mnt/SDCARD/BIG");
        for (int i = 0; i < 10000; i++) {
            FILE *f = fopen(root.host("/mnt/SDCARD/BIG/Game Title " + std::to_string(i) + " (USA).bin").c_str(), "w");
            if (f)
                fclose(f);
        }

        std::string lpl =
            "{\n  \"version\": \"1.5\",\n  \"default_core_path\": \"\",\n  \"default_core_name\": \"\",\n"
            "  \"label_display_mode\": 0,\n  \"right_thumbnail_mode\": 0,\n  \"left_thumbnail_mode\": 0,\n"
            "  \"sort_mode\": 0,\n  \"items\": [\n";
        for (int i = 0; i < 500; i++) {
            lpl += "    {\n      \"path\": \"/mnt/SDCARD/BIG/Game Title " + std::to_string(i * 20) +
                   " (USA).bin\",\n"
                   "      \"label\": \"Game Title " +
                   std::to_string(i * 20) +
                   "\",\n"
                   "      \"core_path\": \"/mnt/mmc/CFW/retroarch/.retroarch/cores/big_libretro.so\",\n"
                   "      \"core_name\": \"Big\",\n      \"crc32\": \"DETECT\",\n      \"db_name\": \"BIG.lpl\"\n"
                   "    }" +
                   std::string(i + 1 < 500 ? ",\n" : "\n");
        }
        lpl += "  ]\n}\n";
        root.write("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl", lpl);

        if (chdir(root.host("/mnt/mmc/CFW").c_str()) != 0)
            perror("chdir");
    }
};

BenchRoot &bench_root()
{
    static BenchRoot r;
    return r;
}

void BM_LoadMameTable40000(benchmark::State &state)
{
    bench_root();
    for (auto _ : state) {
        load_mame_game_name_table();
        benchmark::DoNotOptimize(mame_titles.count);
        destroy_mame_game_name_table();
    }
}
BENCHMARK(BM_LoadMameTable40000)->Unit(benchmark::kMillisecond);

void BM_MameLookupEightRows(benchmark::State &state)
{
    bench_root();
    load_mame_game_name_table();
    int i = 0;
    for (auto _ : state) {
        for (int r = 0; r < 8; r++)
            benchmark::DoNotOptimize(get_mame_game_name(("set" + std::to_string((i * 8 + r) % 40000)).c_str()));
        i++;
    }
    destroy_mame_game_name_table();
}
BENCHMARK(BM_MameLookupEightRows)->Unit(benchmark::kMicrosecond);

void BM_GetFiles10000(benchmark::State &state)
{
    bench_root();
    for (auto _ : state) {
        ItemList items = nullptr;
        const int n = get_files("/mnt/SDCARD/BIG", &items);
        if (n != 10000)
            state.SkipWithError("wrong file count");
        destroy_items(n, &items);
    }
}
BENCHMARK(BM_GetFiles10000)->Unit(benchmark::kMillisecond);

void BM_GetFoldersTwoCards40Systems(benchmark::State &state)
{
    bench_root();
    for (auto _ : state) {
        ItemList items = nullptr;
        const int n = get_folders(&items);
        if (n != 41)
            state.SkipWithError("wrong folder count");
        destroy_items(n, &items);
    }
}
BENCHMARK(BM_GetFoldersTwoCards40Systems)->Unit(benchmark::kMillisecond);

void BM_GetFavorites500(benchmark::State &state)
{
    bench_root();
    for (auto _ : state) {
        ItemList items = nullptr;
        const int n = get_favorites(&items);
        if (n != 500)
            state.SkipWithError("wrong favourite count");
        destroy_items(n, &items);
    }
}
BENCHMARK(BM_GetFavorites500)->Unit(benchmark::kMillisecond);

// The row colours ask once per visible row on every re-render.
void BM_IsFavoritedEightRows500(benchmark::State &state)
{
    bench_root();
    for (auto _ : state) {
        for (int r = 0; r < 8; r++)
            benchmark::DoNotOptimize(is_favorited("/mnt/SDCARD/BIG/Game Title 9999 (USA).bin"));
    }
}
BENCHMARK(BM_IsFavoritedEightRows500)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
