#pragma once

// Framebuffer manager: slot 0 is the LCD (/dev/fb0, 640x480), slot 1 the HDMI
// output (/dev/fb1, 1280x720). Finished SDL surfaces are presented by page
// flipping through the frames of each mapping.
//
// On a development host the nodes may be plain files: when the framebuffer
// ioctls fail the requested geometry is used with a single frame and the file
// is sized to that frame, so it always holds the last presented picture.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <linux/fb.h>
#include <SDL/SDL.h>

constexpr int FB_SLOTS = 2;
// The output the launcher draws on: the value of output_device, the index of
// every per-output table (LCD row first) and the framebuffer slot.
enum Output : int { OUTPUT_LCD = 0, OUTPUT_HDMI = 1 };
constexpr int OUTPUT_COUNT = 2;

struct FbDev {
    char path[32];
    int fd;            // 0 when closed
    size_t frame_size; // xres * yres * bpp / 8
    size_t map_len;
    int bpp;
    uint8_t *map; // nullptr when unmapped
    int width;
    int height;
    struct fb_var_screeninfo var;
    int buffers;     // frames in the mapping
    int real_device; // 0 when the ioctls are not supported (a plain file)
};

extern FbDev fbm[FB_SLOTS];

// 0 = LCD, 1 = HDMI. Written by the main loop, read by the power-key thread.
extern std::atomic<int> output_device;

int fb_open(int slot);
void fb_next(int slot);
void fb_pan(int slot);
void fb_clear(int slot);
void fb_close(int slot);
void fb_present(int slot, SDL_Surface *surface);
void fb_close_all(void);

// Sets up both framebuffers and chooses the output from the HDMI state.
// Returns 0 or -1.
int fb_init(void);
