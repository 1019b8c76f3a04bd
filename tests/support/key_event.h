// One key event of the keypad, written into its event node (a FIFO in a
// device root) as the kernel would deliver it.
#pragma once

#include <linux/input.h>
#include <unistd.h>

#include <cstring>

inline bool write_key_event(int fd, int code, int value)
{
    struct input_event ev;
    memset(&ev, 0, sizeof ev);
    ev.type = EV_KEY;
    ev.code = static_cast<unsigned short>(code);
    ev.value = value;
    return write(fd, &ev, sizeof ev) == static_cast<ssize_t>(sizeof ev);
}
