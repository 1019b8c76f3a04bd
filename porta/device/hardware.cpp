#include "porta/device/hardware.h"

#include "common/devroot.h"
#include "common/shell.h"
#include "porta/device/keysound.h"
#include "porta/device/pcm.h"

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

short sound_device = -1;

namespace {

int read_switch(const char *path, bool quiet)
{
    FILE *f = dev_fopen(path, "r");
    if (!f) {
        if (!quiet)
            printf("can't open %s\n", path);
        return -1;
    }
    int v = 0;
    int n = fscanf(f, "%d", &v);
    fclose(f);
    if (n != 1) {
        if (!quiet)
            printf("read %s,fail \n", path);
        return -1;
    }
    return v;
}

} // namespace

int hdmi_state(void)
{
    return read_switch(HDMI_STATE_PATH, false);
}

int headphone_state(void)
{
    return read_switch(H2W_STATE_PATH, true);
}

int choose_sound_device(void)
{
    return (hdmi_state() == 1 && headphone_state() != 1) ? 1 : 0;
}

void select_sound_device(void)
{
    int dev = choose_sound_device();
    if (dev == sound_device)
        return;
    sound_device = static_cast<short>(dev);
    printf("+++++ device = %d ++++++\n", dev);
    pcm_close_stream();
    pcm_open_stream(static_cast<unsigned>(dev));
}

void reset_sound(void)
{
    printf("reset sound");
    sound_mutex.lock();
    sound_device = -1;
    select_sound_device();
    sound_mutex.unlock();
}

void forget_sound_device(void)
{
    sound_device = -1;
    select_sound_device();
}

void close_sound_device(void)
{
    sound_device = -1;
    pcm_close_stream();
}

int backlight_value(int index)
{
    static const int table[4] = {50, 100, 200, 400};
    if (static_cast<unsigned>(index) < 4u)
        return table[index];
    return 700;
}

namespace {

constexpr const char CPU_SETTING_SCRIPT[] = "/system/porta/cpu_setting.sh";

// Sysfs writes ignore every error.
void write_sysfs(const char *path, const char *text)
{
    // Truncating keeps a plain file (development host) equal to the value;
    // sysfs attributes ignore it, as they do for a shell redirection.
    int fd = dev_open(path, O_RDWR | O_TRUNC);
    if (fd <= 0) {
        if (fd == 0)
            close(fd);
        return;
    }
    ssize_t n = write(fd, text, strlen(text));
    (void)n;
    close(fd);
}

} // namespace

void set_backlight(int index)
{
    char buf[16];
    snprintf(buf, sizeof(buf), "%d\n", backlight_value(index));
    write_sysfs(BACKLIGHT_PATH, buf);
}

void backlight_off(void)
{
    write_sysfs(BACKLIGHT_PATH, "0\n");
}

void set_motor(int on)
{
    write_sysfs(MOTOR_PATH, on == 1 ? "65" : "0");
}

void led_test(void)
{
    write_sysfs(LED_TEST_PATH, "1");
}

void set_cpu_mode(int mode)
{
    const char *arg = "  deflt";
    if (mode == CPU_MODE_FULL)
        arg = "  full";
    else if (mode == CPU_MODE_POWERSAVE)
        arg = "  powersave";
    else if (mode == CPU_MODE_USER)
        arg = "  user";
    char cmd[96];
    snprintf(cmd, sizeof(cmd), "%s%s", CPU_SETTING_SCRIPT, arg);
    shell_run(cmd);
}

int shell_run(const char *command)
{
    if (!command)
        return 1;
    // run_shell forks, runs execl(sh, "sh", "-c", command), exits 127 when
    // that fails and waits through EINTR; its exit code is turned back into
    // the wait status callers expect.
    int code = run_shell(PORTA_SHELL, command);
    if (code < 0)
        return -1;
    return (code & 0xFF) << 8;
}
