#!/bin/bash
# porta's factory test sound: /mnt/vendor/test/test.pcm, raw 16-bit stereo
# samples at 44100 Hz after 4 leading bytes that the launcher skips (no WAV
# header): a short tone, which the factory test plays over and over. The
# marker that starts the factory test (test.ini on the TF card) is not part of
# the image: tools/sample-factory puts it on the card.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}
command -v sox >/dev/null || { echo "53-porta-test.sh: sox is missing (run tools/setup)" >&2; exit 1; }

T="$R"/mnt/vendor/test
mkdir -p "$T"
raw=$(mktemp)
trap 'rm -f "$raw"' EXIT
sox -q -n -r 44100 -c 2 -b 16 -e signed-integer -t raw "$raw" synth 0.4 sine 880 fade q 0.01 0.4 0.08 vol 0.5
{ printf '\0\0\0\0'; cat "$raw"; } > "$T"/test.pcm
len=$(stat -c %s "$T"/test.pcm)
[ $(( (len - 4) % 4 )) = 0 ] && [ "$len" -gt 4 ] ||
    { echo "53-porta-test.sh: unexpected length $len of $T/test.pcm" >&2; exit 1; }
