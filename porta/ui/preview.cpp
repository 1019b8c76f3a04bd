#include "porta/ui/preview.h"

#include "porta/library/systems.h"
#include "porta/ui/draw.h"

#include <SDL/SDL_rotozoom.h>

namespace {

// 0 HDMI, 1 LCD; a picture that failed to load is not tried again until the
// next drop.
SDL_Surface *kept[2] = {nullptr, nullptr};
bool tried[2] = {false, false};

} // namespace

SDL_Surface *preview_fit(SDL_Surface *pic, int w, int h)
{
    if (!pic || (pic->w == w && pic->h == h))
        return pic;
    const double zx = static_cast<double>(w) / pic->w;
    const double zy = static_cast<double>(h) / pic->h;
    SDL_Surface *scaled = zoomSurface(pic, zx, zy, SMOOTHING_ON);
    SDL_FreeSurface(pic);
    return scaled;
}

namespace {

// Whether every pixel of a picture with an alpha channel is opaque.
bool opaque(SDL_Surface *pic)
{
    const Uint32 amask = pic->format->Amask;
    if (!amask || pic->format->BytesPerPixel != 4)
        return !amask;
    if (SDL_LockSurface(pic) != 0)
        return false;
    bool all = true;
    for (int y = 0; all && y < pic->h; y++) {
        const Uint32 *row = reinterpret_cast<const Uint32 *>(static_cast<const Uint8 *>(pic->pixels) + y * pic->pitch);
        for (int x = 0; all && x < pic->w; x++)
            all = (row[x] & amask) == amask;
    }
    SDL_UnlockSurface(pic);
    return all;
}

// The scaled picture in the screen's pixel format, without its alpha channel
// when it has no transparent pixel: the same picture, blitted as a plain
// copy every frame instead of being blended.
SDL_Surface *for_display(SDL_Surface *pic)
{
    if (!pic || !SDL_GetVideoSurface())
        return pic;
    const bool plain = opaque(pic);
    SDL_Surface *converted = plain ? SDL_DisplayFormat(pic) : SDL_DisplayFormatAlpha(pic);
    if (!converted)
        return pic;
    // The conversion keeps the picture's surface alpha, which a loaded PNG
    // may have at 0: the plain copy is blitted opaque.
    if (plain)
        SDL_SetAlpha(converted, 0, SDL_ALPHA_OPAQUE);
    SDL_FreeSurface(pic);
    return converted;
}

} // namespace

SDL_Surface *game_preview(int system, Card card, int index, int lcd)
{
    char path[PREVIEW_PATH_SIZE];
    preview_path(system, card, index, lcd, path, sizeof(path));
    SDL_Surface *pic = load_img(path);
    return for_display(preview_fit(pic, lcd ? PREVIEW_LCD_W : PREVIEW_HDMI_W, lcd ? PREVIEW_LCD_H : PREVIEW_HDMI_H));
}

SDL_Surface *selected_preview(int lcd, int system, Card card, int index)
{
    const int k = lcd ? 1 : 0;
    if (!kept[k] && !tried[k]) {
        kept[k] = game_preview(system, card, index, lcd);
        tried[k] = true;
    }
    return kept[k];
}

void preview_drop_all(void)
{
    for (int k = 0; k < 2; k++) {
        if (kept[k])
            SDL_FreeSurface(kept[k]);
        kept[k] = nullptr;
        tried[k] = false;
    }
}
