#include "porta/device/storage.h"

#include "common/devroot.h"
#include "porta/device/hardware.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int16_t tf_card_state = 0;

namespace {

const char *const tf_nodes[] = {
    "/dev/block/mmcblk1",
    "/dev/block/mmcblk2",
    "/dev/block/mmcblk1p1",
    "/dev/block/mmcblk2p1",
};

} // namespace

int tf_mounted(void)
{
    FILE *f = dev_fopen(PROC_MOUNTS, "rb");
    if (!f) {
        printf("Open %s error=%s \n", PROC_MOUNTS, strerror(errno));
        return -1;
    }
    // Whole lines, whatever their length: a long option list never splits a
    // line into a false mount point.
    char *line = nullptr;
    size_t cap = 0;
    int found = -1;
    while (found != 0 && getline(&line, &cap, f) >= 0) {
        char *save = nullptr;
        char *device = strtok_r(line, " \t\r\n", &save);
        char *point = device ? strtok_r(nullptr, " \t\r\n", &save) : nullptr;
        if (point && strncmp(point, "/mnt/sdcard", 11) == 0) {
            printf("mount ... ok(%s) \n", point);
            found = 0;
        }
    }
    free(line);
    fclose(f);
    return found;
}

int tf_card_present(void)
{
    for (const char *node : tf_nodes)
        if (dev_exists(node))
            return 1;
    return 0;
}

int tf_card_check(void)
{
    const int present = tf_card_present();
    if (present && tf_card_state == 0) {
        shell_run((std::string(TF_MMC_SCRIPT) + " add").c_str());
        if (tf_mounted() == 0)
            tf_card_state = 1;
    } else if (!present && tf_card_state == 1) {
        shell_run((std::string(TF_MMC_SCRIPT) + " remove").c_str());
        tf_card_state = 0;
    }
    return tf_card_state;
}
