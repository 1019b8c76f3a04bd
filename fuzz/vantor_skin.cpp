// The skin file skin/settings.json, a language file lang/<name>.json and
// language.flag, all read line by line with substring searches: every reader
// over any bytes.

#include "fuzz_support.h"

#include <cstring>

#include "vantor/skin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::root();
    fuzz::write("/mnt/mmc/CFW/skin/settings.json", data, size);
    fuzz::write("/mnt/mmc/CFW/lang/Fuzz.json", data, size);
    fuzz::write("/mnt/mmc/CFW/language.flag", data, size);

    for (const char *key :
         {"color-guide", "color-active", "color-inactive", "color-favorite-active", "color-favorite-inactive", ""}) {
        const SDL_Color c = get_color(key);
        FUZZ_CHECK(c.unused == 0);
    }
    int margin = 16;
    const int alignment = get_text_alignment(&margin);
    FUZZ_CHECK(alignment >= 0 && alignment <= 2);
    const int main = get_main_menu_text_visibility();
    const int guide = get_guide_button_text_visibility();
    FUZZ_CHECK((main == 0 || main == 1) && (guide == 0 || guide == 1));

    static const char *const keys[] = {"font",
                                       "iso-code",
                                       "font-size",
                                       "button-guide-font-size",
                                       "title-label",
                                       "navigate-label",
                                       "empty-label",
                                       "am-label",
                                       "language-label",
                                       "label",
                                       ""};
    for (const char *key : keys) {
        static const char def[] = "default";
        const char *value = get_skin_setting("Fuzz", key, def);
        FUZZ_CHECK(value != nullptr);
        FUZZ_CHECK(value == def || strlen(value) < 4097);
        char label[LABEL_BUFFER_SIZE];
        copy_text(label, sizeof label, value);
        FUZZ_CHECK(strlen(label) < sizeof label);
    }
    FUZZ_CHECK(get_skin_setting("Missing", "font", nullptr) == nullptr);

    const char *language = get_language_setting();
    FUZZ_CHECK(language && strlen(language) < LABEL_BUFFER_SIZE);
    FUZZ_CHECK(strcmp(language, "English") == 0 ||
               fuzz::exists(std::string("/mnt/mmc/CFW/lang/") + language + ".json"));

    ItemList languages = nullptr;
    const int n = get_available_languages(&languages);
    FUZZ_CHECK(n == 1 && strcmp(languages[0], "Fuzz") == 0);
    destroy_items(n, &languages);
    return 0;
}
