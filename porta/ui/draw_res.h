#pragma once

// The fixed picture sets of both outputs (title bar, bottom bars, pointer,
// search keyboard, list pictures, system icons), set up at start and kept
// until exit. Their files are checked at start; each picture is decoded when
// first drawn (porta/ui/picture.h), so the set of the output not shown costs
// nothing.

#include "porta/device/fb.h"
#include "porta/library/systems.h"
#include "porta/ui/picture.h"

constexpr int RES_SEARCH_KEYS = 42;

struct FixedRes {
    Picture title_bg;
    Picture earphone;
    Picture spk;
    Picture joy;
    Picture bat[2];
    Picture bottom[6];
    Picture point;
    Picture search[RES_SEARCH_KEYS];
    Picture list[6];
    Picture type_left[SYSTEM_COUNT];
    Picture type_right[SYSTEM_COUNT];
};

extern FixedRes fixed_res[OUTPUT_COUNT];

// Title bar and bottom set of one output: every file must be readable.
// Returns 0, or -1 at the first that is not (the rest is not tried).
int load_title_bottom(int out);
// The other fixed pictures of one output; the first unreadable file is
// reported with its place. Returns 0 or -1.
int load_lcd_other_img(void);
int load_hdmi_other_img(void);

// Frees every picture of the fixed sets, the wallpapers and the theme icons.
void free_all_images(void);
