#include "porta/ui/draw.h"

#include "common/devroot.h"
#include "porta/base/text.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <SDL/SDL_image.h>

TTF_Font *ui_font[UI_FONT_COUNT] = {nullptr, nullptr, nullptr, nullptr, nullptr};

static const int ui_font_points[UI_FONT_COUNT] = {16, 18, 22, 24, 28};

int load_ui_fonts(void)
{
    const std::string host = dev_path(UI_FONT_FILE);
    for (int i = 0; i < UI_FONT_COUNT; i++) {
        if (!ui_font[i])
            ui_font[i] = TTF_OpenFont(host.c_str(), ui_font_points[i]);
        if (!ui_font[i]) {
            printf("get ui font return NULL");
            free_ui_fonts();
            return -1;
        }
    }
    return 0;
}

void free_ui_fonts(void)
{
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
    SDL_Surface *loaded = IMG_Load(host.c_str());
    if (!loaded) {
        printf("Failed to load %s, %s\n", path, SDL_GetError());
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
    return TTF_RenderUTF8_Blended(font, text, colour);
}

int draw_text(int x, int y, TTF_Font *font, SDL_Color colour, const char *text, SDL_Surface *dst)
{
    SDL_Surface *s = render_text(text, font, colour);
    if (!s)
        return 0;
    int w = s->w;
    blit_at(x, y, s, dst);
    SDL_FreeSurface(s);
    return w;
}

// Copies `text` into buf (size TEXT_CLIP_BUF) leaving room for the marquee
// gap; the cut never splits a UTF-8 sequence.
static void copy_clip_text(char *buf, const char *text)
{
    utf8_copy(buf, TEXT_CLIP_BUF - (sizeof(MARQUEE_GAP) - 1), text);
}

void draw_text_clip(int x, int y, int scroll, const TextClip *clip, SDL_Surface *dst)
{
    if (!clip || !clip->text || !clip->font || !dst)
        return;
    char buf[TEXT_CLIP_BUF];
    copy_clip_text(buf, clip->text);
    int w = 0, h = 0;
    if (TTF_SizeUTF8(clip->font, buf, &w, &h) != 0)
        return;
    if (w <= clip->max_width) {
        draw_text(x, y, clip->font, clip->colour, buf, dst);
        return;
    }
    if (!scroll || !text_scroll.on.load()) {
        SDL_Surface *s = render_text(buf, clip->font, clip->colour);
        if (!s)
            return;
        SDL_Rect src, at;
        set_rect(&src, 0, 0, clip->max_width, s->h);
        set_point(&at, x, y);
        SDL_BlitSurface(s, &src, dst, &at);
        SDL_FreeSurface(s);
        return;
    }
    strcat(buf, MARQUEE_GAP);
    if (TTF_SizeUTF8(clip->font, buf, &w, &h) != 0)
        return;
    SDL_Surface *s = render_text(buf, clip->font, clip->colour);
    if (!s)
        return;
    SDL_Rect src[2];
    int second_x = 0;
    int n = marquee_step(&text_scroll, s->w, clip->max_width, s->h, src, &second_x);
    SDL_Rect at;
    set_point(&at, x, y);
    SDL_BlitSurface(s, &src[0], dst, &at);
    if (n == 2) {
        set_point(&at, x + second_x, y);
        SDL_BlitSurface(s, &src[1], dst, &at);
    }
    SDL_FreeSurface(s);
}
