// config/coremapping.json: which folders are systems and which core plays an
// item, over any mapping text and item paths taken from it.

#include "fuzz_support.h"

#include <cstring>
#include <string>

#include "vantor/content.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool tree = false;
    if (!tree) {
        fuzz::root();
        fuzz::write("/mnt/mmc/Roms/GBA/a.gba", "rom");
        fuzz::write("/mnt/SDCARD/Roms/SFC/b.smc", "rom");
        fuzz::write("/mnt/mmc/Roms/SCUMMVM/Monkey/monkey.scummvm", "x");
        tree = true;
    }
    fuzz::write("/mnt/mmc/CFW/config/coremapping.json", data, size);
    const std::string text(reinterpret_cast<const char *>(data), size);

    // Names and paths: fixed ones and the text between the first quotes.
    std::string quoted;
    const size_t q1 = text.find('"');
    if (q1 != std::string::npos) {
        const size_t q2 = text.find('"', q1 + 1);
        if (q2 != std::string::npos)
            quoted = text.substr(q1 + 1, q2 - q1 - 1);
    }
    quoted = quoted.substr(0, strnlen(quoted.c_str(), quoted.size())); // a C string stops at a NUL
    for (const std::string &name : {std::string("GBA"), std::string("SFC"), quoted}) {
        const int rom = is_rom_folder(name.c_str());
        FUZZ_CHECK(rom == 0 || rom == 1);
        for (const std::string &path : {"/mnt/mmc/Roms/" + name + "/game.gba", "/mnt/SDCARD/" + name + "/x",
                                        "/mnt/mmc/Roms/" + name + "/Game/game.scummvm", name}) {
            const char *core = get_preferred_core(path.c_str());
            if (core) {
                FUZZ_CHECK(strncmp(core, CORES_FOLDER, strlen(CORES_FOLDER)) == 0);
                FUZZ_CHECK(strlen(core) < sizeof preferred_core.path);
            }
            FUZZ_CHECK(strlen(preferred_core.folder) < sizeof preferred_core.folder);
        }
    }
    ItemList folders = nullptr;
    const int n = get_folders(&folders);
    FUZZ_CHECK(n >= 0 && n <= 3);
    destroy_items(n, &folders);
    return 0;
}
