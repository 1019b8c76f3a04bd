#include "common/ttf_text.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <utf8proc.h>

namespace {

constexpr unsigned kReplacement = 0xFFFD;

// The characters of a text, as SDL_ttf is to see them (see ttf_valid_utf8).
std::vector<Uint16> decode(const char *text)
{
    std::vector<Uint16> out;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    while (*p) {
        const unsigned c = *p;
        unsigned cp = kReplacement;
        int need = 0;
        unsigned min = 0;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1F;
            need = 1;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0F;
            need = 2;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07;
            need = 3;
            min = 0x10000;
        } else {
            // A stray continuation byte or a byte no UTF-8 text holds.
            out.push_back(kReplacement);
            p++;
            continue;
        }
        p++;
        int got = 0;
        while (got < need && (*p & 0xC0) == 0x80) {
            cp = (cp << 6) | (*p & 0x3F);
            p++;
            got++;
        }
        if (got < need || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement); // cut, over-long or a surrogate
            continue;
        }
        if (cp == 0xFEFF || cp == 0xFFFE)
            continue;
        out.push_back(cp > 0xFFFF ? kReplacement : static_cast<Uint16>(cp));
    }
    return out;
}

std::string encode(const std::vector<Uint16> &cps)
{
    std::string out;
    for (Uint16 cp : cps)
        append_utf8(out, cp);
    return out;
}

struct Metrics {
    int minx = 0;
    int advance = 0;
    int maxy = 0;
    int index = 0; // glyph index, 0 when the font has no glyph for it
};

bool metrics(TTF_Font *font, Uint16 cp, Metrics &m)
{
    int maxx = 0, miny = 0;
    if (TTF_GlyphMetrics(font, cp, &m.minx, &maxx, &miny, &m.maxy, &m.advance) != 0)
        return false;
    m.index = TTF_GlyphIsProvided(font, cp);
    return true;
}

// The pen of SDL_ttf 2.0.11's blended, shaded and solid renderers, glyph by
// glyph: it starts at 0, moved right by the first glyph's negative left
// bearing; each glyph then advances it, and the kerning of a pair of glyphs
// the font has is added before the second one is drawn. A glyph is drawn from
// pen + its left bearing.
struct Pen {
    TTF_Font *font;
    bool kerning;
    long x = 0;
    long shift = 0;
    int prev = 0;
    bool first = true;

    explicit Pen(TTF_Font *f) : font(f), kerning(TTF_GetFontKerning(f) != 0) {}

    // The left edge the next glyph would be drawn at (relative to the surface).
    long leftEdge(const Metrics &m) const
    {
        if (first)
            return 0; // the first glyph is always moved inside
        long x2 = x;
        if (kerning && prev && m.index)
            x2 += TTF_GetFontKerningSize(font, prev, m.index);
        return shift + x2 + m.minx;
    }
    void place(const Metrics &m)
    {
        if (first) {
            if (m.minx < 0)
                shift = -m.minx;
            first = false;
        } else if (kerning && prev && m.index) {
            x += TTF_GetFontKerningSize(font, prev, m.index);
        }
        x += m.advance;
        prev = m.index;
    }
};

} // namespace

void append_utf8(std::string &out, unsigned cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string ttf_valid_utf8(const char *text)
{
    if (!text)
        return std::string();
    return encode(decode(text));
}

int ttf_left_overhang(TTF_Font *font, const char *text, bool heap_only)
{
    if (!font || !text)
        return 0;
    const std::vector<Uint16> cps = decode(text);
    const int ascent = TTF_FontAscent(font);
    Pen pen(font);
    long worst = 0;
    for (Uint16 cp : cps) {
        Metrics m;
        if (!metrics(font, cp, m))
            return -1;
        const long left = pen.leftEdge(m);
        if (left < 0 && -left > worst && (!heap_only || m.maxy >= ascent))
            worst = -left;
        pen.place(m);
    }
    return static_cast<int>(worst);
}

std::string ttf_safe_text(TTF_Font *font, const char *text)
{
    if (!text)
        return std::string();
    std::string valid = ttf_valid_utf8(text);
    if (!font || ttf_left_overhang(font, valid.c_str()) == 0)
        return valid;

    // Composed characters first: a letter followed by its marks becomes one
    // glyph wherever Unicode has one, so the marks are kept.
    std::vector<Uint16> cps;
    if (utf8proc_uint8_t *nfc = utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t *>(valid.c_str()))) {
        cps = decode(reinterpret_cast<const char *>(nfc));
        free(nfc);
    } else {
        cps = decode(valid.c_str());
    }
    // Then every glyph that would still start left of the surface is left out.
    std::vector<Uint16> kept;
    Pen pen(font);
    for (Uint16 cp : cps) {
        Metrics m;
        if (!metrics(font, cp, m) || pen.leftEdge(m) < 0)
            continue;
        pen.place(m);
        kept.push_back(cp);
    }
    return encode(kept);
}

SDL_Surface *ttf_render_blended(TTF_Font *font, const char *text, SDL_Color color)
{
    if (!font || !text || !*text)
        return nullptr;
    const std::string safe = ttf_safe_text(font, text);
    if (safe.empty())
        return nullptr;
    return TTF_RenderUTF8_Blended(font, safe.c_str(), color);
}

int ttf_size_text(TTF_Font *font, const char *text, int *w, int *h)
{
    if (w)
        *w = 0;
    if (h)
        *h = 0;
    if (!font || !text)
        return -1;
    const std::string safe = ttf_safe_text(font, text);
    return TTF_SizeUTF8(font, safe.c_str(), w, h) == 0 ? 0 : -1;
}
