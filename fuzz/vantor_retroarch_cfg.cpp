// The rewrite of retroarch.cfg before a launch: any retroarch.cfg and
// volume.cfg. The first byte chooses where the input splits into the two
// files and the card and switches of the rewrite.

#include "fuzz_support.h"

#include <string>
#include <vector>

#include "vantor/launch.h"

namespace {

const char CFG[] = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
const char VOLUME[] = "/mnt/mmc/CFW/retroarch/.retroarch/volume.cfg";

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::root();
    const uint8_t control = data[0];
    const std::string rest(reinterpret_cast<const char *>(data + 1), size - 1);
    const size_t split = rest.size() * (control & 0x1F) / 31;
    fuzz::write(CFG, rest.substr(0, split));
    fuzz::write(VOLUME, rest.substr(split));
    const int card = (control & 0x20) ? CARD_REMOVABLE : CARD_INTERNAL;
    FUZZ_CHECK(write_retroarch_config(card, (control & 0x40) != 0, (control & 0x80) != 0) == 0);

    // The kept lines hold none of the rewritten keys; the nine key lines
    // follow them, in order, for the card.
    static const char *const keys[] = {
        "system_directory =",          "savefile_directory =",   "savestate_directory =",
        "content_history_directory =", "content_history_path =", "screenshot_directory =",
        "savestate_auto_load =",       "config_save_on_exit =",  "remap_save_on_exit ="};
    const std::vector<std::string> out = lines(fuzz::read(CFG));
    size_t at = 0;
    while (at < out.size() && out[at].rfind("system_directory = \"/mnt/", 0) != 0) {
        for (const char *key : keys)
            FUZZ_CHECK(out[at].find(key) == std::string::npos);
        FUZZ_CHECK(out[at].find("audio_volume =") == std::string::npos);
        at++;
    }
    FUZZ_CHECK(at + 9 <= out.size());
    const std::string word = card == CARD_REMOVABLE ? "SDCARD" : "mmc";
    FUZZ_CHECK(out[at] == "system_directory = \"/mnt/" + word + "/BIOS\"");
    for (int k = 0; k < 9; k++)
        FUZZ_CHECK(out[at + k].rfind(keys[k], 0) == 0);
    FUZZ_CHECK(out[at + 6] == std::string("savestate_auto_load = \"") + ((control & 0x40) ? "true" : "false") + "\"");
    return 0;
}
