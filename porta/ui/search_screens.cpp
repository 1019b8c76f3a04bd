#include "porta/ui/search_screens.h"

#include "porta/base/attr.h"
#include "porta/device/keycodes.h"
#include "porta/device/keysound.h"
#include "porta/library/browse.h"
#include "porta/library/favorites.h"
#include "porta/library/gamelist.h"
#include "porta/library/search.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/library_keys.h"
#include "porta/ui/loop.h"
#include "porta/ui/mapseq.h"
#include "porta/ui/preview.h"

#include <cstring>

// The SDL key codes the keypad's keys arrive as.

constexpr int SHOWN_TEXT_MAX = 18;

// ---- texts -----------------------------------------------------------------

namespace {

// Simplified Chinese, traditional Chinese, every other language.
const char *const help_texts[3] = {
    "示例: 搜索拳皇 qh",
    "示例: 搜索拳皇 qh",
    "Example: Search the KOF input KOF",
};
const char *const hint_texts[3][2] = {
    {"X 键: 删除", "Y 键: 确认"},
    {"X 鍵：删除", "Y 鍵：確認"},
    {"X key: Delete", "Y key: OK"},
};

int text_group(int language)
{
    return language == 0 || language == 1 ? language : 2;
}

} // namespace

const char *search_help_text(int language)
{
    return help_texts[text_group(language)];
}

const char *search_hint_text(int language, int second)
{
    return hint_texts[text_group(language)][second ? 1 : 0];
}

char *search_shown_text(const char *text, char *out)
{
    const size_t len = strlen(text);
    const char *from = len > SHOWN_TEXT_MAX ? text + len - SHOWN_TEXT_MAX : text;
    size_t n = 0;
    for (; from[n]; n++) {
        const unsigned char c = static_cast<unsigned char>(from[n]);
        if (c >= 'a' && c <= 'z')
            out[n] = static_cast<char>(c - 'a' + 'A');
        else if (c < 0x20 || c >= 0x7F)
            out[n] = '?';
        else
            out[n] = static_cast<char>(c);
    }
    out[n] = '\0';
    return out;
}

// ---- layout ----------------------------------------------------------------

// Positions of both screens, LCD row and HDMI row.
struct SearchLayout {
    // rows of results (both screens)
    int row_x, row_dy, clip_less; // text at (row_x, row top + row_dy), width = bar width - clip_less
    int mark_dy;                  // favourite mark below the row top
    // the keyboard screen
    int board_mark_end;                        // favourite marks end here
    int help_x, help_y, help_font, help_right; // the help text ends before help_right
    int board_x, board_y;                      // search/<out>/0.png
    int typed_x, typed_y, typed_font;
    int key_x, key_y, key_pitch; // the lit key at key_x + column x pitch, key_y + row x pitch
    int hint_x, hint_y, hint_font, hint_gap;
    // the result list
    int list_mark_bar, list_mark_end; // mark ends at list_mark_end (+ bar width when list_mark_bar)
    int preview_x, preview_y;
};

namespace {

// Positions, one row per group (kept out of the formatter).
// clang-format off
const SearchLayout layouts[OUTPUT_COUNT] = {
    // LCD, 640x480
    {20, 8, 60, 2, 320, 400, 80, FONT_18, 630, 330, 140, 355, 152, FONT_18, 350, 187, 26, 350, 330, FONT_18, 40,
     1, -5, 395, 160},
    // HDMI, 1280x720
    {60, 11, 80, 6, 670, 840, 100, FONT_24, 1250, 670, 188, 710, 218, FONT_22, 702, 272, 50, 700, 550, FONT_24, 40,
     0, 740, 750, 120},
};

// The shown name of a result from the current scan of its list.
const char *result_name(const SearchResult &r, char *buf, size_t size)
{
    const char *name = game_name(game_list(r.card, r.system), r.index);
    if (!name)
        return "##file error !";
    return display_name(r.system, name, buf, size);
}

// The results of the current page: row texts clipped to the highlight bar
// less clip_less, the selected row scrolling; the favourite mark of each
// favourite ending at `mark_end` (-1: at the bar's end as the list screens
// place it); the highlight bar only when asked.
void draw_result_rows(SDL_Surface *dst, int out, bool highlight, int mark_end)
{
    const SearchLayout &L = layouts[out];
    const FixedRes &r = fixed_res[out];
    const int bar_w = r.list[5] ? r.list[5]->w : 0;
    SDL_Surface *mark = r.list[3];
    const int mark_w = mark ? mark->w : 0;
    if (mark_end < 0)
        mark_end = (L.list_mark_bar ? bar_w : 0) + L.list_mark_end;
    char shown[GAME_NAME_MAX + 1];
    for (int row = 0; row < LIST_ROWS; row++) {
        const int n = browse_cursor.page * ROWS_PER_PAGE + row;
        const SearchResult *res = search_result(n);
        if (!res)
            break;
        const int y = list_row_y(out, row);
        const bool selected = row == browse_cursor.row;
        if (highlight && selected)
            draw_row_highlight(dst, y);
        if (favorite_test(res->system, res->index, res->card) == 1)
            blit_at(mark_end - mark_w, y + L.mark_dy, mark, dst);
        draw_row_text(dst, L.row_x, y + L.row_dy, n + 1, result_name(*res, shown, sizeof(shown)), bar_w - L.clip_less,
                      selected);
    }
}

// ---- keys ------------------------------------------------------------------

void open_results(void)
{
    if (search_result_count() == 0)
        return;
    list_cursor_home();
    go_to_screen(SCREEN_SEARCH_RESULTS);
}

// A launch that fails shows the message and stays; one that wrote
// /tmp/.next leaves the result list and the typed text for the next start
// and ends the loop.
void launch(const SearchResult r)
{
    if (gamelist_run(r.system, r.index, r.card) != 0) {
        show_invalid_file();
        return;
    }
    save_last_path(SEARCH_FILE);
    search_save();
    stop_loop(SHUTDOWN_EXIT);
}

} // namespace
// clang-format on

// ---- drawing ---------------------------------------------------------------

void draw_search_keys(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = draw_screen_frame(dst, bottom_hints(SCREEN_SEARCH_KEYS, 0));
    const SearchLayout &L = layouts[out];
    draw_result_rows(dst, out, false, L.board_mark_end);

    const int lang = global_attr.language;
    // Where the help text would run off the screen: a smaller font or a
    // second line above the keyboard.
    mapseq_draw_fitted(L.help_x, L.help_y, L.help_font, search_help_text(lang), L.help_right - L.help_x, 2, dst);
    const FixedRes &r = fixed_res[out];
    blit_at(L.board_x, L.board_y, r.search[0], dst);
    if (search_state.length > 0) {
        char shown[SHOWN_TEXT_MAX + 1];
        draw_text(L.typed_x, L.typed_y, ui_font[L.typed_font], WHITE, search_shown_text(search_state.text, shown), dst);
    }
    const int key = search_state.cursor >= 0 && search_state.cursor <= SEARCH_BUTTON ? search_state.cursor : 0;
    const int column = key % SEARCH_KEY_COLUMNS;
    const int row = key / SEARCH_KEY_COLUMNS; // the button is row 4, column 0
    blit_at(L.key_x + column * L.key_pitch, L.key_y + row * L.key_pitch, r.search[key + 1], dst);
    TTF_Font *hint_font = ui_font[L.hint_font];
    const int first_w = draw_text(L.hint_x, L.hint_y, hint_font, WHITE, search_hint_text(lang, 0), dst);
    draw_text(L.hint_x + first_w + L.hint_gap, L.hint_y, hint_font, WHITE, search_hint_text(lang, 1), dst);
}

void draw_search_results(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = draw_screen_frame(dst, bottom_hints(SCREEN_SEARCH_RESULTS, 0));
    if (!draw_list_pages(dst, search_result_count(), browse_cursor.page))
        return;
    draw_result_rows(dst, out, true, -1);
    const SearchResult *selected = search_result(cursor_position());
    const SearchLayout &L = layouts[out];
    if (selected)
        blit_at(L.preview_x, L.preview_y,
                selected_preview(out == OUTPUT_LCD, selected->system, selected->card, selected->index), dst);
}

// ---- keys ------------------------------------------------------------------

void search_keys_keypress(int key)
{
    switch (key) {
    case KEYCODE_UP:
        play_key_sound(KEY_SOUND_MOVE);
        search_cursor_up();
        break;
    case KEYCODE_DOWN:
        play_key_sound(KEY_SOUND_MOVE);
        search_cursor_down();
        break;
    case KEYCODE_LEFT:
        play_key_sound(KEY_SOUND_MOVE);
        search_cursor_left();
        break;
    case KEYCODE_RIGHT:
        play_key_sound(KEY_SOUND_MOVE);
        search_cursor_right();
        break;
    case KEYCODE_A: {
        play_key_sound(KEY_SOUND_CONFIRM);
        drop_previews();
        const int c = search_state.cursor;
        if (c == SEARCH_BUTTON)
            open_results();
        else if (c == SEARCH_KEY_DELETE)
            search_delete_last();
        else if (c == SEARCH_KEY_CLEAR)
            search_clear_text();
        else if (c >= 0 && c < SEARCH_KEY_COUNT)
            search_append(SEARCH_KEYBOARD[c]);
        break;
    }
    case KEYCODE_X:
        play_key_sound(KEY_SOUND_CONFIRM);
        drop_previews();
        search_delete_last();
        break;
    case KEYCODE_Y:
        play_key_sound(KEY_SOUND_CONFIRM);
        drop_previews();
        open_results();
        break;
    case KEYCODE_B:
        play_key_sound(KEY_SOUND_MOVE);
        search_clear();
        list_cursor_home();
        go_to_screen(SCREEN_ROOMS);
        break;
    default: break;
    }
}

void search_results_keypress(int key)
{
    if (paged_move(key, search_result_count()))
        return;
    const SearchResult *selected = search_result(cursor_position());
    switch (key) {
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        if (selected)
            launch(*selected);
        break;
    case KEYCODE_START:
        // A name that cannot be stored is refused.
        if (selected && favorite_toggle(selected->system, selected->index, selected->card) != 0)
            play_key_sound(KEY_SOUND_REFUSED);
        else
            play_key_sound(KEY_SOUND_CONFIRM);
        break;
    case KEYCODE_B:
        // The keyboard starts empty, its results list too.
        play_key_sound(KEY_SOUND_MOVE);
        search_clear();
        list_cursor_home();
        go_to_screen(SCREEN_SEARCH_KEYS);
        break;
    default: play_key_sound(KEY_SOUND_REFUSED); break;
    }
}
