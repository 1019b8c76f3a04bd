#include "porta/ui/mapseq.h"

#include "porta/base/attr.h"
#include "porta/controller/players.h"
#include "porta/device/fb.h"
#include "porta/device/keypad.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/loop.h"

#include <string>
#include <vector>

uint32_t mapseq_frame_begin(void)
{
    keypad_window_pump();
    const uint32_t now = loop_hooks.now();
    top_bar_pass(now);
    return now;
}

int mapseq_stop_requested(uint32_t now)
{
    if (!loop_running || sigint_pending() || joystick_quit_requested())
        return 1;
    // The main loop powers off after 30 idle minutes; a sequence left alone
    // lets it.
    const int32_t idle = static_cast<int32_t>(now - last_key_time.load());
    return global_attr.auto_poweroff == 1 && idle > 0 && static_cast<uint32_t>(idle) > POWEROFF_IDLE_MS;
}

namespace {

constexpr uint32_t BLINK_MS = 1000u;

} // namespace

MapSeqBlink mapseq_blink_start(uint32_t now)
{
    return MapSeqBlink{now + BLINK_MS, 1};
}

int mapseq_blink(MapSeqBlink *blink, uint32_t now)
{
    if (static_cast<int32_t>(now - blink->next_flip) >= 0) {
        blink->shown = !blink->shown;
        blink->next_flip = now + BLINK_MS;
    }
    return blink->shown;
}

int mapseq_asleep_frame(SDL_Surface *dst)
{
    if (!screen_asleep)
        return 0;
    if (dst) {
        SDL_FillRect(dst, nullptr, 0);
        fb_present(output_device, dst);
    }
    return 1;
}

void mapseq_frame_end(uint32_t start)
{
    const uint32_t frame = screen_asleep ? FRAME_ASLEEP_MS : FRAME_MS;
    const uint32_t spent = loop_hooks.now() - start;
    loop_hooks.delay(spent < frame ? frame - spent : 1);
}

namespace {

int width_of(TTF_Font *font, const std::string &text)
{
    int w = 0, h = 0;
    text_size(font, text.c_str(), &w, &h);
    return w;
}

size_t utf8_len(unsigned char c)
{
    return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
}

// Greedy lines of at most max_w pixels: words kept whole where they fit,
// a word wider than a line broken between characters.
std::vector<std::string> wrap(TTF_Font *font, const char *text, int max_w)
{
    std::vector<std::string> lines;
    std::string line;
    const std::string all(text);
    size_t at = 0;
    while (at < all.size()) {
        size_t end = all.find(' ', at);
        if (end == std::string::npos)
            end = all.size();
        const std::string word = all.substr(at, end - at);
        at = end + 1;
        if (word.empty())
            continue;
        const std::string joined = line.empty() ? word : line + " " + word;
        if (width_of(font, joined) <= max_w) {
            line = joined;
            continue;
        }
        if (!line.empty())
            lines.push_back(line);
        line.clear();
        for (size_t i = 0; i < word.size();) {
            const size_t n = utf8_len(static_cast<unsigned char>(word[i]));
            const std::string more = line + word.substr(i, n);
            if (!line.empty() && width_of(font, more) > max_w) {
                lines.push_back(line);
                line = word.substr(i, n);
            } else {
                line = more;
            }
            i += n;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace

int mapseq_draw_fitted(int x, int y, int font, const char *text, int max_w, int max_lines, SDL_Surface *dst)
{
    static const SDL_Color white = {255, 255, 255, 0};
    if (!text || !dst || font < FONT_16 || font >= UI_FONT_COUNT)
        return 0;
    for (int f = font; f >= FONT_16; f--) {
        if (ui_font[f] && width_of(ui_font[f], text) <= max_w) {
            draw_text(x, y, ui_font[f], white, text, dst);
            return TTF_FontLineSkip(ui_font[f]);
        }
    }
    std::vector<std::string> lines;
    int f = font;
    for (; f >= FONT_16; f--) {
        if (!ui_font[f])
            continue;
        lines = wrap(ui_font[f], text, max_w);
        if (static_cast<int>(lines.size()) <= max_lines || f == FONT_16)
            break;
    }
    if (f < FONT_16 || !ui_font[f])
        return 0;
    const int skip = TTF_FontLineSkip(ui_font[f]);
    int n = 0;
    for (const std::string &line : lines) {
        if (n == max_lines)
            break;
        draw_text(x, y + n * skip, ui_font[f], white, line.c_str(), dst);
        n++;
    }
    return n * skip;
}
