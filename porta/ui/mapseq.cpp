#include "porta/ui/mapseq.h"

#include "porta/base/attr.h"
#include "porta/controller/players.h"
#include "porta/device/fb.h"
#include "porta/device/keypad.h"
#include "porta/ui/chrome.h"
#include "porta/ui/confirm.h"
#include "porta/ui/draw.h"
#include "porta/ui/loop.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr uint32_t BLINK_MS = 1000u;
// At the end, how long the keys still held are waited for (a stick that does
// not come back to rest).
constexpr uint32_t RELEASE_WAIT_MS = 3000u;

// Start of a frame: returns now (ms), after the window's keys were handed to
// the keypad, a power key press asked for sleep or wake (the sequence owns the
// main thread, so it takes the request as the main loop would) and the title
// bar's battery watch ran.
uint32_t frame_begin(void)
{
    keypad_window_pump();
    take_sleep_request();
    const uint32_t now = loop_hooks.now();
    top_bar_pass(now);
    return now;
}

// Whether the sequence must end so that the launcher can stop.
bool stop_requested(uint32_t now)
{
    if (!loop_running || sigint_pending() || joystick_quit_requested())
        return true;
    // The main loop powers off after 30 idle minutes; a sequence left alone
    // lets it.
    const int32_t idle = static_cast<int32_t>(now - last_key_time.load());
    return global_attr.auto_poweroff == 1 && idle > 0 && static_cast<uint32_t>(idle) > POWEROFF_IDLE_MS;
}

// While the screen sleeps: presents a black frame on `dst` and returns true
// (the frame is done; nothing is read).
bool asleep_frame(SDL_Surface *dst)
{
    if (!screen_asleep)
        return false;
    SDL_FillRect(dst, nullptr, 0);
    fb_present(output_device, dst);
    return true;
}

// Waits the rest of the frame begun at `start` (at least 1 ms: never a busy
// loop).
void frame_end(uint32_t start)
{
    const uint32_t frame = screen_asleep ? FRAME_ASLEEP_MS : FRAME_MS;
    const uint32_t spent = loop_hooks.now() - start;
    loop_hooks.delay(spent < frame ? frame - spent : 1);
}

// The ways out that do not depend on the steps, at the start of a frame.
bool must_leave(const MapSeqRoutines &sequence, uint32_t now, MapSeqEnd *end)
{
    if (sequence.device_present && !sequence.device_present())
        *end = MAPSEQ_END_DEVICE_GONE;
    else if (stop_requested(now))
        *end = MAPSEQ_END_STOPPED;
    else
        return false;
    return true;
}

MapSeqEnd run_steps(SDL_Surface *dst, const MapSeqRoutines &sequence)
{
    MapSeqBlink pointer = mapseq_blink_start(loop_hooks.now());
    for (;;) {
        const uint32_t now = frame_begin();
        MapSeqEnd end;
        if (must_leave(sequence, now, &end))
            return end;
        if (asleep_frame(dst)) {
            frame_end(now);
            continue;
        }
        sequence.draw(dst, mapseq_blink(&pointer, now));
        fb_present(output_device, dst);
        if (sequence.all_steps_done()) {
            fputs(sequence.messages.finished, stdout);
            return MAPSEQ_END_FINISHED;
        }
        if (sequence.read_input(now))
            return MAPSEQ_END_EARLY;
        frame_end(now);
    }
}

// Frames go on (the last one shown, without the pointer) until the device's
// keys are up or the wait is over; returns `end`, or how the sequence ended
// meanwhile.
MapSeqEnd wait_keys_up(SDL_Surface *dst, const MapSeqRoutines &sequence, MapSeqEnd end)
{
    const uint32_t until = loop_hooks.now() + RELEASE_WAIT_MS;
    for (;;) {
        const uint32_t now = frame_begin();
        MapSeqEnd left;
        if (must_leave(sequence, now, &left))
            return left;
        if (sequence.keys_up() || static_cast<int32_t>(now - until) >= 0)
            return end;
        if (!asleep_frame(dst)) {
            sequence.draw(dst, 0);
            fb_present(output_device, dst);
        }
        frame_end(now);
    }
}

// Languages in the order of the attribute record.
LanguageTexts text_save = {"保存设定值 ...",     "保存設定值...", "Save settings ...",
                           "設定を保存する ...", "설정 저장...",  "Save settings ..."};

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

MapSeqEnd mapseq_run(SDL_Surface *dst, const MapSeqRoutines &sequence)
{
    const MapSeqEnd end = run_steps(dst, sequence);
    if (end == MAPSEQ_END_FINISHED || end == MAPSEQ_END_EARLY)
        return wait_keys_up(dst, sequence, end);
    return end;
}

void mapseq_report_dropped(const MapSeqMessages &messages, MapSeqEnd end)
{
    printf(messages.dropped, end == MAPSEQ_END_DEVICE_GONE ? "pad removed" : "stopping");
}

void mapseq_ask_to_keep(Screen back, void (*yes)(void), void (*no)(void), SDL_Surface *dst)
{
    confirm_ask(text_save[ui_language()], back, yes, no);
    confirm_draw(dst);
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
    if (!text || !dst || font < FONT_16 || font >= UI_FONT_COUNT)
        return 0;
    for (int f = font; f >= FONT_16; f--) {
        if (ui_font[f] && width_of(ui_font[f], text) <= max_w) {
            draw_text(x, y, ui_font[f], WHITE, text, dst);
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
        draw_text(x, y + n * skip, ui_font[f], WHITE, line.c_str(), dst);
        n++;
    }
    return n * skip;
}
