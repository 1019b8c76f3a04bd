#include "porta/ui/mapseq.h"

#include "porta/base/attr.h"
#include "porta/controller/players.h"
#include "porta/device/fb.h"
#include "porta/device/keypad.h"
#include "porta/ui/chrome.h"
#include "porta/ui/loop.h"

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
