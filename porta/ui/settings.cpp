#include "porta/ui/settings.h"

#include "porta/base/attr.h"
#include "porta/device/battery.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/keycodes.h"
#include "porta/device/keysound.h"
#include "porta/device/pcm.h"
#include "porta/library/browse.h"
#include "porta/library/corelist.h"
#include "porta/library/favorites.h"
#include "porta/library/history.h"
#include "porta/ui/chrome.h"
#include "porta/ui/confirm.h"
#include "porta/ui/datetime.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/screens.h"
#include "porta/ui/themes.h"

#include <cstdio>
#include <cstring>
#include <ctime>

// The SDL key codes the keypad's keys arrive as.

int settings_cursor = 0;
SettingsPage settings_page = {-1, 0, -1, 0, 0, {}};

namespace {

// The language before the first change on the language page, or
// SETTINGS_NO_LANGUAGE.
int settings_language_before = SETTINGS_NO_LANGUAGE;
// The hidden sequence so far: one bit for each of L, R, X and Y released.
unsigned settings_hidden_keys = 0;

SettingsLinks links = {nullptr, nullptr, nullptr, nullptr};

// ---- texts ---------------------------------------------------------------

// Console messages. The firmware's logs and the tests rely on their bytes:
// keep them exactly as they are, the function names inside them included.
constexpr char MSG_TEST_RES_ERROR[] = "---menu_keypress: load test res err \n";

const char *const item_labels[SETTINGS_ITEMS][LANGUAGE_COUNT] = {
    {"电池", "電池", "Battery", "バッテリー", "배터리", "Batería"},
    {"关机", "關機", "Shut down", "シャットダウン", "종료", "Apagar"},
    {"日期和时间", "日期和時間", "Date and time", "日時", "날짜와 시간", "Fecha y hora"},
    {"IO 测试", "IO 測試", "IO Test", "IO Test", "IO Test", "IO Test"},
    {"按键声音", "按鍵聲音", "Button sound", "ボタン音", "버튼 소리", "Sonido de botón"},
    {"主题设置", "主題設置", "Theme Settings", "トピックの設定", "주제 설정", "Configuración del tema"},
    {"背景设置", "背景設置", "Background Settings", "背景設定", "배경 설정", "Configuración de fondo"},
    {"语言设置", "語言設置", "Language settings", "言語設定", "언어 설정", "configuraciones de idioma"},
    {"定时关机", "定時關機", "Schedule power off", "電源オフのスケジュール", "전원 끄기 예약", "Programar apagado"},
    {"背光时间", "背光時間", "Backlight time", "バックライト時間", "백라이트 시간", "Tiempo de luz de fondo"},
    {"背光亮度", "背光亮度", "Backlight brightness", "バックライトの明るさ", "백라이트 밝기",
     "brillo de la retroiluminación"},
    {"按键自定义", "按鍵自定義", "Buttons custom", "カスタムボタン", "버튼 사용자 정의", "Botones personalizados"},
    {"清除历史记录", "清除歷史記錄", "Clearing History", "履歴のクリア", "기록 지우기", "Borrar historial"},
    {"清除收藏记录", "清除收藏記錄", "Clear Favorite Records", "クリアレコード", "즐겨찾기 레코드 지우기",
     "Borrar registros favoritos"},
    {"清除核心关联", "清除覈心關聯", "Clear Core Association", "コア関連の消去", "코어 연관 지우기",
     "Borrar la Asociación del núcleo"},
    {"固件版本号", "固件版本號", "Firmware version", "ファームウェアバージョン", "Firmware version",
     "Firmware version"},
};

LanguageTexts word_open = {"打开", "打開", "Open", "開ける", "열려 있는", "Abierto"};
LanguageTexts word_close = {"关闭", "關閉", "Close", "近い", "닫다", "Cerca"};
LanguageTexts word_minute = {"分钟", "分鐘", "Minute", "分", "분", "Minuto"};
LanguageTexts word_always = {"常亮", "常亮", "Always", "いつも", "언제나", "Siempre"};
LanguageTexts word_level = {"级", "級", "Level", "レベル", "수준", "Nivel"};
LanguageTexts word_theme = {"主题", "主題", "Theme", "トピック＃トピック＃", "주제", "Tema"};
LanguageTexts word_background = {"背景图", "背景圖", "Background Image", "背景画像", "배경 이미지", "Imagen de fondo"};
LanguageTexts word_date = {"日期", "日期", "Date", "日にち", "날짜", "Fecha"};
LanguageTexts word_time = {"时间", "時間", "Time", "時間", "시간", "Hora"};
LanguageTexts word_voltage = {"电压", "電壓", "Voltage", "電圧", "전압", "Voltaje"};
LanguageTexts word_current = {"充电电流", "充電電流",  "Charging current",
                              "充電電流", "충전 전류", "Corriente de carga"};
LanguageTexts word_capacity = {"百分比", "百分比", "Capacity", "Capacity", "Capacity", "Capacity"};
LanguageTexts language_names = {"简体中文", "繁体中文", "English", "日本語", "한국어", "Español"};
LanguageTexts row_joy_custom = {"手柄按键自定义",
                                "手柄按鍵自定義",
                                "Joystick buttons custom",
                                "カスタムジョイスティックボタン",
                                "조이스틱 버튼 사용자 정의",
                                "Botones de joystick personalizados"};
LanguageTexts row_joy_restore = {"恢复手柄按键默认值",
                                 "恢復手柄按鍵默認值",
                                 "Restoring Joystick Button Defaults",
                                 "ジョイスティックボタンのデフォルトの復元",
                                 "조이스틱 버튼 기본값 복원",
                                 "Restoring Joystick Button Defaults"};
LanguageTexts row_local_custom = {"本地按键自定义",         "本地按鍵自定義",        "Local button custom",
                                  "ローカルボタンカスタム", "로컬 버튼 사용자 지정", "Botón local personalizado"};

const char *word(LanguageTexts &w)
{
    return w[ui_language()];
}

void sleep_time_text(int index, char *buf, size_t size)
{
    // The minutes shown are those of the loop's table of sleep delays.
    const uint32_t delay_ms = sleep_delay_ms(index);
    if (delay_ms != 0)
        snprintf(buf, size, "%d %s", static_cast<int>(delay_ms / 60000u), word(word_minute));
    else
        snprintf(buf, size, "%s", word(word_always));
}

// ---- resources -----------------------------------------------------------

struct {
    int loaded;
    SDL_Surface *menu[SETTINGS_MENU_IMAGES];
    SDL_Surface *logo;
} res;

// ---- the open page -------------------------------------------------------

void page_clear(void)
{
    settings_page.item = -1;
    settings_page.cursor = 0;
    settings_page.chosen = -1;
    settings_page.radio = 0;
    settings_page.count = 0;
    for (char *row : settings_page.rows)
        row[0] = '\0';
}

void page_add(const char *text)
{
    if (settings_page.count >= SETTINGS_PAGE_ROWS)
        return;
    snprintf(settings_page.rows[settings_page.count], SETTINGS_ROW_TEXT, "%s", text);
    settings_page.count++;
}

void page_add_number(LanguageTexts &w, int number)
{
    char text[SETTINGS_ROW_TEXT];
    snprintf(text, sizeof(text), "%s %d", word(w), number);
    page_add(text);
}

// The row of `number` in a number list, -1 when it is not there.
int row_of(const int *numbers, int count, int number)
{
    for (int i = 0; i < count; i++)
        if (numbers[i] == number)
            return i;
    return -1;
}

// A radio page of numbered rows ("<word> <number>" for each number), the row of
// `chosen` marked (none when it is not in the list).
void page_add_number_choice(LanguageTexts &w, const int *numbers, int count, int chosen)
{
    for (int i = 0; i < count; i++)
        page_add_number(w, numbers[i]);
    settings_page.radio = 1;
    settings_page.chosen = row_of(numbers, count, chosen);
}

// ---- yes/no answers ------------------------------------------------------

// The volume shown in the title bar becomes 10 after a list is cleared.
void volume_to_full(void)
{
    global_attr.volume = 10;
    set_volume(10);
}

void yes_power_off(void)
{
    stop_loop(SHUTDOWN_POWEROFF);
}

void yes_clear_history(void)
{
    history_del();
    drop_previews();
    volume_to_full();
    save_attr_if_changed();
}

void yes_clear_favorites(void)
{
    favorites_clear();
    drop_previews();
    volume_to_full();
    save_attr_if_changed();
}

void yes_clear_cores(void)
{
    corelist_clear();
}

void ask(int item, void (*yes)(void))
{
    confirm_ask(settings_label(item), SCREEN_SETTINGS, yes, nullptr);
}

// ---- menu keys -----------------------------------------------------------

unsigned hidden_bit(int key)
{
    switch (key) {
    case KEYCODE_L: return 0x1;
    case KEYCODE_R: return 0x2;
    case KEYCODE_X: return 0x4;
    case KEYCODE_Y: return 0x8;
    default: return 0;
    }
}

void open_page(int item)
{
    page_clear();
    const int l = ui_language();
    switch (item) {
    case SET_BATTERY:
        page_add(word_voltage[l]);
        page_add(word_current[l]);
        page_add(word_capacity[l]);
        break;
    case SET_DATE_TIME:
        page_add(word_date[l]);
        page_add(word_time[l]);
        break;
    case SET_KEY_SOUND:
    case SET_AUTO_POWEROFF:
        page_add(word_close[l]);
        page_add(word_open[l]);
        settings_page.radio = 1;
        settings_page.chosen = item == SET_KEY_SOUND ? global_attr.key_sound : global_attr.auto_poweroff;
        break;
    case SET_THEME:
        page_add_number_choice(word_theme, theme_lists.themes.numbers, theme_lists.themes.count,
                               current_theme_number());
        theme_preview(0);
        break;
    case SET_WALLPAPER:
        page_add_number_choice(word_background, theme_lists.wallpapers.numbers, theme_lists.wallpapers.count,
                               current_wallpaper_number());
        wallpaper_preview(0);
        break;
    case SET_LANGUAGE:
        for (const char *name : language_names)
            page_add(name);
        settings_page.radio = 1;
        settings_page.chosen = global_attr.language;
        break;
    case SET_SLEEP_TIME: {
        char text[SETTINGS_ROW_TEXT];
        for (int i = 0; i < 4; i++) {
            sleep_time_text(i, text, sizeof(text));
            page_add(text);
        }
        sleep_time_text(4, text, sizeof(text));
        page_add(text);
        settings_page.radio = 1;
        settings_page.chosen = global_attr.sleep_time;
        break;
    }
    case SET_BRIGHTNESS:
        for (int i = 1; i <= 5; i++) {
            char text[SETTINGS_ROW_TEXT];
            snprintf(text, sizeof(text), "%d %s", i, word(word_level));
            page_add(text);
        }
        settings_page.radio = 1;
        settings_page.chosen = global_attr.brightness;
        break;
    case SET_BUTTONS:
        page_add(row_joy_custom[l]);
        page_add(row_joy_restore[l]);
        if (global_attr.local_pads >= 1)
            page_add(row_local_custom[l]);
        break;
    default: return;
    }
    if (settings_page.chosen >= settings_page.count)
        settings_page.chosen = -1;
    settings_page.item = item;
    settings_page.cursor = 0;
    screen = SCREEN_SETTINGS_PAGE;
}

void menu_a(int item)
{
    switch (item) {
    case SET_SHUTDOWN: ask(item, yes_power_off); break;
    case SET_CLEAR_HISTORY: ask(item, yes_clear_history); break;
    case SET_CLEAR_FAVORITES: ask(item, yes_clear_favorites); break;
    case SET_CLEAR_CORES: ask(item, yes_clear_cores); break;
    case SET_IO_TEST:
        // IO TEST: the factory module installs its opener (its pictures and
        // state) at start-up; without one the item does nothing.
        if (!links.io_test)
            break;
        if (links.io_test() != 0) {
            fputs(MSG_TEST_RES_ERROR, stdout);
            break;
        }
        screen = SCREEN_IO_TEST;
        break;
    case SET_THEME:
        if (theme_lists.themes.count > 0)
            open_page(item);
        break;
    case SET_WALLPAPER:
        if (theme_lists.wallpapers.count > 0)
            open_page(item);
        break;
    case SET_FIRMWARE: break;
    default: open_page(item); break;
    }
}

// ---- page keys -----------------------------------------------------------

void preview_row(void)
{
    if (settings_page.item == SET_THEME)
        theme_preview(settings_page.cursor);
    else if (settings_page.item == SET_WALLPAPER)
        wallpaper_preview(settings_page.cursor);
}

void buttons_a(int row)
{
    switch (row) {
    case 0:
        // JOYSTICK MAPPING: opened through the controller module's opener.
        if (links.joy_map && links.joy_map() == 0)
            screen = SCREEN_JOY_MAP;
        break;
    case 1:
        // JOYSTICK RESET: its question returns to this page.
        if (!links.joy_reset)
            break;
        confirm_setup(settings_page.rows[1], SCREEN_SETTINGS_PAGE);
        if (links.joy_reset() == 0)
            screen = SCREEN_JOY_RESET;
        break;
    case 2:
        // KEYPAD MAPPING: opened through the controller module's opener.
        if (links.keypad_map && links.keypad_map() == 0)
            screen = SCREEN_KEYPAD_MAP;
        break;
    default: break;
    }
}

void page_a(void)
{
    const int row = settings_page.cursor;
    switch (settings_page.item) {
    case SET_KEY_SOUND:
    case SET_THEME:
    case SET_AUTO_POWEROFF:
    case SET_SLEEP_TIME: settings_page.chosen = row; break;
    case SET_WALLPAPER:
        settings_page.chosen = row;
        take_wallpaper_previews();
        break;
    case SET_LANGUAGE:
        if (settings_language_before == SETTINGS_NO_LANGUAGE)
            settings_language_before = global_attr.language;
        settings_page.chosen = row;
        global_attr.language = row;
        break;
    case SET_BRIGHTNESS:
        settings_page.chosen = row;
        if (output_device == OUTPUT_LCD)
            set_backlight(row);
        break;
    case SET_DATE_TIME:
        datetime_open(row == 1 ? DATETIME_TIME : DATETIME_DATE);
        screen = SCREEN_DATE_TIME;
        break;
    case SET_BUTTONS: buttons_a(row); break;
    default: break;
    }
}

// A choice differing from the stored value is stored and marks the record.
void take(int32_t &field, int chosen)
{
    if (chosen >= 0 && field != chosen) {
        field = chosen;
        attr_changed = 1;
    }
}

void page_leave(void)
{
    const int chosen = settings_page.chosen;
    switch (settings_page.item) {
    case SET_KEY_SOUND: take(global_attr.key_sound, chosen); break;
    case SET_AUTO_POWEROFF: take(global_attr.auto_poweroff, chosen); break;
    case SET_SLEEP_TIME: take(global_attr.sleep_time, chosen); break;
    case SET_BRIGHTNESS: take(global_attr.brightness, chosen); break;
    case SET_THEME:
        if (chosen >= 0 && chosen < theme_lists.themes.count &&
            theme_lists.themes.numbers[chosen] != current_theme_number()) {
            take(customer_skin ? global_attr.sd_theme : global_attr.theme, theme_lists.themes.numbers[chosen]);
            load_theme_icons();
        }
        free_theme_previews();
        break;
    case SET_WALLPAPER:
        if (chosen >= 0 && chosen < theme_lists.wallpapers.count)
            take(customer_skin ? global_attr.sd_wallpaper : global_attr.wallpaper,
                 theme_lists.wallpapers.numbers[chosen]);
        break;
    case SET_LANGUAGE:
        if (settings_language_before != SETTINGS_NO_LANGUAGE && settings_language_before != global_attr.language)
            attr_changed = 1;
        break;
    default: break;
    }
    screen = SCREEN_SETTINGS;
    free_wallpaper_previews();
    settings_language_before = SETTINGS_NO_LANGUAGE;
    page_clear();
    // What the page stored reaches the sealed record now, not only when the
    // menu is left: a power cut in the menu keeps it.
    save_attr_if_changed();
}

// ---- drawing -------------------------------------------------------------

// The battery and date pages show a value where the radio marks would be.
void page_values(char values[3][32])
{
    for (int i = 0; i < 3; i++)
        values[i][0] = '\0';
    if (settings_page.item == SET_BATTERY) {
        snprintf(values[0], 32, "%.2fv", battery.voltage / 1000.0);
        snprintf(values[1], 32, "%dmA", battery.current);
        snprintf(values[2], 32, "%2d%%", static_cast<int>(battery.capacity));
    } else if (settings_page.item == SET_DATE_TIME) {
        time_t t = time(nullptr);
        struct tm now;
        if (!localtime_r(&t, &now))
            return;
        snprintf(values[0], 32, "%02d/%02d/%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
        snprintf(values[1], 32, "%02d:%02d", now.tm_hour, now.tm_min);
    }
}

} // namespace

// ---- texts ---------------------------------------------------------------

const char *settings_label(int item)
{
    if (item < 0 || item >= SETTINGS_ITEMS)
        return "";
    return item_labels[item][ui_language()];
}

void settings_value(int item, char *buf, size_t size)
{
    if (!buf || size == 0)
        return;
    buf[0] = '\0';
    switch (item) {
    case SET_KEY_SOUND: snprintf(buf, size, "%s", word(global_attr.key_sound ? word_open : word_close)); break;
    case SET_THEME: snprintf(buf, size, "%d", current_theme_number()); break;
    case SET_WALLPAPER: snprintf(buf, size, "%d", current_wallpaper_number()); break;
    case SET_LANGUAGE: snprintf(buf, size, "%s", language_names[ui_language()]); break;
    case SET_AUTO_POWEROFF: snprintf(buf, size, "%s", word(global_attr.auto_poweroff ? word_open : word_close)); break;
    case SET_SLEEP_TIME: sleep_time_text(global_attr.sleep_time, buf, size); break;
    case SET_BRIGHTNESS: snprintf(buf, size, "%d %s", global_attr.brightness + 1, word(word_level)); break;
    case SET_FIRMWARE: snprintf(buf, size, "V1.%s", SETTINGS_FIRMWARE_DATE); break;
    default: break;
    }
}

int settings_hidden_complete(void)
{
    return (settings_hidden_keys & SETTINGS_HIDDEN_COMPLETE) == SETTINGS_HIDDEN_COMPLETE;
}

// ---- resources -----------------------------------------------------------

int settings_load_resources(void)
{
    if (res.loaded)
        return 0;
    char path[160];
    for (int i = 0; i < SETTINGS_MENU_IMAGES; i++) {
        if (res.menu[i])
            continue;
        snprintf(path, sizeof(path), "%s/%d.png", SETTINGS_RES_DIR, i);
        res.menu[i] = load_img(path);
        if (!res.menu[i])
            return -1;
    }
    if (!res.logo) {
        snprintf(path, sizeof(path), "%s/zendra.png", SETTINGS_LOGO_DIR);
        res.logo = load_img(path);
    }
    res.loaded = 1;
    return 0;
}

SDL_Surface *settings_menu_image(int index)
{
    return index >= 0 && index < SETTINGS_MENU_IMAGES ? res.menu[index] : nullptr;
}

void draw_menu_button(SDL_Surface *dst, int x, int y, int selected, const char *text, TTF_Font *font)
{
    SDL_Surface *pic = settings_menu_image(selected ? MENU_IMG_BUTTON_ON : MENU_IMG_BUTTON_OFF);
    blit_at(x, y, pic, dst);
    int w = 0, h = 0;
    text_size(font, text, &w, &h);
    const int pw = pic ? pic->w : w;
    const int ph = pic ? pic->h : h;
    const SDL_Color colour = selected ? WHITE : SDL_Color{0, 0, 0, 0};
    draw_text(x + (pw - w) / 2, y + (ph - h) / 2, font, colour, text, dst);
}

SDL_Surface *settings_logo(void)
{
    return res.logo;
}

void settings_free_resources(void)
{
    for (SDL_Surface *&s : res.menu)
        free_surface(s);
    free_surface(res.logo);
    res.loaded = 0;
}

// ---- the open page -------------------------------------------------------

int settings_open_page_item(void)
{
    return settings_page.item;
}

int settings_battery_page_shown(void)
{
    return screen == SCREEN_SETTINGS_PAGE && settings_page.item == SET_BATTERY;
}

void settings_set_links(const SettingsLinks *l)
{
    links = l ? *l : SettingsLinks{nullptr, nullptr, nullptr, nullptr};
}

void settings_install(void)
{
    themes_set_open_page_query(settings_open_page_item);
}

// ---- opening -------------------------------------------------------------

int open_settings(void)
{
    // The numbers the theme and background pages offer, from the set in use.
    theme_lists.wallpapers.count = 0;
    theme_lists.themes.count = 0;
    fill_theme_lists();
    // A fresh menu.
    settings_cursor = 0;
    page_clear();
    settings_hidden_keys = 0;
    settings_language_before = SETTINGS_NO_LANGUAGE;
    confirm_clear();
    free_theme_previews();
    free_wallpaper_previews();
    // SCREEN_MENU_PENDING waits for the release of the key that opened the
    // menu: that release completes the opening.
    settings_return_screen = screen.load();
    screen = SCREEN_MENU_PENDING;
    request_redraw();
    // The pictures, tried again at every opening until they load.
    return settings_load_resources();
}

// ---- menu keys -----------------------------------------------------------

void menu_keypress(int key)
{
    const unsigned bit = hidden_bit(key);
    settings_hidden_keys = bit ? (settings_hidden_keys | bit) : 0;
    switch (key) {
    case KEYCODE_UP:
        play_key_sound(KEY_SOUND_MOVE);
        settings_cursor = settings_cursor > 0 ? settings_cursor - 1 : SETTINGS_ITEMS - 1;
        break;
    case KEYCODE_DOWN:
        play_key_sound(KEY_SOUND_MOVE);
        settings_cursor = settings_cursor < SETTINGS_ITEMS - 1 ? settings_cursor + 1 : 0;
        break;
    case KEYCODE_B:
        play_key_sound(KEY_SOUND_REFUSED);
        screen = settings_return_screen;
        save_attr_if_changed();
        break;
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        menu_a(settings_cursor);
        break;
    default: break;
    }
}

// ---- page keys -----------------------------------------------------------

void settings_page_keypress(int key)
{
    const int n = settings_page.count;
    switch (key) {
    case KEYCODE_UP:
        play_key_sound(KEY_SOUND_MOVE);
        if (n > 0) {
            settings_page.cursor = settings_page.cursor > 0 ? settings_page.cursor - 1 : n - 1;
            preview_row();
        }
        break;
    case KEYCODE_DOWN:
        play_key_sound(KEY_SOUND_MOVE);
        if (n > 0) {
            settings_page.cursor = settings_page.cursor < n - 1 ? settings_page.cursor + 1 : 0;
            preview_row();
        }
        break;
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        page_a();
        break;
    case KEYCODE_B:
        play_key_sound(KEY_SOUND_REFUSED);
        page_leave();
        break;
    default: break;
    }
}

// ---- drawing -------------------------------------------------------------

// Positions, one row per group (kept out of the formatter).
// clang-format off
const SettingsLayout settings_layouts[OUTPUT_COUNT] = {
    // LCD, 640x480
    {
        0, 36, 3,
        20, 8, FONT_18,
        12, FONT_16, 10,
        41, FONT_22,
        0, 76, 5,
        20, 6, FONT_18,
        -15, 2,
        90, 160, 100,
    },
    // HDMI, 1280x720
    {
        40, 60, 5,
        20, 15, FONT_22,
        21, FONT_16, 10,
        80, FONT_28,
        40, 130, 5,
        20, 15, FONT_22,
        20, 2,
        160, 280, 200,
    },
};
// clang-format on

void settings_row(int item, int x, int y, SDL_Surface *dst)
{
    if (!dst || item < 0 || item >= SETTINGS_ITEMS)
        return;
    const int out = chrome_out(dst);
    const SettingsLayout &L = settings_layouts[out];
    SDL_Surface *hl = chrome_list_highlight(out);
    if (item == settings_cursor)
        blit_at(x, y, hl, dst);
    draw_text(x + L.label_dx, y + L.label_dy, ui_font[L.label_font], WHITE, settings_label(item), dst);
    char value[SETTINGS_ROW_TEXT];
    settings_value(item, value, sizeof(value));
    if (value[0]) {
        const int end = x + (hl ? hl->w : dst->w - x) - L.value_end_gap;
        TTF_Font *font = ui_font[L.value_font];
        draw_text(end - text_width(font, value), y + L.value_dy, font, WHITE, value, dst);
    }
}

void settings_draw(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const SettingsLayout &L = settings_layouts[out];
    const SDL_Surface *hl = chrome_list_highlight(out);
    const int step = (hl ? hl->h : 0) + L.list_gap;
    draw_background(dst);
    const int first = settings_cursor < SETTINGS_FIRST_PAGE ? 0 : SETTINGS_FIRST_PAGE;
    const int last = first == 0 ? SETTINGS_FIRST_PAGE : SETTINGS_ITEMS;
    int y = L.list_y;
    for (int item = first; item < last; item++, y += step)
        settings_row(item, L.list_x, y, dst);
    if (first != 0 && settings_hidden_complete())
        blit_at(L.list_x, y, settings_logo(), dst);
    draw_top_bar(dst);
    draw_bottom_bar(dst, bottom_hints(SCREEN_SETTINGS, 0));
}

void settings_page_draw(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const SettingsLayout &L = settings_layouts[out];
    SDL_Surface *hl = chrome_list_highlight(out);
    const int hl_w = hl ? hl->w : dst->w;
    const int step = (hl ? hl->h : 0) + L.page_gap;

    // Background: the previewed wallpaper on the background page.
    SDL_Surface *wall = settings_page.item == SET_WALLPAPER ? picture_surface(theme_previews.wallpaper[out]) : nullptr;
    if (wall) {
        if (wall->w < dst->w || wall->h < dst->h)
            SDL_FillRect(dst, nullptr, 0);
        blit_at(0, 0, wall, dst);
    } else {
        draw_background(dst);
    }

    const char *title = settings_label(settings_page.item);
    TTF_Font *title_font = ui_font[L.title_font];
    draw_text((dst->w - text_width(title_font, title)) / 2, L.title_y, title_font, WHITE, title, dst);

    SDL_Surface *mark_off = settings_menu_image(MENU_IMG_RADIO_OFF);
    SDL_Surface *mark_on = settings_menu_image(MENU_IMG_RADIO_ON);
    const int mark_w = mark_off ? mark_off->w : 0;
    const int mark_x = hl_w - mark_w + L.radio_dx;
    char values[3][32];
    page_values(values);

    const int n = settings_page.count;
    const int first =
        n > SETTINGS_PAGE_VISIBLE ? settings_page.cursor / SETTINGS_PAGE_VISIBLE * SETTINGS_PAGE_VISIBLE : 0;
    const int shown = n - first < SETTINGS_PAGE_VISIBLE ? n - first : SETTINGS_PAGE_VISIBLE;
    TTF_Font *font = ui_font[L.text_font];
    TTF_Font *value_font = font;
    for (int i = 0; i < shown; i++) {
        const int row = first + i;
        const int x = L.page_x;
        const int y = L.page_y + i * step;
        if (row == settings_page.cursor)
            blit_at(x, y, hl, dst);
        const int text_y = y + L.text_dy;
        draw_text(x + L.text_dx, text_y, font, WHITE, settings_page.rows[row], dst);
        if (settings_page.radio)
            blit_at(mark_x, text_y - L.radio_up, row == settings_page.chosen ? mark_on : mark_off, dst);
        else if (row < 3 && values[row][0])
            draw_text(mark_x - text_width(value_font, values[row]), text_y, value_font, WHITE, values[row], dst);
    }

    if (settings_page.item == SET_THEME) {
        for (int i = 0; i < THEME_ICONS; i++) {
            SDL_Surface *icon = theme_previews.icon[out][i];
            if (icon)
                blit_at(L.preview_x + i * L.preview_slot + (L.preview_slot - icon->w) / 2, L.preview_y, icon, dst);
        }
    }
    draw_top_bar(dst);
    draw_bottom_bar(dst, bottom_hints(SCREEN_SETTINGS_PAGE, 0));
}
