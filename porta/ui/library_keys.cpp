#include "porta/ui/library_keys.h"

#include "porta/base/attr.h"
#include "porta/device/fb.h"
#include "porta/device/keycodes.h"
#include "porta/device/keysound.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/library/corelist.h"
#include "porta/library/favorites.h"
#include "porta/library/gamelist.h"
#include "porta/library/history.h"
#include "porta/library/search.h"
#include "porta/library/systems.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/loop.h"
#include "porta/ui/settings.h"

#include <cstdio>
#include <string>
#include <vector>

#include <SDL/SDL.h>

// The SDL key codes the keypad's keys arrive as.

// Printed texts: the firmware's logs and the tests rely on their exact bytes.
// The numbers are the ones these messages have always carried (once source
// lines), kept as they are.
namespace {

constexpr const char *HISTORY_FAVORITE_TEXT = "---%s %d \n";
constexpr int HISTORY_FAVORITE_LINE = 423;

} // namespace

const char *const invalid_file_text[LANGUAGE_COUNT] = {
    "文件无效，也许文件不存在",
    "文件無效，也許文件不存在",
    "The file is invalid, maybe the file does not exist",
    "ファイルが無効です。ファイルが存在しない可能性があります",
    "파일이 유효하지 않습니다. 파일이 없을 수 있습니다.",
    "El archivo no es válido, quizás el archivo no existe",
};

namespace {

// The code point of the UTF-8 character at s (0 at the end); *len its bytes.
uint32_t utf8_at(const char *s, int *len)
{
    const unsigned char *u = reinterpret_cast<const unsigned char *>(s);
    int n = 1;
    uint32_t c = u[0];
    if (c >= 0xF0)
        n = 4, c &= 0x07;
    else if (c >= 0xE0)
        n = 3, c &= 0x0F;
    else if (c >= 0xC0)
        n = 2, c &= 0x1F;
    for (int i = 1; i < n; i++) {
        if ((u[i] & 0xC0) != 0x80) {
            n = i;
            break;
        }
        c = (c << 6) | (u[i] & 0x3F);
    }
    *len = c ? n : 0;
    return c;
}

bool wide_char(uint32_t c)
{
    return c >= 0x2E80; // CJK, kana, hangul and their punctuation
}

// A line may end after a blank or a comma or full stop ("strong"), or
// between two wide characters.
bool strong_break(uint32_t before)
{
    return before == ' ' || before == ',' || before == 0x3001 || before == 0x3002 || before == 0xFF0C;
}

// Splits a text into lines no wider than `max` pixels, breaking at a blank or
// a comma where that keeps a line at least a third full, else between wide
// characters, else wherever it must. The blanks at a break are left out.
std::vector<std::string> wrap_text(TTF_Font *font, const char *text, int max)
{
    std::vector<std::string> lines;
    std::string rest = text;
    while (!rest.empty()) {
        int w = 0, h = 0;
        if (TTF_SizeUTF8(font, rest.c_str(), &w, &h) != 0 || w <= max) {
            lines.push_back(rest);
            break;
        }
        size_t strong = 0, weak = 0, fits = 0;
        uint32_t before = 0;
        for (size_t at = 0; at < rest.size();) {
            int len = 0;
            const uint32_t c = utf8_at(rest.c_str() + at, &len);
            if (len == 0)
                break;
            if (at > 0) {
                TTF_SizeUTF8(font, rest.substr(0, at).c_str(), &w, &h);
                if (w > max)
                    break;
                fits = at;
                if (strong_break(before) && w >= max / 3)
                    strong = at;
                else if (wide_char(before) || wide_char(c))
                    weak = at;
            }
            before = c;
            at += static_cast<size_t>(len);
        }
        size_t cut = strong ? strong : weak ? weak : fits;
        if (cut == 0) { // not even one character fits: one per line
            int len = 0;
            utf8_at(rest.c_str(), &len);
            cut = len > 0 ? static_cast<size_t>(len) : rest.size();
        }
        std::string line = rest.substr(0, cut);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        lines.push_back(line);
        rest.erase(0, cut);
        rest.erase(0, rest.find_first_not_of(' ') == std::string::npos ? rest.size() : rest.find_first_not_of(' '));
    }
    return lines;
}

} // namespace

void show_invalid_file(void)
{
    SDL_Surface *dst = current_surface();
    if (dst) {
        SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 28, 28, 28));
        const int lang = ui_language();
        TTF_Font *font = ui_font[FONT_24];
        if (font) {
            // Centred; a message wider than the screen (Japanese on the LCD)
            // takes two lines rather than losing its ends.
            const std::vector<std::string> lines = wrap_text(font, invalid_file_text[lang], dst->w - 40);
            const int skip = TTF_FontLineSkip(font);
            int y = 0;
            for (size_t i = 0; i < lines.size(); i++) {
                SDL_Surface *text = render_text(lines[i].c_str(), font, WHITE);
                if (!text)
                    continue;
                if (i == 0)
                    y = (dst->h - text->h - skip * static_cast<int>(lines.size() - 1)) / 2;
                blit_at((dst->w - text->w) / 2, y + skip * static_cast<int>(i), text, dst);
                SDL_FreeSurface(text);
            }
        }
        fb_present(output_device, dst);
    }
    loop_hooks.delay(2000);
    request_redraw();
}

void go_to_screen(Screen next)
{
    drop_previews();
    prev_screen = screen.load();
    screen = next;
}

void list_cursor_home(void)
{
    browse_cursor.page = 0;
    browse_cursor.row = 0;
}

namespace {

// B on a list: its key sound, the cursor home and the screen above the list.
void leave_list(Screen back, int sound)
{
    play_key_sound(sound);
    list_cursor_home();
    go_to_screen(back);
}

// A launch that fails shows the message and stays; one that wrote
// /tmp/.next leaves the list's place for the next start and ends the loop.
void launch(int system, int index, Card card, const char *last_path)
{
    if (gamelist_run(system, index, card, screen == SCREEN_HISTORY) != 0) {
        show_invalid_file();
        return;
    }
    save_last_path(last_path);
    stop_loop(SHUTDOWN_EXIT);
}

void open_room(void)
{
    switch (room) {
    case ROOM_GAMES:
        list_cursor_home();
        browse_system = 0;
        if (tf_card_state == 1) {
            browse_card = SELECTED_EXTERNAL;
            go_to_screen(SCREEN_CARD);
        } else {
            browse_card = SELECTED_NONE;
            go_to_screen(SCREEN_SYSTEMS);
        }
        break;
    case ROOM_FAVORITES:
        list_cursor_home();
        go_to_screen(SCREEN_FAVORITES);
        break;
    case ROOM_HISTORY:
        list_cursor_home();
        go_to_screen(SCREEN_HISTORY);
        break;
    case ROOM_SEARCH:
        // The keyboard starts empty.
        search_clear();
        list_cursor_home();
        go_to_screen(SCREEN_SEARCH_KEYS);
        break;
    case ROOM_SETTINGS:
        // The settings menu returns here; the release of this A only
        // completes its opening (SCREEN_MENU_PENDING).
        open_settings();
        break;
    }
}

} // namespace

// The paged moves of the game list, the favourites and the search results.
bool paged_move(int key, int n)
{
    switch (key) {
    case KEYCODE_UP: cursor_up(&browse_cursor, n); break;
    case KEYCODE_DOWN: cursor_down(&browse_cursor, n); break;
    case KEYCODE_LEFT: cursor_left(&browse_cursor, n); break;
    case KEYCODE_RIGHT: cursor_right(&browse_cursor, n); break;
    default: return false;
    }
    play_key_sound(KEY_SOUND_MOVE);
    return true;
}

void rooms_keypress(int key)
{
    switch (key) {
    case KEYCODE_LEFT:
        play_key_sound(KEY_SOUND_MOVE);
        room_left();
        break;
    case KEYCODE_RIGHT:
        play_key_sound(KEY_SOUND_MOVE);
        room_right();
        break;
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        open_room();
        break;
    default: play_key_sound(KEY_SOUND_REFUSED); break;
    }
}

void card_keypress(int key)
{
    switch (key) {
    case KEYCODE_UP:
    case KEYCODE_DOWN:
        play_key_sound(KEY_SOUND_MOVE);
        if (tf_card_state == 1)
            browse_card = browse_card == SELECTED_EXTERNAL ? SELECTED_INTERNAL : SELECTED_EXTERNAL;
        else
            browse_card = SELECTED_NONE;
        break;
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        browse_system = 0;
        go_to_screen(SCREEN_SYSTEMS);
        break;
    case KEYCODE_B:
        play_key_sound(KEY_SOUND_CONFIRM);
        browse_card = SELECTED_NONE;
        go_to_screen(SCREEN_ROOMS);
        break;
    default: play_key_sound(KEY_SOUND_REFUSED); break;
    }
}

void systems_keypress(int key)
{
    switch (key) {
    case KEYCODE_UP:
        system_cursor_up(&browse_system);
        play_key_sound(KEY_SOUND_MOVE);
        break;
    case KEYCODE_DOWN:
        system_cursor_down(&browse_system);
        play_key_sound(KEY_SOUND_MOVE);
        break;
    case KEYCODE_LEFT:
        system_cursor_left(&browse_system);
        play_key_sound(KEY_SOUND_MOVE);
        break;
    case KEYCODE_RIGHT:
        system_cursor_right(&browse_system);
        play_key_sound(KEY_SOUND_MOVE);
        break;
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        list_cursor_home();
        go_to_screen(SCREEN_GAMES);
        break;
    case KEYCODE_B:
        play_key_sound(KEY_SOUND_CONFIRM);
        if (tf_card_state == 1) {
            if (browse_card == SELECTED_NONE)
                browse_card = SELECTED_INTERNAL;
            go_to_screen(SCREEN_CARD);
        } else {
            browse_card = SELECTED_NONE;
            go_to_screen(SCREEN_ROOMS);
        }
        browse_system = 0;
        break;
    default: play_key_sound(KEY_SOUND_REFUSED); break;
    }
}

void games_keypress(int key)
{
    const Card card = selected_card();
    const GameList *list = game_list(card, browse_system);
    const int n = list ? list->count : 0;
    if (paged_move(key, n))
        return;
    const int at = cursor_position();
    switch (key) {
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        if (n > 0)
            launch(browse_system, at, card, list->path);
        break;
    case KEYCODE_START:
        // A name that cannot be stored is refused.
        if (n > 0 && favorite_toggle(browse_system, at, card) != 0)
            play_key_sound(KEY_SOUND_REFUSED);
        else
            play_key_sound(KEY_SOUND_CONFIRM);
        break;
    case KEYCODE_Y:
        play_key_sound(KEY_SOUND_CONFIRM);
        if (browse_system == SYSTEM_GBA && n > 0) {
            // The pop-up's radio marks are loaded by its draw routine.
            core_popup_open(browse_system, at, card);
            prev_screen = screen.load();
            screen = SCREEN_CORE_POPUP;
        }
        break;
    case KEYCODE_B: leave_list(SCREEN_SYSTEMS, KEY_SOUND_CONFIRM); break;
    default: play_key_sound(KEY_SOUND_REFUSED); break;
    }
}

void favorites_keypress(int key)
{
    const int n = list_count(FAVORITE_LIST);
    if (paged_move(key, n))
        return;
    const Favorite *selected = list_record_at(FAVORITE_LIST, cursor_position());
    switch (key) {
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        if (selected)
            launch(selected->system, selected->index, card_from_number(selected->card), FAVORITES_FILE);
        break;
    case KEYCODE_START:
        play_key_sound(KEY_SOUND_CONFIRM);
        if (selected) {
            del_favorite_shown(cursor_position());
            drop_previews();
            // One row up after a removal; a record kept (its card is out)
            // keeps the cursor.
            if (list_count(FAVORITE_LIST) == 0) {
                list_cursor_home();
            } else if (list_count(FAVORITE_LIST) < n) {
                if (browse_cursor.row > 0) {
                    browse_cursor.row--;
                } else if (browse_cursor.page > 0) {
                    browse_cursor.page--;
                    browse_cursor.row = ROWS_PER_PAGE - 1;
                }
            }
        }
        break;
    case KEYCODE_B: leave_list(SCREEN_ROOMS, KEY_SOUND_REFUSED); break;
    default: play_key_sound(KEY_SOUND_REFUSED); break;
    }
}

void top_history_keypress(int key)
{
    const int n = list_count(HISTORY_LIST);
    const HistoryEntry *selected = list_record_at(HISTORY_LIST, browse_cursor.row);
    switch (key) {
    case KEYCODE_UP:
        play_key_sound(KEY_SOUND_MOVE);
        history_cursor_up(&browse_cursor, n);
        break;
    case KEYCODE_DOWN:
        play_key_sound(KEY_SOUND_MOVE);
        history_cursor_down(&browse_cursor, n);
        break;
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        if (selected)
            launch(selected->system, selected->index, card_from_flag(selected->card), HISTORY_FILE);
        break;
    case KEYCODE_START:
        // A name that cannot be stored is refused.
        if (selected && favorite_toggle(selected->system, selected->index, card_from_flag(selected->card)) != 0) {
            play_key_sound(KEY_SOUND_REFUSED);
        } else {
            play_key_sound(KEY_SOUND_CONFIRM);
            if (selected)
                printf(HISTORY_FAVORITE_TEXT, "top_history_keypress", HISTORY_FAVORITE_LINE);
        }
        break;
    case KEYCODE_B: leave_list(SCREEN_ROOMS, KEY_SOUND_CONFIRM); break;
    default: play_key_sound(KEY_SOUND_REFUSED); break;
    }
}

void core_popup_keypress(int key)
{
    switch (key) {
    case KEYCODE_UP:
        play_key_sound(KEY_SOUND_MOVE);
        core_popup_move(-1);
        break;
    case KEYCODE_DOWN:
        play_key_sound(KEY_SOUND_MOVE);
        core_popup_move(1);
        break;
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        core_popup_choose();
        break;
    case KEYCODE_B:
        play_key_sound(KEY_SOUND_REFUSED);
        core_popup_apply();
        prev_screen = screen.load();
        screen = SCREEN_GAMES;
        break;
    default: break;
    }
}
