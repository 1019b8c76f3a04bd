#include "porta/device/fb.h"

#include "common/devroot.h"
#include "porta/device/hardware.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

FbDev fbm[FB_SLOTS];
std::atomic<int> output_device{0};

namespace {

void fb_setup_slot(int slot, const char *path, int bpp, int w, int h)
{
    FbDev &d = fbm[slot];
    memset(&d, 0, sizeof(d));
    snprintf(d.path, sizeof(d.path), "%s", path);
    d.bpp = bpp;
    d.width = w;
    d.height = h;
}

// Where each colour channel sits in a pixel of the given depth.
struct Channel {
    uint32_t offset;
    uint32_t length;
};
struct PixelLayout {
    Channel red, green, blue, transp;
};
constexpr PixelLayout RGB565_LAYOUT = {{11, 5}, {5, 6}, {0, 5}, {0, 0}};
constexpr PixelLayout RGBA8888_LAYOUT = {{0, 8}, {8, 8}, {16, 8}, {24, 0}};

void set_channel(struct fb_bitfield *field, Channel channel)
{
    field->offset = channel.offset;
    field->length = channel.length;
}

void fb_set_layout(struct fb_var_screeninfo *v, int bpp, int w, int h)
{
    v->bits_per_pixel = static_cast<uint32_t>(bpp);
    v->xres = static_cast<uint32_t>(w);
    v->yres = static_cast<uint32_t>(h);
    if (bpp != 16 && bpp != 32)
        return;
    const PixelLayout &layout = bpp == 16 ? RGB565_LAYOUT : RGBA8888_LAYOUT;
    set_channel(&v->red, layout.red);
    set_channel(&v->green, layout.green);
    set_channel(&v->blue, layout.blue);
    set_channel(&v->transp, layout.transp);
}

// An ioctl that fails because the node is no framebuffer (a plain file or a
// FIFO on a development host) rather than because the driver refused.
bool not_a_framebuffer(int err)
{
    return err == ENOTTY || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP;
}

void fb_open_failed(int slot)
{
    FbDev &d = fbm[slot];
    if (d.map)
        munmap(d.map, d.map_len);
    d.map = nullptr;
    if (d.fd > 0)
        close(d.fd);
    d.fd = 0;
}

// The device file of a slot, opened read-write on a descriptor above 0 (a
// descriptor of 0 would read as "closed"). -1 when it cannot be opened.
int open_fb_file(int slot)
{
    int fd = dev_open(fbm[slot].path, O_RDWR);
    if (fd < 0) {
        printf("Open framebuffer %d error!\n", slot);
        return -1;
    }
    if (fd == 0) {
        int nfd = fcntl(fd, F_DUPFD, 1);
        close(fd);
        fd = nfd;
        if (fd < 0) {
            printf("Open framebuffer %d error!\n", slot);
            return -1;
        }
    }
    return fd;
}

// A real framebuffer: the slot's layout written to the driver and read back
// with the memory it offers. 0, or -1 after saying what failed.
int set_device_layout(FbDev &d, const struct fb_fix_screeninfo &fix)
{
    if (ioctl(d.fd, FBIOGET_VSCREENINFO, &d.var) != 0) {
        perror("Error reading variable information");
        return -1;
    }
    fb_set_layout(&d.var, d.bpp, d.width, d.height);
    if (ioctl(d.fd, FBIOPUT_VSCREENINFO, &d.var) != 0) {
        perror("Error writing variable information");
        return -1;
    }
    if (ioctl(d.fd, FBIOGET_VSCREENINFO, &d.var) != 0) {
        perror("Error reading variable information");
        return -1;
    }
    d.frame_size = static_cast<size_t>(d.var.xres) * d.var.yres * d.var.bits_per_pixel / 8;
    d.map_len = fix.smem_len;
    d.buffers = d.var.yres ? static_cast<int>(d.var.yres_virtual / d.var.yres) : 0;
    return 0;
}

// A plain file standing in for the framebuffer: the requested geometry with
// one frame, the file sized to hold it. 0, or -1 after saying what failed.
int set_file_layout(FbDev &d)
{
    memset(&d.var, 0, sizeof(d.var));
    fb_set_layout(&d.var, d.bpp, d.width, d.height);
    d.var.xres_virtual = d.var.xres;
    d.var.yres_virtual = d.var.yres;
    d.frame_size = static_cast<size_t>(d.width) * d.height * d.bpp / 8;
    d.map_len = d.frame_size;
    d.buffers = 1;
    struct stat st;
    if (fstat(d.fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        (static_cast<size_t>(st.st_size) != d.map_len && ftruncate(d.fd, static_cast<off_t>(d.map_len)) != 0)) {
        perror("Error: Failed to map framebuffer device to memory");
        return -1;
    }
    return 0;
}

// The driver's memory cannot always hold the frames it reports: use what
// fits. 0, or -1 when not even one frame fits.
int fit_buffers(FbDev &d)
{
    if (d.buffers >= 1 && d.map_len >= d.frame_size * static_cast<size_t>(d.buffers) && d.frame_size != 0)
        return 0;
    d.buffers = d.frame_size ? static_cast<int>(d.map_len / d.frame_size) : 0;
    if (d.buffers < 1) {
        perror("Error: Failed to map framebuffer device to memory");
        return -1;
    }
    return 0;
}

// Whether the open file answers as a framebuffer: 1 yes, 0 a plain file (a
// failed ioctl means "not a real device"), -1 a real error (said).
int probe_framebuffer(FbDev &d, struct fb_fix_screeninfo *fix)
{
    memset(fix, 0, sizeof(*fix));
    if (ioctl(d.fd, FBIOGET_FSCREENINFO, fix) == 0)
        return 1;
    if (!not_a_framebuffer(errno)) {
        perror("Error reading fixed information");
        return -1;
    }
    return 0;
}

} // namespace

int fb_open(int slot)
{
    if (slot < 0 || slot >= FB_SLOTS)
        return -1;
    FbDev &d = fbm[slot];
    const int fd = open_fb_file(slot);
    if (fd < 0)
        return -1;
    d.fd = fd;
    struct fb_fix_screeninfo fix;
    d.real_device = 1;
    const int real = probe_framebuffer(d, &fix);
    if (real >= 0)
        d.real_device = real;
    if (real < 0 || (d.real_device ? set_device_layout(d, fix) : set_file_layout(d)) != 0 || fit_buffers(d) != 0) {
        fb_open_failed(slot);
        return -1;
    }
    void *m = mmap(nullptr, d.map_len, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (m == MAP_FAILED) {
        perror("Error: Failed to map framebuffer device to memory");
        fb_open_failed(slot);
        return -1;
    }
    d.map = static_cast<uint8_t *>(m);
    return 0;
}

void fb_next(int slot)
{
    FbDev &d = fbm[slot];
    if (d.fd <= 0 || d.var.yres == 0)
        return;
    uint32_t frame = d.var.yoffset / d.var.yres + 1;
    if (static_cast<int>(frame) >= d.buffers)
        frame = 0;
    d.var.yoffset = frame * d.var.yres;
}

void fb_pan(int slot)
{
    FbDev &d = fbm[slot];
    if (d.fd <= 0 || !d.real_device)
        return;
    if (ioctl(d.fd, FBIOPAN_DISPLAY, &d.var) != 0)
        printf("%s :fb(%d) Error pan display\n", "update_fbm", slot);
}

namespace {

uint8_t *fb_frame_ptr(const FbDev &d)
{
    size_t off = (static_cast<size_t>(d.var.yoffset) * d.width + d.var.xoffset) * 2;
    return d.map + off;
}

} // namespace

void fb_clear(int slot)
{
    FbDev &d = fbm[slot];
    if (!d.map)
        return;
    d.var.xoffset = 0;
    d.var.yoffset = 0;
    for (int i = 0; i < d.buffers; i++) {
        fb_next(slot);
        memset(fb_frame_ptr(d), 0, d.frame_size);
        fb_pan(slot);
    }
}

void fb_close(int slot)
{
    FbDev &d = fbm[slot];
    if (d.map) {
        fb_clear(slot);
        munmap(d.map, d.map_len);
        d.map = nullptr;
    }
    if (d.fd > 0) {
        close(d.fd);
        d.fd = 0;
    }
}

namespace {

// With a windowing video driver the presented frame is also shown in the
// program's window, so that a person can watch it on a desktop.
void fb_show_in_window(SDL_Surface *surface)
{
    SDL_Surface *win = SDL_GetVideoSurface();
    if (!win || !surface)
        return;
    // Asked at each frame (a copy of a short name): nothing kept between runs
    // of the video subsystem.
    char name[32] = "";
    SDL_VideoDriverName(name, sizeof(name));
    if (strcmp(name, "dummy") == 0 || strcmp(name, "fbcon") == 0)
        return;
    if (surface != win) {
        if (surface->w == win->w && surface->h == win->h) {
            SDL_BlitSurface(surface, nullptr, win, nullptr);
        } else {
            SDL_Rect src = {0, 0, static_cast<Uint16>(surface->w), static_cast<Uint16>(surface->h)};
            SDL_Rect dst = {0, 0, static_cast<Uint16>(win->w), static_cast<Uint16>(win->h)};
            SDL_SoftStretch(surface, &src, win, &dst);
        }
    }
    SDL_Flip(win);
}

} // namespace

void fb_present(int slot, SDL_Surface *surface)
{
    if (slot < 0 || slot >= FB_SLOTS || !surface)
        return;
    FbDev &d = fbm[slot];
    if (d.map) {
        fb_next(slot);
        uint8_t *dst = fb_frame_ptr(d);
        const size_t row = static_cast<size_t>(d.width) * 2;
        const int rows = surface->h < d.height ? surface->h : d.height;
        const size_t copy = static_cast<size_t>(surface->w) * 2 < row ? static_cast<size_t>(surface->w) * 2 : row;
        if (SDL_LockSurface(surface) == 0) {
            const uint8_t *src = static_cast<const uint8_t *>(surface->pixels);
            if (surface->format->BytesPerPixel == 2 && static_cast<size_t>(surface->pitch) == row &&
                surface->w == d.width && surface->h == d.height) {
                memcpy(dst, src, d.frame_size);
            } else if (surface->format->BytesPerPixel == 2) {
                for (int y = 0; y < rows; y++)
                    memcpy(dst + y * row, src + static_cast<size_t>(y) * surface->pitch, copy);
            }
            SDL_UnlockSurface(surface);
        }
        fb_pan(slot);
    }
    fb_show_in_window(surface);
}

void fb_close_all(void)
{
    fb_close(OUTPUT_LCD);
    fb_close(OUTPUT_HDMI);
}

namespace {

// Opens one output's framebuffer at 16 bits per pixel and clears it; prints
// `failure` when it cannot be opened. 0 or -1.
int fb_init_output(int out, const char *path, int w, int h, const char *failure)
{
    fb_close(out);
    fb_setup_slot(out, path, 16, w, h);
    if (fb_open(out) != 0) {
        printf("%s", failure);
        return -1;
    }
    fb_clear(out);
    return 0;
}

} // namespace

int fb_init(void)
{
    if (fb_init_output(OUTPUT_LCD, "/dev/fb0", 640, 480, "init lcd fb err ") != 0 ||
        fb_init_output(OUTPUT_HDMI, "/dev/fb1", 1280, 720, "init hdmi fb err ") != 0)
        return -1;
    if (hdmi_state() == 1) {
        output_device = 1;
        backlight_off();
    } else {
        output_device = 0;
    }
    return 0;
}
