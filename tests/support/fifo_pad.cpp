#include "fifo_pad.h"

#include "test_root.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void write_file(const std::string &path, const std::string &text)
{
    std::string dir = path.substr(0, path.rfind('/'));
    host_system("mkdir -p '" + dir + "'");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string hex4(unsigned v)
{
    char b[16];
    snprintf(b, sizeof b, "%04x\n", v & 0xFFFF);
    return b;
}

} // namespace

std::string capability_words(const std::vector<int> &codes)
{
    const int width = (int)sizeof(unsigned long) * 8;
    int top = 0;
    for (int c : codes)
        top = std::max(top, c / width);
    std::vector<unsigned long> words((size_t)top + 1, 0);
    for (int c : codes)
        words[(size_t)(c / width)] |= 1UL << (c % width);
    std::string out;
    for (int i = top; i >= 0; i--) {
        char b[32];
        snprintf(b, sizeof b, "%lx", words[(size_t)i]);
        out += b;
        out += i ? " " : "\n";
    }
    return out;
}

FifoPadModel standard_pad(const std::string &js, const std::string &event)
{
    FifoPadModel s;
    s.js = js;
    s.event = event;
    for (int c = BTN_SOUTH; c < BTN_SOUTH + 12; c++)
        s.keys.push_back(c);
    s.axes = {
        {ABS_X, 128, 0, 255, 0, 15},  {ABS_Y, 128, 0, 255, 0, 15}, {ABS_Z, 128, 0, 255, 0, 15},
        {ABS_RZ, 128, 0, 255, 0, 15}, {ABS_HAT0X, 0, -1, 1, 0, 0}, {ABS_HAT0Y, 0, -1, 1, 0, 0},
    };
    return s;
}

FifoPad::FifoPad(const std::string &root, const FifoPadModel &model) : root_(root), model_(model) {}

FifoPad::~FifoPad()
{
    if (fd_ >= 0)
        close(fd_);
}

void FifoPad::write_facts()
{
    const std::string dev = root_ + "/sys/class/input/" + model_.js + "/device/";
    write_file(dev + "name", model_.name + "\n");
    write_file(dev + "id/vendor", hex4(model_.vendor));
    write_file(dev + "id/product", hex4(model_.product));
    write_file(dev + "uevent", "PRODUCT=3/" + hex4(model_.vendor).substr(0, 4) + "/" +
                                   hex4(model_.product).substr(0, 4) + "/110\nNAME=\"" + model_.name + "\"\nPHYS=\"" +
                                   model_.phys + "\"\nUNIQ=\"\"\n");
    std::vector<int> abs_codes;
    std::string absinfo;
    for (const FifoPadAxis &a : model_.axes) {
        abs_codes.push_back(a.code);
        char line[128];
        snprintf(line, sizeof line, "0x%02x %d %d %d %d %d\n", a.code, a.value, a.minimum, a.maximum, a.fuzz, a.flat);
        absinfo += line;
    }
    write_file(dev + "capabilities/ev", capability_words({EV_SYN, EV_KEY, EV_ABS}));
    write_file(dev + "capabilities/key", capability_words(model_.keys));
    write_file(dev + "capabilities/abs", capability_words(abs_codes));
    write_file(dev + "absinfo", absinfo);
    host_system("mkdir -p '" + dev + model_.event + "'");
}

bool FifoPad::plug()
{
    write_facts();
    host_system("mkdir -p '" + root_ + "/dev/input'");
    const std::string event = root_ + "/dev/input/" + model_.event;
    const std::string js = root_ + "/dev/input/" + model_.js;
    if (mkfifo(event.c_str(), 0644) != 0 || mkfifo(js.c_str(), 0644) != 0)
        return false;
    fd_ = open(event.c_str(), O_RDWR);
    return fd_ >= 0;
}

void FifoPad::pull()
{
    unlink((root_ + "/dev/input/" + model_.js).c_str());
    unlink((root_ + "/dev/input/" + model_.event).c_str());
    remove_tree(root_ + "/sys/class/input/" + model_.js);
}

bool FifoPad::send(int type, int code, int value)
{
    struct input_event ev;
    memset(&ev, 0, sizeof ev);
    ev.type = (unsigned short)type;
    ev.code = (unsigned short)code;
    ev.value = value;
    return fd_ >= 0 && write(fd_, &ev, sizeof ev) == (ssize_t)sizeof ev;
}

bool FifoPad::key(int code, int value)
{
    return send(EV_KEY, code, value);
}

bool FifoPad::abs(int code, int value)
{
    return send(EV_ABS, code, value);
}

void FifoPad::set_abs_value(int code, int value)
{
    for (FifoPadAxis &a : model_.axes)
        if (a.code == code)
            a.value = value;
    write_facts();
}
