#pragma once

// A picture of the UI named by its file, decoded the first time it is drawn
// and then kept. Setting one up only checks that its file opens and begins
// like a picture, so that start-up and the theme and wallpaper changes stay
// cheap: most pictures of the output not shown, of other screens and of other
// themes are never decoded in a session.
//
// Reading a picture as an SDL_Surface * (or through ->) decodes it when it is
// still pending. A picture that cannot be decoded then is reported once by
// load_img_opt ("Failed to load %s, %s\n") and reads as nullptr, a missing
// picture, until it is set up again. Assigning a surface hands it over.
// Drawing happens on the main thread only; so does every decode.

#include <string>

#include <SDL/SDL.h>

struct Picture {
    std::string path;              // device path of the file; empty: none
    int alpha = 1;                 // display format with alpha (load_img_opt)
    double zoom = 1.0;             // below 1: a smoothed copy at this scale
    const Picture *full = nullptr; // set: the scaled copy is made of that picture
    mutable SDL_Surface *surface = nullptr;
    mutable bool tried = false; // decoded, or failed to

    Picture() = default;
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    ~Picture();

    operator SDL_Surface *() const;
    SDL_Surface *operator->() const;
    Picture &operator=(SDL_Surface *adopted);
};

// The picture of the file at `path`: when the file can be opened and begins
// like a picture (its format's signature), it becomes pending and 0 is
// returned; otherwise "Failed to load %s, %s\n" is printed with the path and the reason, the picture is left empty
// and -1 is returned. The old surface is freed either way.
int picture_open(Picture &pic, const char *path, int alpha);
// The same, for a copy of the file's picture scaled by `zoom` (only the copy
// is kept).
int picture_open_scaled(Picture &pic, const char *path, double zoom);
// A copy of `full` scaled by `zoom`, made when first drawn (`full` is decoded
// for it and kept).
void picture_scaled_of(Picture &pic, const Picture &full, double zoom);
// `dst` shows what `src` shows: a copy of its surface when decoded, else its
// file, pending. An empty `src` leaves `dst` as it is.
void picture_copy(Picture &dst, const Picture &src);

// Empties the picture (its surface is freed).
void picture_free(Picture &pic);
// The surface, decoding a pending picture first; nullptr when missing.
SDL_Surface *picture_surface(const Picture &pic);
// Whether the picture holds a decoded surface (nothing is decoded).
bool picture_decoded(const Picture &pic);
