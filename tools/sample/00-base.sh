#!/bin/bash
# The device skeleton: mount points, the plain sysfs files both programs read,
# /proc/mounts, the block device nodes of the cards, and the two shells.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}

mkdir -p "$R"/mnt/mmc "$R"/mnt/SDCARD "$R"/mnt/sdcard "$R"/mnt/data "$R"/mnt/vendor \
         "$R"/tmp "$R"/dev/input "$R"/dev/block "$R"/proc "$R"/misc \
         "$R"/system/bin "$R"/system/porta "$R"/bin
chmod 1777 "$R"/tmp

# put FILE TEXT: writes TEXT exactly (no newline added).
put() {
    mkdir -p "$(dirname "$1")"
    printf '%s' "$2" > "$1"
}

# Battery: a little over half full, on battery power.
B="$R"/sys/class/power_supply/battery
put "$B"/capacity        $'57\n'
put "$B"/status          $'Discharging\n'
put "$B"/charger_online  $'0\n'
put "$B"/voltage_now     $'3874000\n'
put "$B"/current_now     $'412000\n'
put "$B"/present         $'1\n'
put "$B"/health          $'Good\n'
put "$B"/technology      $'Li-ion\n'
put "$B"/type            $'Battery\n'
put "$B"/moto            '0'
put "$B"/led_test        '0'

# CPU frequency: the menus only write scaling_max_freq; the rest is for show.
C="$R"/sys/devices/system/cpu/cpu0/cpufreq
put "$C"/scaling_max_freq  $'1008000\n'
put "$C"/scaling_min_freq  $'504000\n'
put "$C"/scaling_cur_freq  $'1008000\n'
put "$C"/cpuinfo_max_freq  $'1488000\n'
put "$C"/cpuinfo_min_freq  $'504000\n'
put "$C"/scaling_governor  $'userspace\n'
put "$C"/scaling_available_frequencies $'504000 720000 1008000 1296000 1488000 \n'
put "$C"/scaling_available_governors   $'userspace performance powersave \n'
put "$R"/sys/devices/system/cpu/online $'0-3\n'

# Backlight, HDMI and headphone switches: LCD on, nothing plugged in.
put "$R"/sys/class/backlight/backlight.2/brightness      $'400\n'
put "$R"/sys/class/backlight/backlight.2/max_brightness  $'1024\n'
put "$R"/sys/class/backlight/backlight.2/actual_brightness $'400\n'
put "$R"/sys/class/switch/hdmi/state $'0\n'
put "$R"/sys/class/switch/hdmi/name  $'hdmi\n'
put "$R"/sys/class/switch/h2w/state  $'0\n'
put "$R"/sys/class/switch/h2w/name   $'h2w\n'
mkdir -p "$R"/sys/class/input

# Cards: the internal card and a TF card present and mounted. The block nodes
# are plain files here; only their existence is looked at.
for n in mmcblk0 mmcblk0p1 mmcblk0p2 mmcblk0p3 mmcblk0p4 mmcblk1 mmcblk1p1; do
    : > "$R"/dev/block/$n
done
cat > "$R"/proc/mounts <<'MOUNTS'
rootfs / rootfs ro,relatime 0 0
proc /proc proc rw,relatime 0 0
sysfs /sys sysfs rw,relatime 0 0
tmpfs /tmp tmpfs rw,nosuid,nodev,relatime,size=65536k 0 0
/dev/block/mmcblk0p1 /misc ext4 rw,relatime,data=ordered 0 0
/dev/block/mmcblk0p2 /mnt/vendor ext4 ro,relatime,data=ordered 0 0
/dev/block/mmcblk0p3 /mnt/data ext4 rw,relatime,data=ordered 0 0
/dev/block/mmcblk0p4 /mnt/mmc vfat rw,relatime,fmask=0022,dmask=0022,codepage=936,iocharset=utf8,shortname=mixed,errors=remount-ro 0 0
/dev/block/mmcblk1p1 /mnt/SDCARD vfat rw,relatime,fmask=0022,dmask=0022,codepage=936,iocharset=utf8,shortname=mixed,errors=remount-ro 0 0
/dev/block/mmcblk1p1 /mnt/sdcard vfat rw,relatime,fmask=0022,dmask=0022,codepage=936,iocharset=utf8,shortname=mixed,errors=remount-ro 0 0
MOUNTS
put "$R"/proc/cpuinfo $'processor\t: 0\nmodel name\t: ARMv7 Processor rev 5 (v7l)\nFeatures\t: half thumb fastmult vfp edsp neon vfpv3 tls vfpv4 idiva idivt vfpd32 lpae\nCPU architecture: 7\nHardware\t: handheld\n'
put "$R"/proc/version $'Linux version 3.10.0 (builder@firmware) (gcc version 7.5.0) #1 SMP PREEMPT\n'

# The shells. They record each "sh -c COMMAND" into <root>/tmp/shell.log, one
# line each, and run nothing: on a desktop no command may power off, reboot,
# remount or set the clock of the host. The one exception is the TF card's
# mount script when it is the sample's stand-in (51-porta-games.sh), which only
# edits the root's /proc/mounts. The root is DEVICE_ROOT when set, else
# found from the shell's own place (the kernel passes the script's path as $0).
make_shell() { # PATH-IN-ROOT DEPTH
    local depth=$2 up="" i
    for ((i = 0; i < depth; i++)); do up="$up/.."; done
    mkdir -p "$(dirname "$R$1")"
    cat > "$R$1" <<SH
#!/bin/sh
# Sample-image stand-in for the device shell: records; runs only the sample's
# TF card mount stand-in.
root=\${DEVICE_ROOT:-}
if [ -z "\$root" ]; then
    root=\$(cd "\$(dirname "\$0")$up" 2>/dev/null && pwd) || exit 127
fi
cmd=
if [ "\${1:-}" = "-c" ]; then
    cmd=\${2:-}
else
    cmd="\$*"
fi
mkdir -p "\$root/tmp" 2>/dev/null
printf '%s\n' "\$cmd" >> "\$root/tmp/shell.log"
case "\$cmd" in
    "/system/porta/mmc.sh add"|"/system/porta/mmc.sh remove")
        if head -n 2 "\$root/system/porta/mmc.sh" 2>/dev/null | grep -q '^# sample-image stand-in'; then
            DEVICE_ROOT="\$root" exec /bin/sh "\$root/system/porta/mmc.sh" "\${cmd#/system/porta/mmc.sh }"
        fi
        ;;
esac
exit 0
SH
    chmod 755 "$R$1"
}
make_shell /bin/sh 1
make_shell /system/bin/sh 2

# Firmware scripts that porta names; they exist as on the device and the
# recording shell never runs them (51-porta-games.sh replaces mmc.sh by a
# stand-in that it does run).
cat > "$R"/system/porta/mmc.sh <<'SH'
#!/bin/sh
# Mounts (add) or unmounts (remove) the TF card at /mnt/sdcard.
case "$1" in
    add) mount -t vfat -o rw,iocharset=utf8 /dev/block/mmcblk1p1 /mnt/sdcard ;;
    remove) umount -l /mnt/sdcard ;;
esac
SH
cat > "$R"/system/porta/cpu_setting.sh <<'SH'
#!/bin/sh
# Sets the CPU governor for a mode: full, powersave, user or deflt.
G=/sys/devices/system/cpu/cpu0/cpufreq/scaling_governor
case "$1" in
    full) echo performance > $G ;;
    powersave) echo powersave > $G ;;
    *) echo userspace > $G ;;
esac
SH
chmod 755 "$R"/system/porta/mmc.sh "$R"/system/porta/cpu_setting.sh
: > "$R"/tmp/shell.log
