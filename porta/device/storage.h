#pragma once

// The removable TF card: detection by its block device nodes, mounting and
// unmounting through the board's script, and the mount check in
// /proc/mounts. The main loop runs `tf_card_check` at start and every 500 ms
// and reacts when `tf_card_state` changes.

#include <cstdint>

constexpr const char TF_MOUNT_POINT[] = "/mnt/sdcard/";
constexpr const char TF_MMC_SCRIPT[] = "/system/porta/mmc.sh";
constexpr const char PROC_MOUNTS[] = "/proc/mounts";

// 1 while a TF card is mounted at /mnt/sdcard/, else 0. Main thread only.
extern int16_t tf_card_state;

// 0 when a mount point in /proc/mounts begins with "/mnt/sdcard" (printing
// "mount ... ok(<mount point>) "), else -1 (also when the file cannot be
// read: "Open /proc/mounts error=... ").
int tf_mounted(void);

// 1 when one of the card's device nodes exists (mmcblk1, mmcblk2, mmcblk1p1,
// mmcblk2p1 under /dev/block, tested in that order).
int tf_card_present(void);

// The hot-plug step: a present card that is not mounted yet is mounted
// ("/system/porta/mmc.sh add", then the mount is looked for; when it is not
// seen the next check tries again); a card gone while mounted is unmounted
// ("/system/porta/mmc.sh remove"). Returns the new tf_card_state.
int tf_card_check(void);
