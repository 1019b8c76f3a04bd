#pragma once

// The yes/no box (SCREEN_CONFIRM): a question over the picture of the screen
// it was opened from, answered with Left/Right and A. B and every other key do
// nothing: only A closes it. Used by the settings menu (power off, clearing
// the lists) and by the mapping screens for their own questions.
//
// Use: confirm_ask(label, return screen, yes, no) on the screen whose picture
// stays behind the box (or its three steps: confirm_setup, confirm_actions,
// confirm_open).

#include "porta/ui/screens.h"

#include <SDL/SDL.h>

constexpr int CONFIRM_MESSAGE = 256;

struct ConfirmBox {
    char message[CONFIRM_MESSAGE]; // the label followed by " ??"
    Screen return_screen;          // where A goes
    int active;                    // 1 while the box is shown
    int result;                    // 0 No, 1 Yes
    void (*yes)(void);             // run on A with Yes (may be null)
    void (*no)(void);              // run on A with No (may be null)
};

extern ConfirmBox confirm_box;

// Clears the box, then sets its message ("%s ??" of the label) and the
// screen A returns to. The answer starts at No.
void confirm_setup(const char *label, Screen return_screen);
// The actions of the two answers (either may be null).
void confirm_actions(void (*yes)(void), void (*no)(void));
// Copies the current screen picture aside and shows the box.
void confirm_open(void);
// The three above in one: asks "<label> ??" with these actions.
void confirm_ask(const char *label, Screen return_screen, void (*yes)(void), void (*no)(void));
// Clears the whole box state.
void confirm_clear(void);

// A choice between two (the box's No and Yes, a menu of two rows): either of
// the two keys flips *choice between 0 and 1, with the move sound. Returns
// true when `key` was one of them.
bool two_way_choice_key(int key, int one_key, int other_key, int *choice);

// SCREEN_CONFIRM: released keys. Left and Right switch the answer; A returns
// to the return screen, prints "msgResult = <answer> " and runs the action of
// the answer.
void confirm_keypress(int key);
// The saved screen under the shade, the white box with the red question and
// the No and Yes buttons; on the LCD the title and bottom bars over it.
void confirm_draw(SDL_Surface *dst);
