#pragma once

// Key handling of the library screens: the rooms carousel, the card choice,
// the system list, a system's game list, the favourites, the history and the
// GBA core pop-up. Each handler takes the SDL key code of the pressed key and
// asks for the key sound of its action (0 confirm, 1 move, 2 refused).

#include "porta/base/attr.h"
#include "porta/ui/screens.h"

void rooms_keypress(int key);
void card_keypress(int key);
void systems_keypress(int key);
void games_keypress(int key);
void favorites_keypress(int key);
void top_history_keypress(int key);
void core_popup_keypress(int key);

// Up, Down, Left and Right move the list cursor over `n` entries (paged, nine
// rows a page) with the move sound: true then, false for any other key.
bool paged_move(int key, int n);
// Opens screen `next` from the current one (remembered as the previous
// screen); the previews shown so far are dropped.
void go_to_screen(Screen next);
// The list cursor on the first row of the first page.
void list_cursor_home(void);

// The message for a game that cannot be launched, by UI language.
extern const char *const invalid_file_text[LANGUAGE_COUNT];
// Grey screen with the message centred (24 point), presented on the current
// output, then 2 seconds of waiting; the screen stays where it was.
void show_invalid_file(void);
