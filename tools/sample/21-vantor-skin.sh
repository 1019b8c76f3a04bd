#!/bin/bash
# The front end's skin pictures under /mnt/mmc/CFW/skin, drawn with ImageMagick:
# a dark theme with one amber accent. Sizes follow the screen layout: 640x480
# backgrounds and overlays, 150x160 Home icons and Consoles cells, 54 px guide
# icons, 76x32 battery and CPU icons (same place, the CPU badge sits in the
# left part the battery leaves free), 120x120 system pictures.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}
S="$R"/mnt/mmc/CFW/skin
mkdir -p "$S"/system

# The palette (the skin settings file of 20-vantor.sh uses the same colours).
BG0='#0d1119'; BG1='#1b2333'; PANEL='#1e2636'; PANEL_HI='#2b3650'; LINE='#3a4762'
TEXT='#e8edf7'; MUTED='#8b97b0'; ACCENT='#ffb02e'; ACCENT2='#ff8a3d'
GREEN='#4cd07d'; RED='#ff5c5c'; BLUE='#5aa8ff'

FONT=/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf
BOLD=/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf
for f in "$FONT" "$BOLD"; do
    [ -f "$f" ] || { echo "21-vantor-skin.sh: missing font $f (fonts-dejavu-core)" >&2; exit 1; }
done
command -v convert >/dev/null || { echo "21-vantor-skin.sh: ImageMagick's convert is not installed" >&2; exit 1; }

# Jobs run two (or nproc) at a time; a failing job leaves its command in $FAILS.
FAILS=$(mktemp)
trap 'rm -f "$FAILS"' EXIT
MAXJ=$(nproc 2>/dev/null || echo 2)
job() {
    while [ "$(jobs -rp | wc -l)" -ge "$MAXJ" ]; do wait -n 2>/dev/null || true; done
    ( ( "$@" ) || printf '%s\n' "$*" >> "$FAILS" ) &
}
finish() {
    wait
    if [ -s "$FAILS" ]; then
        echo "21-vantor-skin.sh: failed:" >&2
        cat "$FAILS" >&2
        exit 1
    fi
}

# ---- full-screen pictures -------------------------------------------------
background() {
    # dithered to the 5-6-5 levels of the 16-bit screen, so the gradient shows no bands
    convert -size 640x480 gradient:"$BG1"-"$BG0" \
        \( -size 640x480 xc:none -fill '#ffffff08' \
           -draw 'circle 560,120 560,380' -draw 'circle 90,430 90,560' \
           -fill '#ffb02e0a' -draw 'circle 600,60 600,180' \) -composite \
        -fill '#0a0e16b0' -draw 'rectangle 0,0 639,47' \
        -fill "$ACCENT" -draw 'rectangle 0,47 639,48' \
        -fill '#0a0e16a0' -draw 'rectangle 0,408 639,479' \
        -fill "$LINE" -draw 'rectangle 0,408 639,408' \
        -ordered-dither o8x8,32,64,32 -depth 8 "PNG24:$S/background.png"
}
recent_overlay() {
    # header and guide bands over the screenshot, and a plate behind the one row
    convert -size 640x480 xc:none \
        -fill '#0a0e16d8' -draw 'rectangle 0,0 639,46' \
        \( -size 640x16 gradient:'#0a0e16d8'-'#0a0e1600' \) -geometry +0+49 -composite \
        -fill "$ACCENT" -draw 'rectangle 0,47 639,48' \
        \( -size 640x60 gradient:'#0a0e1600'-'#0a0e16d8' \) -geometry +0+348 -composite \
        -fill '#0a0e16d8' -draw 'rectangle 0,408 639,479' \
        -fill "$LINE" -draw 'rectangle 0,408 639,408' \
        -fill '#ffb02e70' -draw 'roundrectangle 110,362 530,420 14,14' \
        -fill '#0a0e16d0' -draw 'roundrectangle 112,364 528,418 12,12' \
        -depth 8 "PNG32:$S/recent-overlay.png"
}
game_overlay() {
    convert -size 640x480 xc:'#0b0f1890' \
        \( -size 640x480 radial-gradient:'#00000000'-'#000000a0' \) -composite \
        -fill '#0a0e16c8' -draw 'rectangle 0,0 639,47' \
        -fill "$ACCENT" -draw 'rectangle 0,47 639,48' \
        -fill '#0a0e16c8' -draw 'rectangle 0,408 639,479' \
        -depth 8 "PNG32:$S/game-overlay.png"
}

# ---- header ------------------------------------------------------------------
logo() {
    convert -size 40x36 xc:none \
        -fill "$ACCENT" -draw 'roundrectangle 2,2 37,33 9,9' \
        -fill "$BG0" -draw 'polygon 10,10 16,10 20,22 24,10 30,10 22,28 18,28' \
        -depth 8 "PNG32:$S/logo.png"
}
arrow() {
    convert -size 28x18 xc:none -fill "$ACCENT" -draw 'polygon 14,1 27,16 1,16' \
        -depth 8 "PNG32:$S/arrow.png"
}
# battery OUT FILL-WIDTH(0..38) FILL-COLOUR CHARGING(0/1)
battery() {
    local out=$1 w=$2 col=$3 chg=$4 draw=()
    if [ "$w" -gt 0 ]; then
        draw+=(-fill "$col" -draw "roundrectangle 30,10 $((29 + w)),21 2,2")
    fi
    if [ "$chg" = 1 ]; then
        draw+=(-fill "$TEXT" -stroke "$BG0" -strokewidth 1.5
               -draw 'polygon 51,4 41,17 48,17 45,28 57,13 50,13 54,4' -stroke none)
    fi
    convert -size 76x32 xc:none \
        -fill '#00000060' -draw 'roundrectangle 26,7 71,26 5,5' \
        -fill none -stroke "$TEXT" -strokewidth 2 -draw 'roundrectangle 27,6 70,25 5,5' -stroke none \
        -fill "$TEXT" -draw 'roundrectangle 71,12 74,19 1,1' \
        "${draw[@]}" -depth 8 "PNG32:$S/$out"
}
# cpu OUT TEXT COLOUR UP(1/0)
cpu() {
    local out=$1 tri
    if [ "$4" = 1 ]; then tri='polygon 12,2 18,9 6,9'; else tri='polygon 6,2 18,2 12,9'; fi
    convert -size 76x32 xc:none -fill "$3" -draw "$tri" \
        -font "$BOLD" -pointsize 11 -fill "$3" -annotate +1+24 "$2" \
        -depth 8 "PNG32:$S/$out"
}

# ---- button guide ---------------------------------------------------------------
# button OUT LETTER RING-COLOUR
button() {
    convert -size 54x54 xc:none \
        -fill '#00000050' -draw 'circle 27,29 27,50' \
        -fill "$PANEL_HI" -stroke "$3" -strokewidth 3 -draw 'circle 27,27 27,7' -stroke none \
        -font "$BOLD" -pointsize 22 -fill "$TEXT" -gravity center -annotate +0+0 "$2" \
        -depth 8 "PNG32:$S/$1"
}
dpad() {
    convert -size 54x54 xc:none \
        -fill '#00000050' -draw 'circle 27,29 27,50' \
        -fill "$PANEL_HI" -stroke "$LINE" -strokewidth 3 -draw 'circle 27,27 27,7' -stroke none \
        -fill "$TEXT" -draw 'roundrectangle 22,13 32,41 2,2' -draw 'roundrectangle 13,22 41,32 2,2' \
        -fill "$PANEL_HI" -draw 'circle 27,27 27,24' \
        -depth 8 "PNG32:$S/icon-dpad-54.png"
}

# ---- Home icons ------------------------------------------------------------------
# home OUT f|n PICTOGRAM-DRAW-ARGS...
home() {
    local out=$1 mode=$2; shift 2
    local ink fill
    if [ "$mode" = f ]; then
        ink=$BG0
        fill=(\( -size 138x148 gradient:"$ACCENT"-"$ACCENT2" \) -geometry +6+6 -compose over -composite
              \( -size 150x160 xc:none -fill white -draw 'roundrectangle 6,6 143,153 22,22' \)
              -compose DstIn -composite -compose over)
        convert -size 150x160 xc:none "${fill[@]}" \
            -fill none -stroke '#fff3d0' -strokewidth 2 -draw 'roundrectangle 7,7 142,152 21,21' -stroke none \
            -fill "$ink" -stroke "$ink" "$@" -depth 8 "PNG32:$S/$out"
    else
        ink=$MUTED
        convert -size 150x160 xc:none \
            -fill "$PANEL" -stroke "$LINE" -strokewidth 2 -draw 'roundrectangle 7,7 142,152 21,21' -stroke none \
            -fill "$ink" -stroke "$ink" "$@" -depth 8 "PNG32:$S/$out"
    fi
}
RECENT=(-fill none -strokewidth 9 -draw 'circle 75,80 75,38'
        -strokewidth 8 -draw 'line 75,80 75,54' -draw 'line 75,80 95,92'
        -stroke none -draw 'circle 75,80 75,74')
FAVORITE=(-stroke none -draw 'polygon 75,34 87,64 119,66 94,86 102,117 75,100 48,117 56,86 31,66 63,64')
GAME=(-stroke none -draw 'roundrectangle 24,56 126,108 24,24'
      -fill CARD -draw 'rectangle 44,76 66,84' -draw 'rectangle 51,69 59,91'
      -draw 'circle 98,74 98,68' -draw 'circle 108,88 108,82' -draw 'circle 88,88 88,82')
RETRO=(-fill none -strokewidth 9 -draw 'circle 75,80 75,36'
       -stroke none -fill INK -draw 'polygon 64,58 64,102 100,80')
with_card() { # replaces the CARD and INK placeholders with the mode's colours
    local card_colour=$1 ink_colour=$2; shift 2
    local arg out=()
    for arg in "$@"; do arg=${arg//CARD/$card_colour}; out+=("${arg//INK/$ink_colour}"); done
    printf '%s\0' "${out[@]}"
}

# ---- Consoles cells and system pictures ------------------------------------------
cell() { # OUT f|n
    if [ "$2" = f ]; then
        convert -size 150x160 xc:none \
            -fill '#ffb02e30' -draw 'roundrectangle 2,2 147,157 20,20' \
            -fill "$PANEL_HI" -stroke "$ACCENT" -strokewidth 4 -draw 'roundrectangle 6,6 143,153 18,18' \
            -depth 8 "PNG32:$S/$1"
    else
        convert -size 150x160 xc:none \
            -fill "$PANEL" -stroke "$LINE" -strokewidth 2 -draw 'roundrectangle 7,7 142,152 18,18' \
            -depth 8 "PNG32:$S/$1"
    fi
}
# system FOLDER SHORT-LABEL FULL-NAME COLOUR SHAPE(cart|disc|arcade|hand)
system() {
    local folder=$1 short=$2 full=$3 col=$4 shape=$5 emblem
    case "$shape" in
        cart)   emblem=(-fill "$col" -draw 'roundrectangle 24,10 96,62 8,8' -fill '#00000040' -draw 'rectangle 34,10 86,18') ;;
        disc)   emblem=(-fill "$col" -draw 'circle 60,36 60,6' -fill '#00000055' -draw 'circle 60,36 60,27') ;;
        arcade) emblem=(-fill "$col" -draw 'polygon 30,62 36,8 84,8 90,62' -fill '#00000050' -draw 'rectangle 42,16 78,40') ;;
        hand)   emblem=(-fill "$col" -draw 'roundrectangle 36,6 84,66 9,9' -fill '#00000050' -draw 'rectangle 44,14 76,38') ;;
        *)      emblem=(-fill "$col" -draw 'roundrectangle 20,12 100,60 16,16') ;;
    esac
    convert -size 120x120 xc:none "${emblem[@]}" \
        -font "$BOLD" -fill white -stroke '#00000080' -strokewidth 1 -pointsize 22 -gravity north -annotate +0+22 "$short" -stroke none \
        \( -size 116x46 -background none -fill "$TEXT" -font "$FONT" -pointsize 15 -gravity center caption:"$full" \) \
        -gravity north -geometry +0+72 -composite \
        -depth 8 "PNG32:$S/system/$folder.png"
}

job background
job recent_overlay
job game_overlay
job logo
job arrow
job battery power-0%-icon.png 3 "$RED" 0
job battery power-20%-icon.png 9 "$ACCENT2" 0
job battery power-50%-icon.png 20 "$ACCENT" 0
job battery power-80%-icon.png 30 "$GREEN" 0
job battery power-full-icon.png 38 "$GREEN" 0
job battery charging-01.png 3 "$GREEN" 1
job battery charging-02.png 9 "$GREEN" 1
job battery charging-03.png 20 "$GREEN" 1
job battery charging-04.png 30 "$GREEN" 1
job battery charging-05.png 38 "$GREEN" 1
job cpu oc-16.png 1.49 "$RED" 1
job cpu oc-13.png 1.30 "$ACCENT" 1
job cpu uc-07.png 0.72 "$BLUE" 0
job cpu uc-05.png 0.50 "$GREEN" 0
job dpad
job button icon-A-54.png A "$ACCENT"
job button icon-B-54.png B "$LINE"
job button icon-X-54.png X "$LINE"
job button icon-Y-54.png Y "$LINE"
job cell ic-system-f.png f
job cell ic-system-n.png n
for m in f n; do
    if [ $m = f ]; then cc=$ACCENT; ic=$BG0; else cc=$PANEL; ic=$MUTED; fi
    mapfile -d '' a < <(with_card "$cc" "$ic" "${RECENT[@]}");   job home ic-recent-$m.png $m "${a[@]}"
    mapfile -d '' a < <(with_card "$cc" "$ic" "${FAVORITE[@]}"); job home ic-favorite-$m.png $m "${a[@]}"
    mapfile -d '' a < <(with_card "$cc" "$ic" "${GAME[@]}");     job home ic-game-$m.png $m "${a[@]}"
    mapfile -d '' a < <(with_card "$cc" "$ic" "${RETRO[@]}");    job home ic-retroarch-$m.png $m "${a[@]}"
done

# One picture per system folder of the core mapping (20-vantor.sh), except the
# folders that show their name as text (OPENBOR, "PC Engine CD").
while IFS='|' read -r folder short full col shape; do
    [ -n "$folder" ] || continue
    job system "$folder" "$short" "$full" "$col" "$shape"
done <<'SYSTEMS'
FC|FC|Nintendo Family Computer|#d84a4a|cart
SFC|SFC|Super Famicom|#8a6fd8|cart
GB|GB|Game Boy|#8fae3a|hand
GBC|GBC|Game Boy Color|#3fa7a0|hand
GBA|GBA|Game Boy Advance|#5a62d8|hand
NDS|NDS|Nintendo DS|#9aa3b5|hand
N64|N64|Nintendo 64|#2f9d5a|cart
MD|MD|Mega Drive|#3b4bb0|cart
MS|SMS|Master System|#c43a3a|cart
GG|GG|Game Gear|#404a5e|hand
PCE|PCE|PC Engine|#e07a2e|cart
PS|PS|PlayStation|#7b8494|disc
SEGACD|MCD|Mega-CD|#2c6fd1|disc
ARCADE|FBN|Arcade|#e0a020|arcade
MAME|MAME|Arcade (MAME)|#c4612b|arcade
NEOGEO|NEO|Neo Geo|#b8b8b8|arcade
WS|WSC|WonderSwan Color|#4f8fd6|hand
NGP|NGPC|Neo Geo Pocket Color|#3d9fc9|hand
ATARI|2600|Atari 2600|#a0522d|cart
LYNX|LYNX|Atari Lynx|#d0502a|hand
PICO8|PICO-8|Fantasy console|#ff4d7d|cart
SCUMMVM|SCUMM|Point-and-click adventures|#6aa84f|disc
VIDEOS|VIDEO|Movies|#5c6b8a|disc
DOS|DOS|MS-DOS|#3a8f8f|disc
SYSTEMS

finish
