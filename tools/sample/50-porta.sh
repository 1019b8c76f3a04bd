#!/bin/bash
# porta's fixed picture tree under /mnt/vendor for both outputs (LCD 640x480,
# HDMI 1280x720): title and bottom bars, key and status icons, list pictures,
# search keyboard, system icons, settings pictures, wallpapers, themes, the boot
# logo and the shutdown pictures. Also the framebuffer nodes (plain files on a
# development host) and the save folder skeleton.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}
V="$R"/mnt/vendor
D="$V"/desktop_res

FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
FONT_REG=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
[ -f "$FONT" ] || { echo "50-porta.sh: $FONT missing (run tools/setup: fonts-dejavu-core)" >&2; exit 1; }
command -v convert >/dev/null || { echo "50-porta.sh: ImageMagick's convert is missing (run tools/setup)" >&2; exit 1; }

# One palette for every picture: deep navy, a warm accent, light text.
BG='#141a2e'; PANEL='#1f2742'; EDGE='#33406a'; TEXT='#e8edf7'; MUTED='#8b97b0'
ACCENT='#ffb02e'; ACCENT2='#ff8a3d'; GOOD='#4cd39b'; BAD='#ff5a5a'

mkdir -p "$R"/dev "$V"/boot "$V"/shutdown "$V"/wallpapers/lcd "$V"/wallpapers/hdmi "$V"/bin "$D"/menu

# Framebuffer nodes: plain files that porta sizes to one frame.
: > "$R"/dev/fb0
: > "$R"/dev/fb1

# Jobs run two at a time (two cores).
jobs_run() {
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
    "$@" &
}

# key_icon FILE SIZE LETTER COLOUR: a round key cap with a letter.
key_icon() {
    local f=$1 s=$2 l=$3 c=$4 r=$(($2 / 2 - 1)) pt=$(($2 * 5 / 10))
    [ ${#l} -gt 1 ] && pt=$(($2 * 3 / 10))
    convert -size ${s}x${s} xc:none -fill "$c" -draw "circle $((s / 2)),$((s / 2)) $((s / 2)),1" \
        -fill "$BG" -font "$FONT" -pointsize $pt -gravity center -annotate +0+0 "$l" "$f"
}

# out_set OUT W H S: the fixed set of one output, S the scale (1 LCD, 2 HDMI).
out_set() {
    local out=$1 W=$2 H=$3 s=$4
    local T="$D"/top/$out
    mkdir -p "$T"/title "$T"/bottom "$D"/search/$out "$D"/type-left/$out "$D"/type-right/$out
    local bar=$((36 * s))
    # Title bar and bottom bar: panels with a thin accent line.
    convert -size ${W}x${bar} gradient:"$PANEL"-"$BG" -fill "$ACCENT" -draw "rectangle 0,$((bar - 2)) $W,$((bar - 1))" "$T"/title/bg.png
    convert -size ${W}x${bar} gradient:"$BG"-"$PANEL" -fill "$ACCENT" -draw "rectangle 0,0 $W,1" "$T"/bottom/0.png
    key_icon "$T"/bottom/1.png $((24 * s)) A "$GOOD"
    key_icon "$T"/bottom/2.png $((24 * s)) B "$BAD"
    key_icon "$T"/bottom/3.png $((24 * s)) X "$MUTED"
    key_icon "$T"/bottom/4.png $((24 * s)) ST "$ACCENT"
    key_icon "$T"/bottom/5.png $((24 * s)) Y "$ACCENT2"
    # Status icons.
    local i=$((20 * s))
    convert -size ${i}x${i} xc:none -fill "$TEXT" -draw "polygon $((i / 8)),$((i * 3 / 8)) $((i * 3 / 8)),$((i * 3 / 8)) $((i * 5 / 8)),$((i / 8)) $((i * 5 / 8)),$((i * 7 / 8)) $((i * 3 / 8)),$((i * 5 / 8)) $((i / 8)),$((i * 5 / 8))" \
        -stroke "$TEXT" -strokewidth $s -fill none -draw "arc $((i / 2)),$((i / 4)) $((i - 1)),$((i * 3 / 4)) -60,60" "$T"/title/spk.png
    convert -size ${i}x${i} xc:none -stroke "$TEXT" -strokewidth $((2 * s)) -fill none -draw "arc $((i / 8)),$((i / 8)) $((i * 7 / 8)),$((i * 7 / 8)) 180,360" \
        -stroke none -fill "$TEXT" -draw "roundrectangle 1,$((i / 2)) $((i / 4)),$((i - 2)) 2,2" -draw "roundrectangle $((i * 3 / 4 - 1)),$((i / 2)) $((i - 2)),$((i - 2)) 2,2" "$T"/title/earphone.png
    convert -size $((26 * s))x$((18 * s)) xc:none -fill "$TEXT" -draw "roundrectangle 1,$((4 * s)) $((25 * s)),$((17 * s)) $((6 * s)),$((6 * s))" \
        -fill "$BG" -draw "circle $((7 * s)),$((10 * s)) $((7 * s)),$((8 * s))" -draw "circle $((19 * s)),$((10 * s)) $((19 * s)),$((8 * s))" "$T"/title/joy.png
    local bw=$((32 * s)) bh=$((16 * s))
    convert -size ${bw}x${bh} xc:none -stroke "$TEXT" -strokewidth $s -fill none -draw "rectangle $s,$s $((bw - 4 * s)),$((bh - s - 1))" \
        -stroke none -fill "$TEXT" -draw "rectangle $((bw - 3 * s)),$((bh / 3)) $((bw - 1)),$((bh * 2 / 3))" "$T"/title/bat_0.png
    convert -size ${bw}x${bh} xc:none -stroke "$TEXT" -strokewidth $s -fill "$GOOD" -draw "rectangle $s,$s $((bw - 4 * s)),$((bh - s - 1))" \
        -stroke none -fill "$TEXT" -draw "rectangle $((bw - 3 * s)),$((bh / 3)) $((bw - 1)),$((bh * 2 / 3))" "$T"/title/bat_1.png
    # Pointer.
    local p=$((24 * s))
    convert -size ${p}x${p} xc:none -fill "$ACCENT" -draw "polygon 2,2 $((p - 2)),$((p / 2)) 2,$((p - 2)) $((p / 4)),$((p / 2))" "$T"/point.png
    # List pictures: 0 panel, 1 divider, 2 empty mark, 3 favourite star,
    # 4 card and pop-up highlight, 5 row highlight bar.
    local rowh=$((34 * s)) roww=$((385 * s)) cardw=$((W - 40 * s))
    [ "$s" = 2 ] && roww=710 && rowh=52
    convert -size $((300 * s))x$((200 * s)) xc:"$PANEL" -fill none -stroke "$EDGE" -strokewidth 2 -draw "rectangle 1,1 $((300 * s - 2)),$((200 * s - 2))" "$T"/0.png
    convert -size $((W / 2))x2 xc:"$EDGE" "$T"/1.png
    convert -size $((20 * s))x$((20 * s)) xc:none -stroke "$MUTED" -strokewidth $s -fill none -draw "circle $((10 * s)),$((10 * s)) $((10 * s)),$((3 * s))" "$T"/2.png
    local st=$((20 * s))
    convert -size ${st}x${st} xc:none -fill "$ACCENT" -draw "polygon $((st / 2)),0 $((st * 62 / 100)),$((st * 38 / 100)) $((st - 1)),$((st * 38 / 100)) $((st * 68 / 100)),$((st * 60 / 100)) $((st * 80 / 100)),$((st - 1)) $((st / 2)),$((st * 74 / 100)) $((st * 20 / 100)),$((st - 1)) $((st * 32 / 100)),$((st * 60 / 100)) 0,$((st * 38 / 100)) $((st * 38 / 100)),$((st * 38 / 100))" "$T"/3.png
    convert -size ${cardw}x$((40 * s)) xc:none -fill "${ACCENT}55" -stroke "$ACCENT" -strokewidth $s -draw "roundrectangle 1,1 $((cardw - 2)),$((40 * s - 2)) $((8 * s)),$((8 * s))" "$T"/4.png
    convert -size ${roww}x${rowh} gradient:"${ACCENT}cc"-"${ACCENT2}33" -alpha set -channel A -evaluate multiply 0.85 +channel "$T"/5.png
    # Search keyboard: 26 letters, 10 digits, space, delete, clear, search, -, '.
    local k=$((40 * s)) n=0 keys="A B C D E F G H I J K L M N O P Q R S T U V W X Y Z 0 1 2 3 4 5 6 7 8 9 SPC DEL CLR GO - ."
    for key in $keys; do
        local pt=$((18 * s))
        [ ${#key} -gt 1 ] && pt=$((11 * s))
        convert -size ${k}x${k} xc:none -fill "$PANEL" -stroke "$EDGE" -strokewidth $s -draw "roundrectangle 1,1 $((k - 2)),$((k - 2)) $((6 * s)),$((6 * s))" \
            -stroke none -fill "$TEXT" -font "$FONT" -pointsize $pt -gravity center -annotate +0+0 "$key" "$D"/search/$out/$n.png
        n=$((n + 1))
    done
}

# System pictures: a small icon (type-left) and a large picture (type-right).
SYS="ps:PS1:#5b7cfa cps:CPS:#e0533d neogeo:NEOGEO:#e8b43a fbahack:FBAHACK:#b163e8 mame:MAME:#49b6e8 gba:GBA:#6b5be0 fc:FC:#d94a4a sfc:SFC:#8d8fb0 sms:SMS:#3d7de0 md:MD:#2f2f3a gbc:GBC:#3bbf8a gb:GB:#9bbc0f pce:PCE:#f07c3a ngpc:NGPC:#3a9df0 gg:GG:#2b2b2b wsc:WSC:#7fd0e0"
sys_set() {
    local out=$1 s=$2
    local sw=$((48 * s)) sh=$((28 * s)) lw=$((230 * s)) lh=$((260 * s))
    [ "$s" = 2 ] && lw=470 && lh=500
    for e in $SYS; do
        local icon=${e%%:*} rest=${e#*:}
        local label=${rest%%:*} colour=${rest#*:}
        convert -size ${sw}x${sh} xc:none -fill "$colour" -draw "roundrectangle 0,0 $((sw - 1)),$((sh - 1)) $((6 * s)),$((6 * s))" \
            -fill white -font "$FONT" -pointsize $((label_pt = (${#label} > 4 ? 8 : 11) * s)) -gravity center -annotate +0+0 "$label" \
            "$D"/type-left/$out/$icon.png
        convert -size ${lw}x${lh} gradient:"$colour"-"$BG" -fill none -stroke "$ACCENT" -strokewidth $((2 * s)) \
            -draw "roundrectangle $s,$s $((lw - 1 - s)),$((lh - 1 - s)) $((14 * s)),$((14 * s))" \
            -stroke none -fill white -font "$FONT" -pointsize $((34 * s)) -gravity center -annotate +0-$((20 * s)) "$label" \
            -fill "$TEXT" -font "$FONT_REG" -pointsize $((12 * s)) -annotate +0+$((30 * s)) "press A to browse" \
            "$D"/type-right/$out/$icon.png
    done
}

# Wallpapers 0..2 for both outputs.
wallpapers() {
    local n=0
    for pair in "$BG:#2a3566" "#1a1420:#4a2a3a" "#0f2024:#1f4a4a"; do
        local a=${pair%%:*} b=${pair#*:}
        convert -size 640x480 radial-gradient:"$b"-"$a" -fill "${ACCENT}10" -draw "circle 560,80 560,220" \
            -quality 88 "$V"/wallpapers/lcd/$n.jpg
        convert -size 1280x720 radial-gradient:"$b"-"$a" -fill "${ACCENT}10" -draw "circle 1120,140 1120,400" \
            -quality 88 "$V"/wallpapers/hdmi/$n.jpg
        n=$((n + 1))
    done
}

# Themes 0 and 1: the five room icons (games, favourites, history, search,
# settings) with a drawn symbol and the room's name.
ROOMS="Games Favorites History Search Settings"
theme_set() {
    local t=$1 c1=$2 c2=$3
    for out in lcd hdmi; do
        local w=112 h=150 s=1
        [ $out = hdmi ] && w=150 h=200 s=2
        mkdir -p "$V"/theme/$t/$out
        local i=0
        for room in $ROOMS; do
            local cx=$((w / 2)) cy=$((h * 2 / 5)) r=$((w / 4))
            local sym sw=$((3 * s))
            case $i in
                0) sym="fill $c1 roundrectangle $((cx - r)),$((cy - r / 2)) $((cx + r)),$((cy + r / 2)) $((r / 3)),$((r / 3)) fill $c2 rectangle $((cx - r * 2 / 3)),$((cy - sw / 2)) $((cx - r / 4)),$((cy + sw / 2)) rectangle $((cx - r * 2 / 3 + r / 5 - sw / 2)),$((cy - r / 4)) $((cx - r * 2 / 3 + r / 5 + sw / 2)),$((cy + r / 4)) circle $((cx + r / 2)),$((cy - r / 6)) $((cx + r / 2 + sw)),$((cy - r / 6)) circle $((cx + r / 4)),$((cy + r / 5)) $((cx + r / 4 + sw)),$((cy + r / 5))" ;;
                1) sym="fill $c1 polygon $cx,$((cy - r)) $((cx + r / 3)),$((cy - r / 4)) $((cx + r)),$((cy - r / 4)) $((cx + r / 2)),$((cy + r / 4)) $((cx + r * 2 / 3)),$((cy + r)) $cx,$((cy + r / 2)) $((cx - r * 2 / 3)),$((cy + r)) $((cx - r / 2)),$((cy + r / 4)) $((cx - r)),$((cy - r / 4)) $((cx - r / 3)),$((cy - r / 4))" ;;
                2) sym="fill none stroke $c1 stroke-width $sw circle $cx,$cy $((cx + r)),$cy line $cx,$cy $cx,$((cy - r * 2 / 3)) line $cx,$cy $((cx + r / 2)),$((cy + r / 4))" ;;
                3) sym="fill none stroke $c1 stroke-width $sw circle $((cx - r / 4)),$((cy - r / 4)) $((cx + r / 3)),$((cy - r / 4)) stroke-width $((2 * sw)) line $((cx + r / 4)),$((cy + r / 4)) $((cx + r * 3 / 4)),$((cy + r * 3 / 4))" ;;
                4) sym="fill none stroke $c1 stroke-width $sw line $((cx - r)),$((cy - r / 2)) $((cx + r)),$((cy - r / 2)) line $((cx - r)),$cy $((cx + r)),$cy line $((cx - r)),$((cy + r / 2)) $((cx + r)),$((cy + r / 2)) fill $c1 circle $((cx - r / 3)),$((cy - r / 2)) $((cx - r / 3 + 2 * sw)),$((cy - r / 2)) circle $((cx + r / 2)),$cy $((cx + r / 2 + 2 * sw)),$cy circle $((cx - r / 2)),$((cy + r / 2)) $((cx - r / 2 + 2 * sw)),$((cy + r / 2))" ;;
            esac
            convert -size ${w}x${h} xc:none -fill "$c1" -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $((14 * s)),$((14 * s))" \
                -fill "$c2" -draw "roundrectangle $((3 * s)),$((3 * s)) $((w - 1 - 3 * s)),$((h - 1 - 3 * s)) $((12 * s)),$((12 * s))" \
                -draw "$sym" -stroke none \
                -fill "$TEXT" -font "$FONT" -pointsize $((11 * s)) -gravity south -annotate +0+$((12 * s)) "$room" \
                "$V"/theme/$t/$out/$i.png
            i=$((i + 1))
        done
    done
}

# Settings pictures: 0 panel, 1/2 radio marks, 3 overlay, 4/5 buttons; logo.
menu_set() {
    convert -size 640x40 xc:"$PANEL" "$D"/menu/0.png
    convert -size 20x20 xc:none -stroke "$MUTED" -strokewidth 2 -fill none -draw "circle 10,10 10,2" "$D"/menu/1.png
    convert -size 20x20 xc:none -stroke "$ACCENT" -strokewidth 2 -fill none -draw "circle 10,10 10,2" -stroke none -fill "$ACCENT" -draw "circle 10,10 10,5" "$D"/menu/2.png
    convert -size 1280x720 xc:'#00000099' "$D"/menu/3.png
    convert -size 110x40 xc:none -fill "$ACCENT" -draw "roundrectangle 0,0 109,39 10,10" "$D"/menu/4.png
    convert -size 110x40 xc:none -fill '#d8dce6' -draw "roundrectangle 0,0 109,39 10,10" "$D"/menu/5.png
    convert -size 120x40 xc:none -fill "$ACCENT" -font "$FONT" -pointsize 22 -gravity center -annotate +0+0 "zendra" "$D"/zendra.png
    # Preview stand-ins for games without their own picture.
    convert -size 230x260 gradient:"$PANEL"-"$BG" -fill "$MUTED" -font "$FONT" -pointsize 18 -gravity center -annotate +0+0 "no preview" "$D"/lcd_default.png
    convert -size 470x500 gradient:"$PANEL"-"$BG" -fill "$MUTED" -font "$FONT" -pointsize 36 -gravity center -annotate +0+0 "no preview" "$D"/default.png
}

# Boot logo (shown centred on black) and the shutdown pictures.
boot_and_shutdown() {
    convert -size 420x160 xc:black -fill "$ACCENT" -font "$FONT" -pointsize 72 -gravity center -annotate +0-14 "porta" \
        -fill "$MUTED" -font "$FONT_REG" -pointsize 16 -annotate +0+48 "retro handheld" "$V"/boot/logo.png
    convert -size 640x480 radial-gradient:"$PANEL"-black -fill "$TEXT" -font "$FONT" -pointsize 34 -gravity center -annotate +0-10 "Shutting down..." \
        -fill "$MUTED" -font "$FONT_REG" -pointsize 16 -annotate +0+34 "see you soon" -quality 90 "$V"/shutdown/lcd.jpg
    convert -size 1280x720 radial-gradient:"$PANEL"-black -fill "$TEXT" -font "$FONT" -pointsize 64 -gravity center -annotate +0-20 "Shutting down..." \
        -fill "$MUTED" -font "$FONT_REG" -pointsize 28 -annotate +0+60 "see you soon" -quality 90 "$V"/shutdown/hdmi.jpg
    convert -size 320x160 xc:black -stroke "$BAD" -strokewidth 4 -fill none -draw "rectangle 90,30 210,80" -stroke none -fill "$BAD" \
        -draw "rectangle 212,45 222,65" -draw "rectangle 96,36 112,74" -fill "$TEXT" -font "$FONT" -pointsize 20 -gravity south -annotate +0+28 "Battery low" -quality 90 "$V"/shutdown/lowpower_lcd.jpg
    convert -size 640x320 xc:black -stroke "$BAD" -strokewidth 8 -fill none -draw "rectangle 180,60 420,160" -stroke none -fill "$BAD" \
        -draw "rectangle 424,90 444,130" -draw "rectangle 192,72 224,148" -fill "$TEXT" -font "$FONT" -pointsize 40 -gravity south -annotate +0+56 "Battery low" -quality 90 "$V"/shutdown/lowpower_hdmi.jpg
}

jobs_run out_set lcd 640 480 1
jobs_run out_set hdmi 1280 720 2
jobs_run sys_set lcd 1
jobs_run sys_set hdmi 2
jobs_run wallpapers
jobs_run theme_set 0 "$ACCENT" "$PANEL"
jobs_run theme_set 1 "#4cb0ff" "#152238"
jobs_run menu_set
jobs_run boot_and_shutdown
fail=0
while true; do
    wait -n || { rc=$?; [ $rc = 127 ] && break; fail=1; }
done
[ "$fail" = 0 ] || { echo "50-porta.sh: a picture could not be made" >&2; exit 1; }

# The interface font (the fonts script copies it too; this keeps porta's tree
# complete when that script changes).
if [ ! -f "$V"/bin/default.ttf ]; then
    for f in /usr/share/fonts/truetype/wqy/wqy-microhei.ttc /usr/share/fonts/truetype/*/wqy-microhei.ttc; do
        if [ -f "$f" ]; then cp "$f" "$V"/bin/default.ttf; break; fi
    done
fi
[ -f "$V"/bin/default.ttf ] || { echo "50-porta.sh: no CJK font for /mnt/vendor/bin/default.ttf (fonts-wqy-microhei)" >&2; exit 1; }
mkdir -p "$R"/mnt/data/porta/joypad
