// Start-up cost of the front end on the sample device image: from entering
// vantor_main to the first SDL_Flip (the frame hook runs right after it), with
// SDL's dummy video driver. Every iteration is a whole start: SDL, fonts, skin
// images, the MAME table, labels, the resume file and the first frame.
//
//   VANTOR_SAMPLE_ROOT=DIR  use an existing sample tree (else one is generated
//                           under the build tree's scratch folder).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <SDL/SDL.h>

#include "vantor/menu.h"
#include "vantor/vantor.h"

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point g_start;
double g_firstFlip = 0;

void quit_on_first_frame(MenuModel &)
{
    if (g_firstFlip == 0)
        g_firstFlip = std::chrono::duration<double>(Clock::now() - g_start).count();
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

std::string sample_root()
{
    if (const char *env = getenv("VANTOR_SAMPLE_ROOT"))
        return env;
    const std::string root = std::string(TEST_SCRATCH_DIR) + "/bench-sample-root";
    if (access((root + "/.complete").c_str(), F_OK) != 0) {
        const std::string cmd = "rm -rf '" + root + "' && " + SOURCE_DIR + "/tools/make-sample-root '" + root +
                                "' >/dev/null && touch '" + root + "/.complete'";
        if (system(cmd.c_str()) != 0)
            return std::string();
    }
    return root;
}

void BM_StartToFirstFlip(benchmark::State &state)
{
    const std::string root = sample_root();
    if (root.empty()) {
        state.SkipWithError("no sample root");
        return;
    }
    setenv("DEVICE_ROOT", root.c_str(), 1);
    if (!getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    const std::string cfw = root + "/mnt/mmc/CFW";
    if (chdir(cfw.c_str()) != 0) {
        state.SkipWithError("no /mnt/mmc/CFW in the sample root");
        return;
    }
    menu_frame_hook = quit_on_first_frame;
    char arg0[] = "vantor";
    char *argv[] = {arg0, nullptr};
    for (auto _ : state) {
        unlink((cfw + "/menu.flag").c_str());
        g_firstFlip = 0;
        g_start = Clock::now();
        vantor_main(1, argv);
        state.SetIterationTime(g_firstFlip);
    }
    menu_frame_hook = nullptr;
}

} // namespace

BENCHMARK(BM_StartToFirstFlip)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

BENCHMARK_MAIN();
