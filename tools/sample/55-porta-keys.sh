#!/bin/bash
# porta's built-in keypad and key sounds: the input event nodes of the keypad
# and the power key (FIFOs on a development host; write struct input_event
# records into them to press keys), their names under /sys/class/input, and
# the three key sounds under /mnt/vendor/sound (a 44-byte WAV header, then
# 16-bit stereo samples at 44100 Hz). The keypad map file is left out: without
# it porta uses the factory codes.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}
command -v sox >/dev/null || { echo "55-porta-keys.sh: sox is missing (run tools/setup)" >&2; exit 1; }

mkdir -p "$R"/dev/input "$R"/mnt/vendor/sound

# node NAME DEVICE-NAME: an event node and the name Linux reports for it.
node() {
    local f="$R"/dev/input/$1
    [ -p "$f" ] || { rm -f "$f"; mkfifo "$f"; }
    mkdir -p "$R"/sys/class/input/$1/device
    printf '%s\n' "$2" > "$R"/sys/class/input/$1/device/name
}
node event0 "power-key"           # the power key
node event1 "gpio-keys-polled"    # the keypad
node event2 "accelerometer"       # another input device, never taken for the keypad

# sound N SECONDS SYNTH...: one key sound, 16-bit stereo 44100 Hz.
sound() {
    local f="$R"/mnt/vendor/sound/$1.wav len=$2
    shift 2
    sox -q -n -r 44100 -c 2 -b 16 -e signed-integer -t wav "$f" synth "$len" "$@" \
        fade q 0.003 "$len" 0.01 vol 0.6
    # porta skips exactly 44 header bytes: keep the plain PCM header.
    local data=$(( $(stat -c %s "$f") - 44 ))
    [ "$(head -c 4 "$f")" = RIFF ] && [ $((data % 4)) = 0 ] ||
        { echo "55-porta-keys.sh: unexpected WAV layout in $f" >&2; exit 1; }
}
sound 0 0.060 sine 1320     # confirm: a bright short beep
sound 1 0.030 sine 880      # move: a soft tick
sound 2 0.120 square 220    # refused: a low buzz
