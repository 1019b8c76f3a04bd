// Texts for SDL_ttf 2.0.11: whatever the bytes, the cleaned text is valid
// UTF-8 of the characters SDL_ttf decodes as they are, the safe text has no
// glyph left of its surface, both are stable, an ordinary text is unchanged,
// and the safe text is drawn by SDL_ttf (AddressSanitizer watches the heap).
// The first byte picks the font and size.

#include "fuzz_support.h"

#include <string>

#include <utf8proc.h>

#include "common/ttf_text.h"

namespace {

struct FontChoice {
    const char *path;
    int size;
};
const FontChoice kFonts[] = {
    {"/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf", 24},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf", 13},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf", 32},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf", 18},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 26},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12},
    {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 26},
    {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 16},
};
constexpr int kFontCount = sizeof kFonts / sizeof kFonts[0];

TTF_Font *font(int i)
{
    static TTF_Font *fonts[kFontCount] = {};
    if (!fonts[i]) {
        if (!TTF_WasInit())
            FUZZ_CHECK(TTF_Init() == 0);
        fonts[i] = TTF_OpenFont(kFonts[i].path, kFonts[i].size);
        FUZZ_CHECK(fonts[i] != nullptr);
    }
    return fonts[i];
}

// Valid UTF-8 of characters up to U+FFFF, without the byte-order marks.
bool plain(const std::string &s)
{
    const utf8proc_uint8_t *p = reinterpret_cast<const utf8proc_uint8_t *>(s.data());
    utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(s.size());
    while (left > 0) {
        utf8proc_int32_t cp;
        const utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
        if (n <= 0 || cp == 0 || cp > 0xFFFF || cp == 0xFEFF || cp == 0xFFFE)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    TTF_Font *f = font(data[0] % kFontCount);
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    text = text.substr(0, text.find('\0')); // what a C string holds

    const std::string valid = ttf_valid_utf8(text.c_str());
    FUZZ_CHECK(plain(valid));
    FUZZ_CHECK(ttf_valid_utf8(valid.c_str()) == valid);
    if (plain(text))
        FUZZ_CHECK(valid == text);

    const std::string safe = ttf_safe_text(f, text.c_str());
    FUZZ_CHECK(plain(safe));
    FUZZ_CHECK(ttf_left_overhang(f, safe.c_str()) == 0);
    FUZZ_CHECK(ttf_safe_text(f, safe.c_str()) == safe);
    if (ttf_left_overhang(f, valid.c_str()) == 0)
        FUZZ_CHECK(safe == valid);

    const SDL_Color white = {255, 255, 255, 0};
    if (!safe.empty()) {
        SDL_Surface *s = TTF_RenderUTF8_Blended(f, safe.c_str(), white);
        int w = 0, h = 0;
        FUZZ_CHECK(ttf_size_text(f, text.c_str(), &w, &h) == 0);
        if (s) {
            FUZZ_CHECK(s->w == w);
            SDL_FreeSurface(s);
        }
    }
    return 0;
}
