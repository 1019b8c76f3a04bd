#include "porta/ui/draw.h"

#include "common/devroot.h"
#include "common/endian.h"
#include "common/safefile.h"
#include "porta/ui/loop.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <SDL/SDL_image.h>
#include <iconv.h>
#include <unistd.h>

TTF_Font *ui_font[UI_FONT_COUNT] = {nullptr, nullptr, nullptr, nullptr, nullptr};
ScrollState text_scroll;

static const int ui_font_points[UI_FONT_COUNT] = {16, 18, 22, 24, 28};

int load_ui_fonts(void)
{
    const std::string host = dev_path(UI_FONT_FILE);
    for (int i = 0; i < UI_FONT_COUNT; i++) {
        if (!ui_font[i])
            ui_font[i] = TTF_OpenFont(host.c_str(), ui_font_points[i]);
        if (!ui_font[i]) {
            printf("get ui font return NULL");
            free_ui_fonts();
            return -1;
        }
    }
    return 0;
}

void free_ui_fonts(void)
{
    for (int i = 0; i < UI_FONT_COUNT; i++) {
        if (ui_font[i])
            TTF_CloseFont(ui_font[i]);
        ui_font[i] = nullptr;
    }
}

// ---- pictures ------------------------------------------------------------

SDL_Surface *load_img_opt(const char *path, int alpha)
{
    const std::string host = dev_path(path);
    SDL_Surface *loaded = IMG_Load(host.c_str());
    if (!loaded) {
        printf("Failed to load %s, %s\n", path, SDL_GetError());
        return nullptr;
    }
    SDL_Surface *converted = alpha ? SDL_DisplayFormatAlpha(loaded) : SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    return converted;
}

SDL_Surface *load_img(const char *path)
{
    return load_img_opt(path, 1);
}

void blit_at(int x, int y, SDL_Surface *src, SDL_Surface *dst)
{
    if (!src || !dst)
        return;
    SDL_Rect r;
    set_point(&r, x, y);
    SDL_BlitSurface(src, nullptr, dst, &r);
}

void set_rect(SDL_Rect *r, int x, int y, int w, int h)
{
    r->x = static_cast<Sint16>(x);
    r->y = static_cast<Sint16>(y);
    if (w >= 0)
        r->w = static_cast<Uint16>(w);
    if (h >= 0)
        r->h = static_cast<Uint16>(h);
}

void set_point(SDL_Rect *r, int x, int y)
{
    r->x = static_cast<Sint16>(x);
    r->y = static_cast<Sint16>(y);
}

// ---- text ----------------------------------------------------------------

SDL_Surface *render_text(const char *text, TTF_Font *font, SDL_Color colour)
{
    if (!text || !font || !*text)
        return nullptr;
    return TTF_RenderUTF8_Blended(font, text, colour);
}

int draw_text(int x, int y, TTF_Font *font, SDL_Color colour, const char *text, SDL_Surface *dst)
{
    SDL_Surface *s = render_text(text, font, colour);
    if (!s)
        return 0;
    int w = s->w;
    blit_at(x, y, s, dst);
    SDL_FreeSurface(s);
    return w;
}

// Copies `text` into buf (size TEXT_CLIP_BUF) leaving room for the marquee
// gap; the cut never splits a UTF-8 sequence.
static void copy_clip_text(char *buf, const char *text)
{
    const size_t room = TEXT_CLIP_BUF - 1 - (sizeof(MARQUEE_GAP) - 1);
    size_t n = strlen(text);
    if (n > room) {
        n = room;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            n--;
    }
    memcpy(buf, text, n);
    buf[n] = '\0';
}

int marquee_step(ScrollState *s, int w, int m, int h, SDL_Rect src[2], int *second_x)
{
    int step = s->step.load() + 1;
    if (step > 9) {
        step = 0;
        s->offset.fetch_add(10);
    }
    s->step.store(step);
    int o = s->offset.load();
    *second_x = 0;
    if (o + m <= w) {
        set_rect(&src[0], o, 0, m, h);
        return 1;
    }
    if (o < w) {
        set_rect(&src[0], o, 0, w - o, h);
        set_rect(&src[1], 0, 0, m + o - w, h);
        *second_x = w - o;
        return 2;
    }
    s->offset.store(0);
    set_rect(&src[0], 0, 0, m, h);
    return 1;
}

void draw_text_clip(int x, int y, int scroll, const TextClip *clip, SDL_Surface *dst)
{
    if (!clip || !clip->text || !clip->font || !dst)
        return;
    char buf[TEXT_CLIP_BUF];
    copy_clip_text(buf, clip->text);
    int w = 0, h = 0;
    if (TTF_SizeUTF8(clip->font, buf, &w, &h) != 0)
        return;
    if (w <= clip->max_width) {
        draw_text(x, y, clip->font, clip->colour, buf, dst);
        return;
    }
    if (!scroll || !text_scroll.on.load()) {
        SDL_Surface *s = render_text(buf, clip->font, clip->colour);
        if (!s)
            return;
        SDL_Rect src, at;
        set_rect(&src, 0, 0, clip->max_width, s->h);
        set_point(&at, x, y);
        SDL_BlitSurface(s, &src, dst, &at);
        SDL_FreeSurface(s);
        return;
    }
    strcat(buf, MARQUEE_GAP);
    if (TTF_SizeUTF8(clip->font, buf, &w, &h) != 0)
        return;
    SDL_Surface *s = render_text(buf, clip->font, clip->colour);
    if (!s)
        return;
    SDL_Rect src[2];
    int second_x = 0;
    int n = marquee_step(&text_scroll, s->w, clip->max_width, s->h, src, &second_x);
    SDL_Rect at;
    set_point(&at, x, y);
    SDL_BlitSurface(s, &src[0], dst, &at);
    if (n == 2) {
        set_point(&at, x + second_x, y);
        SDL_BlitSurface(s, &src[1], dst, &at);
    }
    SDL_FreeSurface(s);
}

// ---- timers --------------------------------------------------------------

static std::atomic<SDL_TimerID> scroll_timer{nullptr};
static std::atomic<SDL_TimerID> hold_timer{nullptr};

static Uint32 scroll_timer_fired(Uint32, void *)
{
    text_scroll.offset.store(0);
    text_scroll.step.store(0);
    text_scroll.on.store(1);
    scroll_timer.store(nullptr);
    return 0;
}

void TextScrollCtrl(int on)
{
    text_scroll.offset.store(0);
    text_scroll.on.store(0);
    text_scroll.step.store(0);
    SDL_TimerID old = scroll_timer.exchange(nullptr);
    if (old)
        SDL_RemoveTimer(old);
    if (on) {
        SDL_TimerID id = SDL_AddTimer(2000, scroll_timer_fired, nullptr);
        if (!id)
            printf("<%s> : SDL_AddTimer return null \n", "TextScrollCtrl");
        scroll_timer.store(id);
    }
}

static Uint32 hold_timer_fired(Uint32, void *)
{
    hold_timer.store(nullptr);
    printf("ready to poweroff ");
    stop_loop(1);
    return 0;
}

void power_hold_start(void)
{
    power_hold_cancel();
    SDL_TimerID id = SDL_AddTimer(2000, hold_timer_fired, nullptr);
    if (!id) {
        printf("SDL_AddTimer return null");
        stop_loop(1);
        return;
    }
    hold_timer.store(id);
}

void power_hold_cancel(void)
{
    SDL_TimerID old = hold_timer.exchange(nullptr);
    if (old)
        SDL_RemoveTimer(old);
}

// ---- search key ----------------------------------------------------------

struct PinyinRange {
    int start;
    char letter;
};

static const PinyinRange pinyin_ranges[] = {
    {1601, 'a'}, {1637, 'b'}, {1833, 'c'}, {2078, 'd'}, {2274, 'e'}, {2302, 'f'}, {2433, 'g'},
    {2594, 'h'}, {2787, 'j'}, {3106, 'k'}, {3212, 'l'}, {3472, 'm'}, {3635, 'n'}, {3722, 'o'},
    {3730, 'p'}, {3858, 'q'}, {4027, 'r'}, {4086, 's'}, {4390, 't'}, {4558, 'w'}, {4684, 'x'},
    {4925, 'y'}, {5249, 'z'},
};
static const int pinyin_end = 5600;

static char pinyin_letter(int code)
{
    if (code < pinyin_ranges[0].start || code >= pinyin_end)
        return ':';
    char letter = ':';
    for (const PinyinRange &r : pinyin_ranges) {
        if (code < r.start)
            break;
        letter = r.letter;
    }
    return letter;
}

int name_initials(const char *name, char *out, size_t outsz)
{
    // The converter is opened once and kept for the whole run: the search
    // builds keys for every game of both cards.
    static iconv_t cd = reinterpret_cast<iconv_t>(-1);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        cd = iconv_open("GBK", "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            printf("####### iconv_open failed ########");
            return -1;
        }
    }
    if (!name || !out)
        return -1;
    char gbk[128];
    memset(gbk, 0, sizeof(gbk));
    char *in = const_cast<char *>(name);
    size_t inleft = strlen(name);
    char *op = gbk;
    size_t outleft = sizeof(gbk);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(cd, &in, &inleft, &op, &outleft);
    // A name longer than the buffer keeps what fits: the key is cut anyway.
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        printf("####### iconv failed from_charset #######");
        return -1;
    }
    size_t len = sizeof(gbk) - outleft;
    if (len > outsz)
        len = outsz;
    size_t o = 0;
    int pending = 0;
    int first = 0;
    for (size_t i = 0; i < len; i++) {
        unsigned b = static_cast<unsigned char>(gbk[i]);
        if (b & 0x80) {
            int half = static_cast<int>((b + 0x60) & 0xFF);
            if (!pending) {
                first = half;
                pending = 1;
            } else {
                if (o < outsz)
                    out[o++] = pinyin_letter(first * 100 + half);
                pending = 0;
            }
        } else {
            if (b <= 0x40 && o < outsz)
                out[o++] = static_cast<char>(b);
            pending = 0;
        }
    }
    return static_cast<int>(len);
}

// ---- sealed files --------------------------------------------------------

struct CrcTable {
    uint32_t entry[256];
};

static CrcTable crc_build_table(void)
{
    CrcTable t;
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t.entry[n] = c;
    }
    return t;
}

uint32_t crc32_update(uint32_t crc, const void *data, size_t len)
{
    // Built once on first use; the keypad thread and the main thread may both
    // seal files, and a function-local static is initialised exactly once.
    static const CrcTable table = crc_build_table();
    const uint8_t *p = static_cast<const uint8_t *>(data);
    for (size_t i = 0; i < len; i++)
        crc = table.entry[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

int crc_seal_write(const char *path, const void *data, size_t len)
{
    std::vector<uint8_t> buf(len + 4);
    if (len)
        memcpy(buf.data(), data, len);
    put_le32(buf.data() + len, crc32_update(0, data, len));
    return write_file_atomic(path, buf.data(), buf.size());
}

int crc_seal_file(const char *path)
{
    std::string content;
    if (read_file(path, content) != 0)
        return -1;
    return crc_seal_write(path, content.data(), content.size());
}

int crc_check_file(const char *path)
{
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return -1;
    std::vector<uint8_t> block(4096);
    uint32_t crc = 0;
    size_t n;
    while ((n = fread(block.data(), 1, block.size(), f)) > 0)
        crc = crc32_update(crc, block.data(), n);
    fclose(f);
    if (crc == 0)
        return 0;
    dev_unlink(path);
    return -1;
}
