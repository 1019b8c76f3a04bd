#!/bin/bash
# Fonts, copied from the host's Debian font packages (fonts-dejavu-core,
# fonts-wqy-microhei): the front end's font folder and porta's default font.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}

find_font() { # FILE-NAME: prints the first installed copy
    local f
    for f in /usr/share/fonts/truetype/dejavu/"$1" /usr/share/fonts/truetype/wqy/"$1" \
             /usr/share/fonts/truetype/*/"$1" /usr/share/fonts/*/"$1"; do
        if [ -f "$f" ]; then
            printf '%s\n' "$f"
            return 0
        fi
    done
    echo "10-fonts.sh: font $1 is not installed (run tools/setup: fonts-dejavu-core, fonts-wqy-microhei)" >&2
    return 1
}

latin=$(find_font DejaVuSansCondensed.ttf)
latin_bold=$(find_font DejaVuSansCondensed-Bold.ttf)
cjk=$(find_font wqy-microhei.ttc)

F="$R"/mnt/mmc/CFW/font
mkdir -p "$F"
# The language files' default font name; a condensed sans stands in for it.
cp "$latin" "$F"/Oswald-Regular.ttf
cp "$latin" "$F"/DejaVuSansCondensed.ttf
cp "$latin_bold" "$F"/DejaVuSansCondensed-Bold.ttf
cp "$cjk" "$F"/wqy-microhei.ttc
for d in fonts-dejavu-core fonts-wqy-microhei; do
    if [ -f /usr/share/doc/$d/copyright ]; then
        cp /usr/share/doc/$d/copyright "$F"/COPYING.$d
    fi
done

# porta's interface font must cover Chinese, Japanese and Korean; the font
# loader opens a .ttc collection under any name.
mkdir -p "$R"/mnt/vendor/bin
cp "$cjk" "$R"/mnt/vendor/bin/default.ttf
