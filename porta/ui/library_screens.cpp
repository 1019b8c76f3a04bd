#include "porta/ui/library_screens.h"

#include "porta/base/attr.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/library/corelist.h"
#include "porta/library/favorites.h"
#include "porta/library/gamelist.h"
#include "porta/library/history.h"
#include "porta/library/systems.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/preview.h"
#include "porta/ui/screens.h"
#include "porta/ui/themes.h"

#include <cstdio>

// ---- layouts -------------------------------------------------------------

// Positions, one row per group (kept out of the formatter).
// clang-format off
const LibraryLayout library_layouts[OUTPUT_COUNT] = {
    // LCD, 640x480
    {
        7, 160, 135, FONT_18,        // rooms
        0, 20, 8, FONT_18,           // card rows
        12, 10, FONT_18,             // card label
        0, 3, 55, 10,                // system rows
        3, 55, 10, 95,               // game rows
        1, -5, 2,                    // favourite mark
        20, 8, 60,                   // favourites, history
        395, 160,                    // preview
        41, FONT_22, 76, 6, FONT_18, // core pop-up
        -20, 4,
    },
    // HDMI, 1280x720
    {
        80, 280, 250, FONT_22,
        40, 20, 11, FONT_28,
        12, 10, FONT_28,
        40, 3, 125, 13,
        5, 125, 13, 145,
        0, 740, 6,
        60, 11, 80,
        750, 120,
        80, FONT_28, 130, 12, FONT_22,
        20, 10,
    },
};
// clang-format on

// ---- texts ---------------------------------------------------------------

namespace {

const char *const room_names[ROOM_COUNT][LANGUAGE_COUNT] = {
    {"游戏厅", "遊戲廳", "Game Rooms", "ゲームルーム", "게임룸", "Salas de juegos"},
    {"收藏", "收藏", "Favorites", "お気に入り", "즐겨 찾기", "Favoritos"},
    {"历史", "歷史", "History", "歴史", "역사", "Historia"},
    {"搜索", "搜索", "Search", "探す", "검색", "Buscar"},
    {"设置", "設置", "Settings", "設定", "설정", "Ajustes"},
};

const char *const system_titles[SYSTEM_COUNT][LANGUAGE_COUNT] = {
    /* 0 PS1 */ {"PS1 游戏", "PS1 遊戲", "PS1 GAME", "PS1 ゲーム", "PS1 경기", "PS1 JUEGO"},
    /* 1 VERTICAL */
    {"竖版街机", "豎版街機", "Vertical Arcade", "Vertical Arcade", "Vertical Arcade", "Vertical Arcade"},
    /* 2 CPS */ {"CPS 游戏", "CPS 遊戲", "CPS GAME", "CPS ゲーム", "CPS 경기", "CPS JUEGO"},
    /* 3 NEOGEO */ {"NEOGEO 游戏", "NEOGEO 遊戲", "NEOGEO GAME", "NEOGEO ゲーム", "NEOGEO 경기", "NEOGEO JUEGO"},
    /* 4 FBAHACK */ {"FBAHACK 游戏", "FBAHACK 遊戲", "FBAHACK GAME", "FBAHACK ゲーム", "FBAHACK 경기", "FBAHACK JUEGO"},
    /* 5 MAME */ {"MAME 游戏", "MAME 遊戲", "MAME GAME", "MAME ゲーム", "MAME 경기", "MAME JUEGO"},
    /* 6 GBA */ {"GBA 游戏", "GBA 遊戲", "GBA GAME", "GBA ゲーム", "GBA 경기", "GBA JUEGO"},
    /* 7 FC */ {"NES 游戏", "NES 遊戲", "NES GAME", "NES ゲーム", "NES 경기", "NES JUEGO"},
    /* 8 SFC */ {"SNES 游戏", "SNES 遊戲", "SNES GAME", "SNES ゲーム", "SNES 경기", "SNES JUEGO"},
    /* 9 SMS */ {"SMS 游戏", "SMS 遊戲", "SMS GAME", "SMS ゲーム", "SMS 경기", "SMS JUEGO"},
    /* 10 MD */ {"MD 游戏", "MD 遊戲", "MD GAME", "MD ゲーム", "MD 경기", "MD JUEGO"},
    /* 11 GBC */ {"GBC 游戏", "GBC 遊戲", "GBC GAME", "GBC ゲーム", "GBC 경기", "GBC JUEGO"},
    /* 12 GB */ {"GB 游戏", "GB 遊戲", "GB GAME", "GB ゲーム", "GB 경기", "GB JUEGO"},
    /* 13 PCENGINE */ {"PCE 游戏", "PCE 遊戲", "PCE GAME", "PCE ゲーム", "PCE 경기", "PCE JUEGO"},
    /* 14 NGPC */ {"NGPC 游戏", "NGPC 遊戲", "NGPC GAME", "NGPC ゲーム", "NGPC 경기", "NGPC JUEGO"},
    /* 15 GG */ {"GG 游戏", "GG 遊戲", "GG GAME", "GG ゲーム", "GG 경기", "GG JUEGO"},
    /* 16 WonderSwan */ {"WSC 游戏", "WSC 遊戲", "WSC GAME", "WSC ゲーム", "WSC 경기", "WSC JUEGO"},
};

enum { CARD_LABEL_EXTERNAL, CARD_LABEL_BUILTIN };
const char *const card_labels[2][LANGUAGE_COUNT] = {
    {"外置卡", "外置卡", "External card", "外部カード", "외부 카드", "External card"},
    {"内置卡", "內置卡", "Built-in card", "内蔵カード", "내장 카드", "Built-in card"},
};
const char *const card_tags[2] = {"(TF2/EXT.)", "(TF1/INT.)"};

const char *const popup_titles[LANGUAGE_COUNT] = {
    "选择模拟器核心",         "選擇模擬器覈心",       "Select Simulator Core",
    "エミュレータコアの選択", "에뮬레이터 코어 선택", "Seleccionar el núcleo del simulador",
};

int language_of(int language)
{
    return language >= 0 && language < LANGUAGE_COUNT ? language : 0;
}

} // namespace

const char *const file_error_text = "##file error !";

const char *room_name(int room_number, int language)
{
    if (room_number < 0 || room_number >= ROOM_COUNT)
        return "";
    return room_names[room_number][language_of(language)];
}

const char *system_title(int system, int language)
{
    if (system < 0 || system >= SYSTEM_COUNT)
        return "";
    return system_titles[system][language_of(language)];
}

const char *card_row_text(int external, int language, char *out, size_t size)
{
    const int which = external ? CARD_LABEL_EXTERNAL : CARD_LABEL_BUILTIN;
    snprintf(out, size, "%s %s", card_labels[which][language_of(language)], card_tags[which]);
    return out;
}

const char *core_popup_title(int language)
{
    return popup_titles[language_of(language)];
}

// ---- shared pieces -------------------------------------------------------

namespace {

int surface_w(const SDL_Surface *s)
{
    return s ? s->w : 0;
}

int surface_h(const SDL_Surface *s)
{
    return s ? s->h : 0;
}

void draw_centred(SDL_Surface *dst, int y, TTF_Font *font, const char *text)
{
    int w = 0, h = 0;
    text_size(font, text, &w, &h);
    draw_text((dst->w - w) / 2, y, font, WHITE, text, dst);
}

// The favourite mark of a row at y.
void draw_favorite_mark(SDL_Surface *dst, int out, int y)
{
    const LibraryLayout &L = library_layouts[out];
    SDL_Surface *mark = fixed_res[out].list[3];
    if (!mark)
        return;
    const int base = L.mark_from_highlight ? surface_w(fixed_res[out].list[5]) : 0;
    blit_at(base + L.mark_right - mark->w, y + L.mark_dy, mark, dst);
}

// The preview of the selected entry, after the rows. A stored entry whose
// game left its list has none.
void draw_selected_preview(SDL_Surface *dst, int out, int system, Card card, int index)
{
    if (!game_index_valid(game_list(card, system), index))
        return;
    const LibraryLayout &L = library_layouts[out];
    blit_at(L.preview_x, L.preview_y, selected_preview(out == OUTPUT_LCD, system, card, index), dst);
}

// The shown name of entry `index` of a system's list on a card, or
// the file error text when the list no longer holds it.
const char *entry_name(int system, Card card, int index, char *buf, size_t size)
{
    const GameList *list = game_list(card, system);
    if (!game_index_valid(list, index))
        return file_error_text;
    return display_name(system, game_name(list, index), buf, size);
}

// How the rows of a list screen show their entries.
struct RowLook {
    int text_x, text_dy; // "number name" at (text_x, row top + text_dy)
    int clip;            // the text's width
    SDL_Surface *icon;   // at (icon_x, row top + icon_dy) when there is one
    int icon_x, icon_dy;
};

// The rows of the favourites and the history.
RowLook entry_look(int out)
{
    const LibraryLayout &L = library_layouts[out];
    return {L.entry_text_x, L.entry_text_dy, surface_w(fixed_res[out].list[5]) - L.entry_clip_cut, nullptr, 0, 0};
}

// Row `row` of the page: the highlight bar when the cursor is on it, the
// favourite mark, the icon and the text (scrolling when selected). Returns
// whether it is the selected row.
bool draw_list_row(SDL_Surface *dst, int out, int row, const RowLook &look, bool favorite, int number, const char *name)
{
    const int y = list_row_y(out, row);
    const bool selected = row == browse_cursor.row;
    if (selected)
        draw_row_highlight(dst, y);
    if (favorite)
        draw_favorite_mark(dst, out, y);
    blit_at(look.icon_x, y + look.icon_dy, look.icon, dst);
    draw_row_text(dst, look.text_x, y + look.text_dy, number, name, look.clip, selected);
    return selected;
}

} // namespace

// ---- screens -------------------------------------------------------------

void draw_rooms_screen(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = draw_screen_frame(dst, bottom_hints(SCREEN_ROOMS, 0));
    const LibraryLayout &L = library_layouts[out];
    for (int i = 0; i < ROOM_COUNT; i++) {
        SDL_Surface *full = theme_pics.icon[out][i];
        SDL_Surface *small = theme_pics.icon_small[out][i];
        const int w = surface_w(full);
        const int x = i * (w + L.room_gap) + L.room_gap;
        if (i == room) {
            blit_at(x, L.room_icon_y, full, dst);
            TTF_Font *font = ui_font[L.room_name_font];
            int tw = 0, th = 0;
            const char *name = room_name(i, ui_language());
            text_size(font, name, &tw, &th);
            draw_text((dst->w - tw) / 2, L.room_name_base - th, font, WHITE, name, dst);
        } else if (small) {
            const int bottom = L.room_icon_y + surface_h(full);
            blit_at(x + (w - small->w) / 2, bottom - small->h, small, dst);
        }
    }
}

void draw_card_screen(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = draw_screen_frame(dst, bottom_hints(SCREEN_CARD, 0));
    const LibraryLayout &L = library_layouts[out];
    CardSelection rows[2] = {SELECTED_EXTERNAL, SELECTED_INTERNAL};
    int count = 2;
    if (tf_card_state != 1) {
        // Only the built-in card is there: it is the one chosen.
        rows[0] = SELECTED_INTERNAL;
        count = 1;
        browse_card = SELECTED_INTERNAL;
    }
    SDL_Surface *highlight = fixed_res[out].list[4];
    const int row_h = surface_h(highlight) + 5;
    const int top = chrome_layouts[out].rows_y;
    char text[128];
    for (int i = 0; i < count; i++) {
        const int y = top + i * row_h;
        if (rows[i] == browse_card)
            blit_at(L.card_x, y, highlight, dst);
        card_row_text(rows[i] == SELECTED_EXTERNAL, ui_language(), text, sizeof(text));
        draw_text(L.card_x + L.card_text_dx, y + L.card_text_dy, ui_font[L.card_font], WHITE, text, dst);
    }
}

void draw_systems_screen(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = draw_screen_frame(dst, bottom_hints(SCREEN_SYSTEMS, 0));
    const LibraryLayout &L = library_layouts[out];
    const int external = browse_card == SELECTED_EXTERNAL;
    draw_text(L.label_x, L.label_y, ui_font[L.label_font], WHITE,
              card_labels[external ? CARD_LABEL_EXTERNAL : CARD_LABEL_BUILTIN][ui_language()], dst);
    if (external && tf_card_state != 1) {
        draw_card_missing(dst);
        return;
    }
    const FixedRes &r = fixed_res[out];
    const int first = browse_system / ROWS_PER_PAGE * ROWS_PER_PAGE;
    TTF_Font *font = ui_font[chrome_layouts[out].row_font];
    for (int row = 0; row < ROWS_PER_PAGE && first + row < SYSTEM_COUNT; row++) {
        const int s = first + row;
        const int y = list_row_y(out, row);
        if (s == browse_system) {
            draw_row_highlight(dst, y);
            blit_at(L.preview_x, L.preview_y, r.type_right[s], dst);
        }
        blit_at(L.icon_x, y + L.sys_icon_dy, r.type_left[s], dst);
        draw_text(L.sys_text_x, y + L.sys_text_dy, font, WHITE, system_title(s, ui_language()), dst);
    }
}

void draw_games_screen(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int system = browse_system;
    const Card card = selected_card();
    const int out = draw_screen_frame(dst, bottom_hints(SCREEN_GAMES, system == SYSTEM_GBA));
    const LibraryLayout &L = library_layouts[out];
    const GameList *list = game_list(card, system);
    const int n = list ? list->count : 0;
    const int page = browse_cursor.page;
    if (!draw_list_pages(dst, n, page))
        return;
    SDL_Surface *icon =
        system >= 0 && system < SYSTEM_COUNT ? picture_surface(fixed_res[out].type_left[system]) : nullptr;
    const RowLook look = {L.game_text_x, L.game_text_dy, surface_w(fixed_res[out].list[5]) - L.game_clip_cut,
                          icon,          L.icon_x,       L.game_icon_dy};
    char name[GAME_NAME_MAX + 1];
    int selected = -1;
    for (int row = 0; row < ROWS_PER_PAGE; row++) {
        const int index = page * ROWS_PER_PAGE + row;
        if (index < 0 || index >= n)
            break;
        display_name(system, game_name(list, index), name, sizeof(name));
        if (draw_list_row(dst, out, row, look, favorite_test(system, index, card) == 1, index + 1, name))
            selected = index;
    }
    if (selected >= 0)
        draw_selected_preview(dst, out, system, card, selected);
}

void draw_favorites_screen(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = draw_screen_frame(dst, bottom_hints(SCREEN_FAVORITES, 0));
    const int page = browse_cursor.page;
    if (!draw_list_pages(dst, list_count(FAVORITE_LIST), page))
        return;
    const RowLook look = entry_look(out);
    char buf[GAME_NAME_MAX + 1];
    const Favorite *selected = nullptr;
    for (int row = 0; row < ROWS_PER_PAGE; row++) {
        const int position = page * ROWS_PER_PAGE + row;
        const Favorite *f = list_record_at(FAVORITE_LIST, position);
        if (!f)
            break;
        const char *name = entry_name(f->system, card_from_number(f->card), f->index, buf, sizeof(buf));
        if (draw_list_row(dst, out, row, look, true, position + 1, name))
            selected = f;
    }
    if (selected)
        draw_selected_preview(dst, out, selected->system, card_from_number(selected->card), selected->index);
}

void draw_history_screen(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = draw_screen_frame(dst, bottom_hints(SCREEN_HISTORY, 0));
    // The history is one page (HISTORY_MAX entries at the most).
    if (!draw_list_pages(dst, list_count(HISTORY_LIST), 0))
        return;
    const RowLook look = entry_look(out);
    char buf[GAME_NAME_MAX + 1];
    const HistoryEntry *selected = nullptr;
    for (int row = 0; row < ROWS_PER_PAGE; row++) {
        const HistoryEntry *h = list_record_at(HISTORY_LIST, row);
        if (!h)
            break;
        const char *name = entry_name(h->system, card_from_flag(h->card), h->index, buf, sizeof(buf));
        if (draw_list_row(dst, out, row, look, favorite_test(h->system, h->index, card_from_flag(h->card)) == 1,
                          row + 1, name))
            selected = h;
    }
    if (selected)
        draw_selected_preview(dst, out, selected->system, card_from_flag(selected->card), selected->index);
}

// ---- core pop-up ---------------------------------------------------------

namespace {

constexpr const char RADIO_OFF_PICTURE[] = "/mnt/vendor/desktop_res/menu/1.png";
constexpr const char RADIO_ON_PICTURE[] = "/mnt/vendor/desktop_res/menu/2.png";

// 0 not chosen, 1 chosen; loaded once.
SDL_Surface *radio_marks[2] = {nullptr, nullptr};
bool radio_tried = false;

void load_radio_marks(void)
{
    if (radio_tried)
        return;
    radio_tried = true;
    radio_marks[0] = load_img(RADIO_OFF_PICTURE);
    radio_marks[1] = load_img(RADIO_ON_PICTURE);
}

} // namespace

void library_screens_free(void)
{
    for (SDL_Surface *&s : radio_marks)
        free_surface(s);
    radio_tried = false;
}

void draw_core_popup_screen(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const LibraryLayout &L = library_layouts[out];
    load_radio_marks();
    draw_background(dst);
    draw_centred(dst, L.popup_title_y, ui_font[L.popup_title_font], core_popup_title(ui_language()));
    SDL_Surface *highlight = fixed_res[out].list[4];
    const int row_h = surface_h(highlight) + 5;
    for (int i = 0; i < CORE_POPUP_ITEMS; i++) {
        const int y = L.popup_rows_y + i * row_h;
        if (i == core_popup.cursor)
            blit_at(L.card_x, y, highlight, dst);
        draw_text(L.card_x + L.card_text_dx, y + L.popup_item_dy, ui_font[L.popup_item_font], WHITE,
                  core_popup_items[i], dst);
        SDL_Surface *mark = radio_marks[i == core_popup.chosen ? 1 : 0];
        if (mark)
            blit_at(surface_w(highlight) - mark->w + L.popup_radio_dx, y + L.popup_radio_dy, mark, dst);
    }
    draw_top_bar(dst);
    draw_bottom_bar(dst, bottom_hints(SCREEN_CORE_POPUP, 0));
}
