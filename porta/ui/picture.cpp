#include "porta/ui/picture.h"

#include "common/devroot.h"
#include "porta/ui/draw.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <SDL/SDL_image.h>
#include <SDL/SDL_rotozoom.h>

Picture::~Picture()
{
    picture_free(*this);
}

Picture::operator SDL_Surface *() const
{
    return picture_surface(*this);
}

SDL_Surface *Picture::operator->() const
{
    return picture_surface(*this);
}

Picture &Picture::operator=(SDL_Surface *adopted)
{
    picture_free(*this);
    surface = adopted;
    tried = true;
    return *this;
}

void picture_free(Picture &pic)
{
    if (pic.surface)
        SDL_FreeSurface(pic.surface);
    pic.surface = nullptr;
    pic.tried = false;
    pic.path.clear();
    pic.alpha = 1;
    pic.zoom = 1.0;
    pic.full = nullptr;
}

namespace {

// The file can be opened and begins like a picture that SDL_image decodes;
// otherwise the reason. Only its first bytes are read.
const char *unreadable(const char *path)
{
    static int (*const signature_of[])(SDL_RWops *) = {
        IMG_isPNG, IMG_isJPG, IMG_isBMP, IMG_isGIF, IMG_isICO, IMG_isCUR, IMG_isLBM,
        IMG_isPCX, IMG_isPNM, IMG_isTIF, IMG_isXCF, IMG_isXPM, IMG_isXV,  IMG_isWEBP,
    };
    FILE *f = dev_fopen(path, "rb");
    if (!f)
        return strerror(errno);
    SDL_RWops *rw = SDL_RWFromFP(f, SDL_TRUE);
    if (!rw) {
        fclose(f);
        return SDL_GetError();
    }
    bool known = false;
    for (auto is : signature_of)
        if ((known = is(rw) != 0))
            break;
    SDL_RWclose(rw);
    return known ? nullptr : "Unsupported image format";
}

int open_file(Picture &pic, const char *path, int alpha, double zoom)
{
    picture_free(pic);
    if (const char *why = unreadable(path)) {
        printf(LOAD_FAILED_TEXT, path, why);
        return -1;
    }
    pic.path = path;
    pic.alpha = alpha;
    pic.zoom = zoom;
    return 0;
}

} // namespace

int picture_open(Picture &pic, const char *path, int alpha)
{
    return open_file(pic, path, alpha, 1.0);
}

int picture_open_scaled(Picture &pic, const char *path, double zoom)
{
    return open_file(pic, path, 1, zoom);
}

void picture_scaled_of(Picture &pic, const Picture &full, double zoom)
{
    picture_free(pic);
    pic.full = &full;
    pic.zoom = zoom;
}

void picture_copy(Picture &dst, const Picture &src)
{
    const bool pending = !src.tried && (!src.path.empty() || src.full);
    if (&dst == &src || (!src.surface && !pending))
        return;
    if (src.surface) {
        SDL_Surface *copy = SDL_ConvertSurface(src.surface, src.surface->format, src.surface->flags);
        dst = copy;
        return;
    }
    picture_free(dst);
    dst.path = src.path;
    dst.alpha = src.alpha;
    dst.zoom = src.zoom;
    dst.full = src.full;
}

namespace {

// A smoothed copy at `zoom`, converted for fast blits when a video mode is set.
SDL_Surface *scaled_copy(SDL_Surface *full, double zoom)
{
    SDL_Surface *z = zoomSurface(full, zoom, zoom, SMOOTHING_ON);
    if (!z || !SDL_GetVideoSurface())
        return z;
    SDL_Surface *converted = SDL_DisplayFormatAlpha(z);
    if (!converted)
        return z;
    SDL_FreeSurface(z);
    return converted;
}

SDL_Surface *decode(const Picture &pic)
{
    if (pic.full) {
        SDL_Surface *full = picture_surface(*pic.full);
        return full ? scaled_copy(full, pic.zoom) : nullptr;
    }
    if (pic.path.empty())
        return nullptr;
    SDL_Surface *loaded = load_img_opt(pic.path.c_str(), pic.alpha);
    if (!loaded || pic.zoom == 1.0)
        return loaded;
    SDL_Surface *scaled = scaled_copy(loaded, pic.zoom);
    SDL_FreeSurface(loaded);
    return scaled;
}

} // namespace

SDL_Surface *picture_surface(const Picture &pic)
{
    if (!pic.tried) {
        pic.tried = true;
        pic.surface = decode(pic);
    }
    return pic.surface;
}

bool picture_decoded(const Picture &pic)
{
    return pic.surface != nullptr;
}
