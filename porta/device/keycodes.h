#pragma once

// The SDL key code each logical key reaches the screens' key handlers as
// (pad_to_keycode). L1 and L2 share one code, R1 and R2 another.

#include <SDL/SDL_keysym.h>

constexpr int KEYCODE_UP = SDLK_UP;
constexpr int KEYCODE_DOWN = SDLK_DOWN;
constexpr int KEYCODE_LEFT = SDLK_LEFT;
constexpr int KEYCODE_RIGHT = SDLK_RIGHT;
constexpr int KEYCODE_A = SDLK_LCTRL;
constexpr int KEYCODE_B = SDLK_LALT;
constexpr int KEYCODE_X = SDLK_SPACE;
constexpr int KEYCODE_Y = SDLK_LSHIFT;
constexpr int KEYCODE_START = SDLK_RETURN;
constexpr int KEYCODE_SELECT = SDLK_ESCAPE;
constexpr int KEYCODE_MENU = SDLK_3;
constexpr int KEYCODE_L = SDLK_BACKSPACE;
constexpr int KEYCODE_R = SDLK_TAB;
