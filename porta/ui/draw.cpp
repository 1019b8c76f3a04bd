#include "porta/ui/draw.h"

#include "common/devroot.h"
#include "common/ttf_text.h"
#include "porta/base/text.h"

#include <cstdio>
#include <cstring>
#include <list>
#include <string>
#include <unordered_map>

#include <SDL/SDL_image.h>

namespace {

// Printed texts: the firmware's logs and the tests rely on their exact bytes
// (and on LOAD_FAILED_TEXT of draw.h).
constexpr const char *FONT_MISSING_TEXT = "get ui font return NULL";
constexpr const char *PNG_CUT_SHORT_REASON = "PNG data ends early";

const int ui_font_points[UI_FONT_COUNT] = {16, 18, 22, 24, 28};

// ---- pictures ------------------------------------------------------------

// Whether a file that begins like a PNG holds its chunks whole up to the end
// chunk. The PNG reader does not notice a file that ends early: it goes on
// reading stale bytes as chunks and may never return, so such a file is
// refused before it is decoded. Only the chunk headers are read.
bool png_cut_short(FILE *f)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    uint8_t head[8];
    if (fread(head, 1, sizeof head, f) != sizeof head || memcmp(head, signature, sizeof head) != 0)
        return false;
    for (;;) {
        if (fread(head, 1, sizeof head, f) != sizeof head)
            return true;
        const uint32_t length = static_cast<uint32_t>(head[0]) << 24 | static_cast<uint32_t>(head[1]) << 16 |
                                static_cast<uint32_t>(head[2]) << 8 | head[3];
        if (length > 0x7ffffff0u) // no picture has a chunk near 2 GiB; the seek below stays in range
            return true;
        if (memcmp(head + 4, "IEND", 4) == 0)
            return false;
        // The chunk's data and check sum, then the next header; reading the
        // check sum's last byte shows whether the file holds them.
        if (fseek(f, static_cast<long>(length) + 3, SEEK_CUR) != 0 || fgetc(f) == EOF)
            return true;
    }
}

// ---- text ----------------------------------------------------------------

// Rendered texts of the UI fonts, most recently used first. The same texts are
// drawn frame after frame (bars, labels, the rows of a page); rendering them is
// the costliest part of a frame, blitting a kept surface is cheap. Entries are
// bounded in number and in pixel bytes; the least recently used go first.

struct CachedText {
    std::string key;
    SDL_Surface *surface;
    size_t bytes;
};

struct TextCache {
    std::list<CachedText> lru;
    std::unordered_map<std::string, std::list<CachedText>::iterator> index;
    size_t bytes = 0;
    int enabled = 1;
    // A text of a font outside the cache, kept until the next text call.
    SDL_Surface *loose = nullptr;
};

TextCache &text_cache(void)
{
    static TextCache c;
    return c;
}

int ui_font_slot(TTF_Font *font)
{
    for (int i = 0; i < UI_FONT_COUNT; i++)
        if (ui_font[i] == font)
            return i;
    return -1;
}

std::string cache_key(int slot, SDL_Color colour, const char *text)
{
    std::string key;
    key.reserve(4 + strlen(text));
    key.push_back(static_cast<char>(slot));
    key.push_back(static_cast<char>(colour.r));
    key.push_back(static_cast<char>(colour.g));
    key.push_back(static_cast<char>(colour.b));
    key.append(text);
    return key;
}

void evict_until_fits(TextCache &c)
{
    // The entry just added (the front) always stays.
    while (c.lru.size() > 1 && (c.lru.size() > TEXT_CACHE_ENTRIES || c.bytes > TEXT_CACHE_BYTES)) {
        CachedText &last = c.lru.back();
        c.bytes -= last.bytes;
        SDL_FreeSurface(last.surface);
        c.index.erase(last.key);
        c.lru.pop_back();
    }
}

// Copies `text` into buf (size TEXT_CLIP_BUF) leaving room for the marquee
// gap; the cut never splits a UTF-8 sequence.
void copy_clip_text(char *buf, const char *text)
{
    utf8_copy(buf, TEXT_CLIP_BUF - (sizeof(MARQUEE_GAP) - 1), text);
}

int marquee_texts = 0;

} // namespace

TTF_Font *ui_font[UI_FONT_COUNT] = {nullptr, nullptr, nullptr, nullptr, nullptr};

int load_ui_fonts(void)
{
    const std::string host = dev_path(UI_FONT_FILE);
    for (int i = 0; i < UI_FONT_COUNT; i++) {
        if (!ui_font[i])
            ui_font[i] = TTF_OpenFont(host.c_str(), ui_font_points[i]);
        if (!ui_font[i]) {
            printf("%s", FONT_MISSING_TEXT);
            free_ui_fonts();
            return -1;
        }
    }
    return 0;
}

void free_ui_fonts(void)
{
    // Cached texts are keyed by the font's slot: they go with the fonts.
    text_cache_clear();
    for (int i = 0; i < UI_FONT_COUNT; i++) {
        if (ui_font[i])
            TTF_CloseFont(ui_font[i]);
        ui_font[i] = nullptr;
    }
}

// ---- pictures ------------------------------------------------------------

SDL_Surface *load_img_opt(const char *path, int alpha)
{
    const std::string host = dev_path(path);
    if (FILE *f = fopen(host.c_str(), "rb")) {
        const bool cut = png_cut_short(f);
        fclose(f);
        if (cut) {
            printf(LOAD_FAILED_TEXT, path, PNG_CUT_SHORT_REASON);
            return nullptr;
        }
    }
    SDL_Surface *loaded = IMG_Load(host.c_str());
    if (!loaded) {
        printf(LOAD_FAILED_TEXT, path, SDL_GetError());
        return nullptr;
    }
    SDL_Surface *converted = alpha ? SDL_DisplayFormatAlpha(loaded) : SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    return converted;
}

SDL_Surface *load_img(const char *path)
{
    return load_img_opt(path, 1);
}

void blit_at(int x, int y, SDL_Surface *src, SDL_Surface *dst)
{
    if (!src || !dst)
        return;
    SDL_Rect r;
    set_point(&r, x, y);
    SDL_BlitSurface(src, nullptr, dst, &r);
}

void free_surface(SDL_Surface *&surface)
{
    if (surface)
        SDL_FreeSurface(surface);
    surface = nullptr;
}

void set_rect(SDL_Rect *r, int x, int y, int w, int h)
{
    r->x = static_cast<Sint16>(x);
    r->y = static_cast<Sint16>(y);
    if (w >= 0)
        r->w = static_cast<Uint16>(w);
    if (h >= 0)
        r->h = static_cast<Uint16>(h);
}

void set_point(SDL_Rect *r, int x, int y)
{
    r->x = static_cast<Sint16>(x);
    r->y = static_cast<Sint16>(y);
}

// ---- text ----------------------------------------------------------------

SDL_Surface *render_text(const char *text, TTF_Font *font, SDL_Color colour)
{
    if (!text || !font || !*text)
        return nullptr;
    // Every text, file names included, goes through the safe path: a mark
    // that SDL_ttf would draw before its surface is never handed to it.
    return ttf_render_blended(font, text, colour);
}

SDL_Surface *text_surface(const char *text, TTF_Font *font, SDL_Color colour)
{
    TextCache &c = text_cache();
    if (c.loose) {
        SDL_FreeSurface(c.loose);
        c.loose = nullptr;
    }
    if (!text || !font || !*text)
        return nullptr;
    const int slot = c.enabled ? ui_font_slot(font) : -1;
    if (slot < 0) {
        c.loose = render_text(text, font, colour);
        return c.loose;
    }
    std::string key = cache_key(slot, colour, text);
    auto hit = c.index.find(key);
    if (hit != c.index.end()) {
        c.lru.splice(c.lru.begin(), c.lru, hit->second);
        return hit->second->surface;
    }
    SDL_Surface *s = render_text(text, font, colour);
    if (!s)
        return nullptr;
    const size_t bytes = static_cast<size_t>(s->pitch) * static_cast<size_t>(s->h);
    if (bytes > TEXT_CACHE_BYTES / 4) {
        c.loose = s; // a huge text would push out everything else
        return s;
    }
    c.lru.push_front(CachedText{key, s, bytes});
    c.index.emplace(std::move(key), c.lru.begin());
    c.bytes += bytes;
    evict_until_fits(c);
    return s;
}

int text_size(TTF_Font *font, const char *text, int *w, int *h)
{
    *w = 0;
    *h = 0;
    if (!font || !text)
        return -1;
    TextCache &c = text_cache();
    const int slot = c.enabled && *text ? ui_font_slot(font) : -1;
    if (slot >= 0) {
        auto hit = c.index.find(cache_key(slot, WHITE, text));
        if (hit != c.index.end()) {
            *w = hit->second->surface->w;
            *h = hit->second->surface->h;
            return 0;
        }
    }
    return ttf_size_text(font, text, w, h) == 0 ? 0 : -1;
}

int text_width(TTF_Font *font, const char *text, int *height)
{
    int w = 0, h = 0;
    text_size(font, text, &w, &h);
    if (height)
        *height = h;
    return w;
}

void text_cache_clear(void)
{
    TextCache &c = text_cache();
    for (CachedText &e : c.lru)
        SDL_FreeSurface(e.surface);
    c.lru.clear();
    c.index.clear();
    c.bytes = 0;
    if (c.loose)
        SDL_FreeSurface(c.loose);
    c.loose = nullptr;
}

void text_cache_enable(int on)
{
    text_cache_clear();
    text_cache().enabled = on ? 1 : 0;
}

int text_cache_entries(void)
{
    return static_cast<int>(text_cache().lru.size());
}

int draw_text(int x, int y, TTF_Font *font, SDL_Color colour, const char *text, SDL_Surface *dst)
{
    SDL_Surface *s = text_surface(text, font, colour);
    if (!s)
        return 0;
    blit_at(x, y, s, dst);
    return s->w;
}

void marquee_count_reset(void)
{
    marquee_texts = 0;
}

int marquee_count(void)
{
    return marquee_texts;
}

void draw_text_clip(int x, int y, int scroll, const TextClip *clip, SDL_Surface *dst)
{
    if (!clip || !clip->text || !clip->font || !dst)
        return;
    char buf[TEXT_CLIP_BUF];
    copy_clip_text(buf, clip->text);
    SDL_Surface *s = text_surface(buf, clip->font, clip->colour);
    if (!s)
        return;
    if (s->w <= clip->max_width) {
        blit_at(x, y, s, dst);
        return;
    }
    SDL_Rect at;
    set_point(&at, x, y);
    if (scroll)
        marquee_texts++;
    if (!scroll || !text_scroll.on.load()) {
        SDL_Rect src;
        set_rect(&src, 0, 0, clip->max_width, s->h);
        SDL_BlitSurface(s, &src, dst, &at);
        return;
    }
    strcat(buf, MARQUEE_GAP);
    s = text_surface(buf, clip->font, clip->colour);
    if (!s)
        return;
    SDL_Rect src[2];
    int second_x = 0;
    int n = marquee_step(&text_scroll, s->w, clip->max_width, s->h, src, &second_x);
    SDL_BlitSurface(s, &src[0], dst, &at);
    if (n == 2) {
        set_point(&at, x + second_x, y);
        SDL_BlitSurface(s, &src[1], dst, &at);
    }
}
