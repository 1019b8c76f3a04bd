#!/bin/bash
# porta's picture tree under /mnt/vendor for both outputs (LCD 640x480, HDMI
# 1280x720): title and bottom bars, key and status icons, list highlights,
# the search keyboard, system pictures, settings pictures, four wallpapers,
# two themes of five room icons, game preview stand-ins, the mapping and IO
# test pictures, the boot logo and the shutdown pictures. Also a TF card skin
# in two variants under /sample-skins (put one on the card with
# tools/sample-skin), the framebuffer nodes and the data folder.
#
# Sizes follow the screens' layout: nine list rows of the highlight bar's
# height plus 5 fit between the title bar and the bottom bar; the search
# keyboard's keys sit on its 26 [50] pixel grid; five room icons fit across.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}
V="$R"/mnt/vendor
D="$V"/desktop_res
K="$R"/sample-skins

FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
FONT_REG=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
[ -f "$FONT" ] || { echo "50-porta.sh: $FONT missing (run tools/setup: fonts-dejavu-core)" >&2; exit 1; }
command -v convert >/dev/null || { echo "50-porta.sh: ImageMagick's convert is missing (run tools/setup)" >&2; exit 1; }

# One palette: deep navy, a warm accent, light text.
BG='#141a2e'; PANEL='#232c4a'; EDGE='#3a4878'; TEXT='#eef2fa'; MUTED='#8b97b0'
ACCENT='#ffb02e'; ACCENT2='#ff7a3d'; GOOD='#4cd39b'; BAD='#ff5a5a'

mkdir -p "$R"/dev "$V"/boot "$V"/shutdown "$V"/bin "$D"/menu "$V"/setjoy/lcd "$V"/setkey "$V"/test
: > "$R"/dev/fb0
: > "$R"/dev/fb1

# Jobs run two at a time (two cores).
jobs_run() {
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
    "$@" &
}

# Each picture function appends convert arguments to the array A that push
# one picture onto the image list; `out FILE` writes the top one. A whole set
# is then made by a single convert.
out() { A+=( +repage -depth 8 -write "$1" +delete ); }
run() { convert "${A[@]}" xc:none null:; A=(); }

# glass W H RADIUS TOP BOTTOM EDGE: a rounded panel with a vertical gradient,
# a glossy upper half and a thin edge.
glass() {
    local W=$1 H=$2 r=$3 c1=$4 c2=$5 edge=$6
    A+=( \( -size ${W}x${H} gradient:"$c1"-"$c2" -alpha set
            \( -size ${W}x${H} xc:none -fill white -draw "roundrectangle 0,0 $((W - 1)),$((H - 1)) $r,$r" \)
            -compose DstIn -composite
            \( -size ${W}x$((H / 2)) gradient:'rgba(255,255,255,0.32)'-'rgba(255,255,255,0)'
               \( -size ${W}x$((H / 2)) xc:none -fill white -draw "roundrectangle 1,1 $((W - 2)),$((H + r)) $r,$r" \)
               -compose DstIn -composite \)
            -compose Over -composite
            -fill none -stroke "$edge" -strokewidth 1 -draw "roundrectangle 0,0 $((W - 1)),$((H - 1)) $r,$r" -stroke none \) )
}

# cap SIZE LABEL COLOUR POINTS: a round dark key, domed, with a coloured label.
cap() {
    local s=$1 l=$2 c=$3 pt=$4
    A+=( \( -size ${s}x${s} radial-gradient:'#56608a'-'#161a28' -alpha set
            \( -size ${s}x${s} xc:none -fill white -draw "circle $((s / 2)),$((s / 2)) $((s / 2)),0" \) -compose DstIn -composite
            \( -size ${s}x$((s / 2)) gradient:'rgba(255,255,255,0.45)'-'rgba(255,255,255,0)'
               \( -size ${s}x$((s / 2)) xc:none -fill white -draw "ellipse $((s / 2)),$((s / 2)) $((s * 2 / 5)),$((s * 2 / 5)) 180,360" \)
               -compose DstIn -composite \) -compose Over -composite
            -fill "$c" -stroke none -font "$FONT" -pointsize $pt -gravity center -annotate +0+0 "$l" -gravity northwest
            -fill none -stroke 'rgba(0,0,0,0.5)' -strokewidth 1 -draw "circle $((s / 2)),$((s / 2)) $((s / 2)),0" -stroke none \) )
}

# pill W H LABEL COLOUR POINTS: a rounded key (Start, Select).
pill() {
    local w=$1 h=$2 l=$3 c=$4 pt=$5
    glass $w $h $((h / 2)) '#5a6280' '#22283a' 'rgba(0,0,0,0.6)'
    A+=( -fill "$c" -font "$FONT" -pointsize $pt -gravity center -annotate +0+0 "$l" -gravity northwest )
}

# ---- the fixed set of one output ------------------------------------------

# out_set OUT W H S: S the scale (1 LCD, 2 HDMI).
out_set() {
    local o=$1 W=$2 H=$3 s=$4 T="$D"/top/$1
    local hd=$((s - 1))
    mkdir -p "$T"/title "$T"/bottom
    local th=$((34 + 26 * hd)) bh=$((36 + 24 * hd)) key=$((26 + 20 * hd))
    A=()
    # Title and bottom bars: tinted glass, a light top edge, an accent line.
    A+=( \( -size ${W}x${th} gradient:'#2f3a62'-'#151b30' -alpha set -channel A -evaluate set 90% +channel
            -fill 'rgba(255,255,255,0.10)' -draw "rectangle 0,0 $W,0"
            \( -size 2x${W} gradient:'rgba(255,176,46,0.9)'-'rgba(255,176,46,0)' -rotate -90 \)
            -geometry +0+$((th - 2)) -compose Over -composite \) )
    out "$T"/title/bg.png
    A+=( \( -size ${W}x${bh} gradient:'#151b30'-'#2a345a' -alpha set -channel A -evaluate set 92% +channel
            -fill 'rgba(255,176,46,0.55)' -draw "rectangle 0,0 $W,0"
            -fill 'rgba(255,255,255,0.08)' -draw "rectangle 0,1 $W,1" \) )
    out "$T"/bottom/0.png
    cap $key A "$GOOD" $((14 + 10 * hd)); out "$T"/bottom/1.png
    cap $key B "$BAD" $((14 + 10 * hd)); out "$T"/bottom/2.png
    cap $key X '#5aa8ff' $((14 + 10 * hd)); out "$T"/bottom/3.png
    pill $((38 + 28 * hd)) $key START "$TEXT" $((7 + 5 * hd)); out "$T"/bottom/4.png
    cap $key Y "$ACCENT" $((14 + 10 * hd)); out "$T"/bottom/5.png

    # Battery: an outline (bat_0) and the same battery filled (bat_1), whose
    # left part is drawn over the outline (7 to 23 pixels while charging).
    local bw=30 bhh=$((16 + 2 * hd))
    local tip=$((bhh / 3))
    local body="roundrectangle 0,0 26,$((bhh - 1)) 3,3" nub="roundrectangle 27,$tip 29,$((bhh - 1 - tip)) 1,1"
    A+=( \( -size ${bw}x${bhh} xc:none -fill 'rgba(10,14,26,0.55)' -draw "$body" -fill none -stroke "$TEXT" -strokewidth 1.6
            -draw "roundrectangle 0.8,0.8 25.2,$((bhh - 2)).2 3,3" -stroke none -fill "$TEXT" -draw "$nub" \) )
    out "$T"/title/bat_0.png
    A+=( \( -size ${bw}x${bhh} xc:none -fill 'rgba(10,14,26,0.55)' -draw "$body"
            \( -size 22x$((bhh - 6)) gradient:'#9ff5c8'-'#22a86a' \) -geometry +3+3 -compose Over -composite
            -fill none -stroke "$TEXT" -strokewidth 1.6 -draw "roundrectangle 0.8,0.8 25.2,$((bhh - 2)).2 3,3"
            -stroke none -fill "$TEXT" -draw "$nub" \) )
    out "$T"/title/bat_1.png

    # Speaker with sound waves, a gamepad, headphones.
    local sw=$((28 + 6 * hd)) sh=$((20 + 6 * hd))
    A+=( \( -size 100x72 xc:none -fill "$TEXT" -draw "polygon 6,26 26,26 50,6 50,66 26,46 6,46"
            -fill none -stroke "$TEXT" -strokewidth 6 -draw "arc 40,18 72,54 -50,50" -draw "arc 44,4 96,68 -50,50" -resize ${sw}x${sh}! \) )
    out "$T"/title/spk.png
    A+=( \( -size 140x90 xc:none -fill "$TEXT" -draw "roundrectangle 6,14 134,62 26,26 circle 34,58 34,86 circle 106,58 106,86"
            -fill "#283257" -draw "rectangle 24,34 48,42 rectangle 32,26 40,50 circle 98,30 98,36 circle 110,42 110,48 circle 86,42 86,48"
            -resize $((28 + 8 * hd))x$((18 + 6 * hd))! \) )
    out "$T"/title/joy.png
    A+=( \( -size 100x100 xc:none -fill none -stroke "$TEXT" -strokewidth 10 -draw "arc 12,14 88,90 180,360"
            -stroke none -fill "$TEXT" -draw "roundrectangle 4,52 28,94 8,8 roundrectangle 72,52 96,94 8,8" -resize $((20 + 6 * hd))x$((20 + 6 * hd))! \) )
    out "$T"/title/earphone.png

    # Pointer: a glowing arrow head.
    local p=$((28 + 12 * hd))
    A+=( \( -size 100x100 xc:none -fill 'rgba(255,176,46,0.35)' -draw "polygon 10,6 96,50 10,94 30,50" -blur 0x4
            -fill "$ACCENT" -draw "polygon 14,14 88,50 14,86 32,50" -fill 'rgba(255,255,255,0.55)' -draw "polygon 14,14 88,50 32,50"
            -resize ${p}x${p}! \) )
    out "$T"/point.png

    # List pictures: 0 panel, 1 divider, 2 empty mark, 3 favourite star,
    # 4 card and pop-up highlight, 5 row highlight bar.
    glass $((300 * s)) $((200 * s)) $((12 * s)) "$PANEL" "$BG" "$EDGE"; out "$T"/0.png
    A+=( \( -size 2x$((W / 2)) gradient:"$EDGE"-'rgba(58,72,120,0)' -rotate -90 \) ); out "$T"/1.png
    local m=$((20 + 14 * hd))
    A+=( \( -size 100x100 xc:none -fill none -stroke "$MUTED" -strokewidth 8 -draw "circle 50,50 50,10" -resize ${m}x${m}! \) ); out "$T"/2.png
    A+=( \( -size 100x100 xc:none -fill 'rgba(0,0,0,0.45)' -draw "translate 3,5 polygon 50,4 62,36 96,37 69,58 79,92 50,72 21,92 31,58 4,37 38,36"
            \( -size 100x100 gradient:'#fff1a8'-'#ff9a1e' -alpha set \( -size 100x100 xc:none -fill white -draw "polygon 50,4 62,36 96,37 69,58 79,92 50,72 21,92 31,58 4,37 38,36" \) -compose DstIn -composite \)
            -compose Over -composite -fill none -stroke '#8a4a00' -strokewidth 3 -draw "polygon 50,4 62,36 96,37 69,58 79,92 50,72 21,92 31,58 4,37 38,36"
            -resize ${m}x${m}! \) )
    out "$T"/3.png
    local cw=$((W - 20 - 60 * hd)) ch=$((40 + 20 * hd)) rw=$((385 + 325 * hd)) rh=$((40 + 20 * hd))
    bar_pic $cw $ch $((10 + 6 * hd)); out "$T"/4.png
    bar_pic $rw $rh $((ch / 2)); out "$T"/5.png
    run
}

# bar_pic W H RADIUS: a translucent accent highlight, bright at its left end.
bar_pic() {
    local w=$1 h=$2 r=$3
    A+=( \( -size ${h}x${w} gradient:'rgba(255,176,46,0.92)'-'rgba(255,122,61,0.30)' -rotate -90
            \( -size ${w}x${h} xc:none -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $r,$r" \) -compose DstIn -composite
            \( -size ${w}x$((h / 2)) gradient:'rgba(255,255,255,0.35)'-'rgba(255,255,255,0)'
               \( -size ${w}x$((h / 2)) xc:none -fill white -draw "roundrectangle 1,1 $((w - 2)),$((h + r)) $r,$r" \) -compose DstIn -composite \)
            -compose Over -composite
            -fill none -stroke 'rgba(255,226,160,0.9)' -strokewidth 1.5 -draw "roundrectangle 0.75,0.75 $((w - 2)).25,$((h - 2)).25 $r,$r" -stroke none \) )
}

# ---- the search keyboard ---------------------------------------------------

# 0 the keyboard (text field, 4 rows of 10 keys, the search button), 1..40 a
# lit key, 41 the lit button. Keys on a PITCH grid from (GX, GY) in the
# picture, which the screen places at (330, 140) [(670, 188)].
search_set() {
    local o=$1 s=$2 S="$D"/search/$1
    mkdir -p "$S"
    local hd=$((s - 1))
    local W=$((300 + 260 * hd)) H=$((188 + 168 * hd)) P=$((26 + 24 * hd))
    local gx=$((20 + 12 * hd)) gy=$((47 + 37 * hd)) k=$((P - 2)) pt=$((11 + 9 * hd)) r=$((4 + 4 * hd))
    local chars="1234567890QWERTYUIOPASDFGHJKL;ZXCVBNM .?"
    label() { # index
        case $1 in 29) echo "CLR" ;; 37) echo "SPC" ;; 39) echo "DEL" ;; *) echo "${chars:$1:1}" ;; esac
    }
    local fx=$((15 + 15 * hd)) fy=$((6 + 14 * hd)) fw=$((W - 30 - 30 * hd)) fh=$((32 + 18 * hd))
    A=()
    glass $W $H $((12 + 6 * hd)) '#2b355a' '#151b30' "$EDGE"
    A+=( -fill 'rgba(0,0,0,0.45)' -stroke "$EDGE" -strokewidth 1 -draw "roundrectangle $fx,$fy $((fx + fw)),$((fy + fh)) $r,$r" -stroke none )
    local i
    for i in $(seq 0 39); do
        local x=$((gx + (i % 10) * P + 1)) y=$((gy + (i / 10) * P + 1)) l
        l=$(label $i)
        local lp=$pt
        [ ${#l} -gt 1 ] && lp=$((pt * 6 / 10))
        A+=( -fill '#39446e' -draw "roundrectangle $x,$y $((x + k - 1)),$((y + k - 1)) $r,$r"
             -fill 'rgba(255,255,255,0.10)' -draw "roundrectangle $((x + 1)),$((y + 1)) $((x + k - 2)),$((y + k / 2)) $r,$r"
             -fill "$TEXT" -font "$FONT" -pointsize $lp -gravity northwest
             -annotate +$((x + k / 2 - ${#l} * lp * 3 / 10))+$((y + (k - lp) / 2 - 1)) "$l" )
    done
    local bx=$((gx + 1)) by=$((gy + 4 * P + 1)) bw=$((10 * P - 2))
    A+=( -fill '#39446e' -draw "roundrectangle $bx,$by $((bx + bw - 1)),$((by + k - 1)) $r,$r"
         -fill "$ACCENT" -font "$FONT" -pointsize $pt -gravity north -annotate +0+$((by + (k - pt) / 2 - 1)) "SEARCH" -gravity northwest )
    out "$S"/0.png
    for i in $(seq 0 39); do
        local l lp=$((pt + 2))
        l=$(label $i)
        [ ${#l} -gt 1 ] && lp=$((pt * 7 / 10))
        A+=( \( -size ${P}x${P} xc:none -fill 'rgba(255,176,46,0.45)' -draw "roundrectangle 0,0 $((P - 1)),$((P - 1)) $((r + 2)),$((r + 2))" -blur 0x1
                \( -size ${k}x${k} gradient:'#ffd27a'-"$ACCENT2" -alpha set \( -size ${k}x${k} xc:none -fill white -draw "roundrectangle 0,0 $((k - 1)),$((k - 1)) $r,$r" \) -compose DstIn -composite \)
                -geometry +1+1 -compose Over -composite
                -fill "$BG" -font "$FONT" -pointsize $lp -gravity center -annotate +0+0 "$l" -gravity northwest \) )
        out "$S"/$((i + 1)).png
    done
    A+=( \( -size $((10 * P))x${P} xc:none
            \( -size ${bw}x${k} gradient:'#ffd27a'-"$ACCENT2" -alpha set \( -size ${bw}x${k} xc:none -fill white -draw "roundrectangle 0,0 $((bw - 1)),$((k - 1)) $r,$r" \) -compose DstIn -composite \)
            -geometry +1+1 -compose Over -composite
            -fill "$BG" -font "$FONT" -pointsize $pt -gravity center -annotate +0+0 "SEARCH" -gravity northwest \) )
    out "$S"/41.png
    run
}

# ---- systems ---------------------------------------------------------------

SYS="ps:PS1:PlayStation:#5b7cfa
cps:CPS:Capcom Play System:#e0533d
neogeo:NEOGEO:Neo Geo:#e8b43a
fbahack:FBA:FB Alpha hacks:#b163e8
mame:MAME:Arcade:#49b6e8
gba:GBA:Game Boy Advance:#6b5be0
fc:NES:Famicom / NES:#d94a4a
sfc:SNES:Super Famicom:#8d8fb0
sms:SMS:Master System:#3d7de0
md:MD:Mega Drive:#4a4a5e
gbc:GBC:Game Boy Color:#3bbf8a
gb:GB:Game Boy:#8fae1b
pce:PCE:PC Engine:#f07c3a
ngpc:NGPC:Neo Geo Pocket Color:#3a9df0
gg:GG:Game Gear:#5a5a6a
wsc:WSC:WonderSwan Color:#4fb8c8"

# type-left: a small badge per system; type-right: a large card.
sys_set() {
    local o=$1 s=$2
    local hd=$((s - 1))
    local sw=$((48 + 28 * hd)) sh=$((34 + 18 * hd)) lw=$((240 + 260 * hd)) lh=$((270 + 250 * hd))
    mkdir -p "$D"/type-left/$o "$D"/type-right/$o
    A=()
    local IFS=$'\n' e
    for e in $SYS; do
        local icon=${e%%:*} rest=${e#*:}
        local label=${rest%%:*}; rest=${rest#*:}
        local name=${rest%%:*} colour=${rest#*:}
        local lp=$(( (${#label} > 4 ? 9 : 12) * (sw - 4) / 44 ))
        glass $sw $sh $((7 + 4 * hd)) "$colour" '#1a1f33' 'rgba(255,255,255,0.35)'
        A+=( -fill 'rgba(0,0,0,0.5)' -font "$FONT" -pointsize $lp -gravity center -annotate +1+1 "$label"
             -fill white -annotate +0+0 "$label" -gravity northwest )
        out "$D"/type-left/$o/$icon.png
        local stripes="" x
        for x in $(seq -$lh $((lw / 5 + 12 * hd)) $lw); do stripes+="line $x,$lh $((x + lh)),0 "; done
        glass $lw $lh $((16 + 10 * hd)) "$colour" '#10142a' 'rgba(255,255,255,0.45)'
        A+=( -fill none -stroke 'rgba(255,255,255,0.06)' -strokewidth $((10 + 10 * hd)) -draw "$stripes" -stroke none
             -fill 'rgba(0,0,0,0.45)' -font "$FONT" -pointsize $((40 + 44 * hd)) -gravity center -annotate +3+$((3 - 30 * s)) "$label"
             -fill white -annotate +0-$((30 * s)) "$label"
             -fill "$TEXT" -font "$FONT_REG" -pointsize $((14 + 14 * hd)) -annotate +0+$((30 * s)) "$name"
             -fill 'rgba(255,255,255,0.55)' -pointsize $((11 + 9 * hd)) -gravity south -annotate +0+$((16 * s)) "press A to browse" -gravity northwest )
        out "$D"/type-right/$o/$icon.png
    done
    run
}

# ---- wallpapers ------------------------------------------------------------

# wallpaper STYLE FILE W H: 0 night glow, 1 dusk hills, 2 neon grid, 3 aurora,
# 4 forest (card), 5 ocean (card).
wallpaper() {
    local st=$1 f=$2 W=$3 H=$4
    local w4=$((W / 4)) h4=$((H / 4))
    case $st in
        0) convert -size ${w4}x${h4} radial-gradient:'#2e3d78'-'#090c18' \
               -fill 'rgba(255,176,46,0.30)' -draw "circle $((w4 * 78 / 100)),$((h4 * 22 / 100)) $((w4 * 78 / 100)),$((h4 * 5 / 100))" \
               -fill 'rgba(90,140,255,0.25)' -draw "circle $((w4 * 18 / 100)),$((h4 * 70 / 100)) $((w4 * 18 / 100)),$((h4 * 45 / 100))" \
               -fill 'rgba(255,122,61,0.18)' -draw "circle $((w4 * 55 / 100)),$((h4 * 85 / 100)) $((w4 * 55 / 100)),$((h4 * 72 / 100))" \
               -fill 'rgba(255,255,255,0.10)' -draw "circle $((w4 * 35 / 100)),$((h4 * 25 / 100)) $((w4 * 35 / 100)),$((h4 * 20 / 100))" \
               -blur 0x4 -resize ${W}x${H}! -quality 90 "$f" ;;
        1|4) local a b c d e
           if [ $st = 1 ]; then a='#ffb46b' b='#c4506e' c='#3a1d4a' d='#26143a' e='#140a22'; else a='#d9f0c0' b='#6fae7c' c='#2e5a44' d='#1c3a2e' e='#0e1f18'; fi
           convert -size ${W}x$((H * 6 / 10)) gradient:"$a"-"$b" -size ${W}x$((H - H * 6 / 10)) gradient:"$b"-"$c" -append \
               -fill 'rgba(255,240,200,0.85)' -draw "circle $((W * 68 / 100)),$((H * 52 / 100)) $((W * 68 / 100)),$((H * 40 / 100))" \
               -fill "$c" -draw "polygon 0,$((H * 62 / 100)) $((W * 18 / 100)),$((H * 48 / 100)) $((W * 36 / 100)),$((H * 60 / 100)) $((W * 55 / 100)),$((H * 45 / 100)) $((W * 80 / 100)),$((H * 63 / 100)) $W,$((H * 52 / 100)) $W,$H 0,$H" \
               -fill "$d" -draw "polygon 0,$((H * 75 / 100)) $((W * 25 / 100)),$((H * 64 / 100)) $((W * 48 / 100)),$((H * 76 / 100)) $((W * 70 / 100)),$((H * 66 / 100)) $W,$((H * 78 / 100)) $W,$H 0,$H" \
               -fill "$e" -draw "polygon 0,$((H * 88 / 100)) $((W * 30 / 100)),$((H * 82 / 100)) $((W * 62 / 100)),$((H * 90 / 100)) $W,$((H * 84 / 100)) $W,$H 0,$H" \
               -quality 90 "$f" ;;
        2) local hz=$((H * 55 / 100)) mvg="" i y x
           for i in 1 2 3 4 5 6 7 8 9 10; do y=$((hz + (H - hz) * i * i / 100)); mvg+="line 0,$y $W,$y "; done
           for i in $(seq -12 12); do x=$((W / 2 + i * W / 10)); mvg+="line $((W / 2 + i * W / 60)),$hz $x,$H "; done
           convert -size ${W}x${hz} gradient:'#1a0638'-'#ff4f9a' -size ${W}x$((H - hz)) gradient:'#1a0638'-'#07010f' -append \
               \( -size ${W}x${hz} gradient:'#ffe27a'-'#ff7a3d' -alpha set \( -size ${W}x${hz} xc:black -fill white \
                     -draw "circle $((W / 2)),$((hz - H / 20)) $((W / 2)),$((hz - H * 27 / 100))" -fill black \
                     -draw "rectangle 0,$((hz - H / 9)) $W,$((hz - H / 9 + H / 80)) rectangle 0,$((hz - H / 16)) $W,$((hz - H / 16 + H / 70)) rectangle 0,$((hz - H / 40)) $W,$hz" -alpha copy \) \
                  -compose DstIn -composite \) -compose Over -composite \
               -fill none -stroke 'rgba(255,79,154,0.75)' -strokewidth $((W / 640 + 1)) -draw "$mvg" -quality 90 "$f" ;;
        3|5) local t1 t2 g1 g2
           if [ $st = 3 ]; then t1='#04121c' t2='#0b2a3a' g1='rgba(80,255,170,0.45)' g2='rgba(90,160,255,0.35)'; else t1='#021a33' t2='#0d4f7a' g1='rgba(120,220,255,0.40)' g2='rgba(255,255,255,0.20)'; fi
           local stars
           stars=$(awk -v w=$W -v h=$H 'BEGIN { srand(7); for (i = 0; i < 90; i++) { x = int(rand() * w); y = int(rand() * h * 0.6); r = (rand() < 0.2) ? 2 : 1; printf "circle %d,%d %d,%d ", x, y, x + r * w / 1280 + 0.5, y } }')
           convert -size ${W}x${H} gradient:"$t1"-"$t2" -fill 'rgba(255,255,255,0.8)' -draw "$stars" \
               \( -size ${w4}x${h4} xc:none -fill "$g1" -draw "ellipse $((w4 * 40 / 100)),$((h4 * 38 / 100)) $((w4 * 45 / 100)),$((h4 * 7 / 100)) 0,360" \
                  -fill "$g2" -draw "ellipse $((w4 * 65 / 100)),$((h4 * 52 / 100)) $((w4 * 40 / 100)),$((h4 * 6 / 100)) 0,360" \
                  -fill "$g1" -draw "ellipse $((w4 * 50 / 100)),$((h4 * 66 / 100)) $((w4 * 50 / 100)),$((h4 * 4 / 100)) 0,360" \
                  -background none -wave $((h4 / 30 + 1))x$((w4 / 3)) -blur 0x3 -resize ${W}x${H}! \) -compose Screen -composite \
               -quality 90 "$f" ;;
    esac
}

wallpapers() { # ROOT FIRST-NUMBER STYLE...
    local root=$1 n=$2
    shift 2
    mkdir -p "$root"/lcd "$root"/hdmi
    for st in "$@"; do
        wallpaper $st "$root"/lcd/$n.jpg 640 480
        wallpaper $st "$root"/hdmi/$n.jpg 1280 720
        n=$((n + 1))
    done
}

# ---- themes ----------------------------------------------------------------

# sym KIND FILL HOLE: a room's symbol in a 100x100 box (controller, star,
# clock, magnifier, gear).
sym() {
    local f=$2 h=$3
    case $1 in
        0) echo "fill $f stroke none roundrectangle 8,30 92,66 16,16 circle 25,62 25,84 circle 75,62 75,84
                 fill $h rectangle 18,45 36,51 rectangle 24,39 30,57
                 circle 70,41 70,46 circle 79,49 79,54 circle 61,49 61,54 circle 70,57 70,62" ;;
        1) echo "fill $f stroke none polygon 50,6 61,37 94,37 67,57 78,90 50,70 22,90 33,57 6,37 39,37" ;;
        2) echo "fill none stroke $f stroke-width 9 circle 50,50 50,13
                 stroke-linecap round stroke-width 8 line 50,50 50,27 line 50,50 67,61" ;;
        3) echo "fill none stroke $f stroke-width 10 circle 42,42 42,15
                 stroke-linecap round stroke-width 14 line 62,62 85,85" ;;
        4) echo "fill $f stroke none circle 50,50 50,22
                 fill none stroke $f stroke-width 13 stroke-dasharray 12.6 12.6 circle 50,50 50,16
                 fill $h stroke none circle 50,50 50,39" ;;
    esac
}

# room_icons DIR W H TOP BOTTOM EDGE SYMBOL: the five room icons of a theme
# for one output: a rounded tile with a shadow, a gradient, a glossy top and
# the room's symbol.
room_icons() {
    local dir=$1 W=$2 H=$3 c1=$4 c2=$5 edge=$6 sf=$7
    mkdir -p "$dir"
    local m=$((W / 16)) r=$((W / 6))
    local tw=$((W - 2 * m)) th=$((H - 2 * m - W / 20))
    local sz=$((tw * 64 / 100))
    local sx=$(((W - sz) / 2)) sy=$((m + (th - sz) * 42 / 100)) sc
    sc=$(awk -v s=$sz 'BEGIN { printf "%.3f", s / 100 }')
    A=()
    for i in 0 1 2 3 4; do
        A+=( \( -size ${W}x${H} xc:none
            \( -size ${W}x${H} xc:none -fill 'rgba(0,0,0,0.6)' -draw "roundrectangle $m,$((m + W / 24)) $((m + tw - 1)),$((m + th - 1 + W / 24)) $r,$r" -blur 0x$((W / 30 + 1)) \)
            -compose Over -composite
            \( -size ${tw}x${th} gradient:"$c1"-"$c2" -alpha set
               \( -size ${tw}x${th} xc:none -fill white -draw "roundrectangle 0,0 $((tw - 1)),$((th - 1)) $r,$r" \)
               -compose DstIn -composite \)
            -geometry +$m+$m -compose Over -composite
            \( -size ${tw}x$((th / 2)) gradient:'rgba(255,255,255,0.38)'-'rgba(255,255,255,0.0)'
               \( -size ${tw}x$((th / 2)) xc:none -fill white -draw "roundrectangle 1,1 $((tw - 2)),$((th - 1 + r)) $r,$r" \)
               -compose DstIn -composite \)
            -geometry +$m+$m -compose Over -composite
            -fill none -stroke "$edge" -strokewidth $((W / 60 + 1)) -draw "roundrectangle $m,$m $((m + tw - 1)),$((m + th - 1)) $r,$r"
            -stroke none
            -draw "translate $((sx + W / 40)),$((sy + W / 30)) scale $sc,$sc $(sym $i 'rgba(0,0,0,0.35)' 'rgba(0,0,0,0)')"
            -draw "translate $sx,$sy scale $sc,$sc $(sym $i "$sf" 'rgba(0,0,0,0.28)')" \) )
        out "$dir"/$i.png
    done
    run
}

theme() { # ROOT NUMBER TOP BOTTOM EDGE SYMBOL
    room_icons "$1"/$2/lcd 118 160 "$3" "$4" "$5" "$6"
    room_icons "$1"/$2/hdmi 170 230 "$3" "$4" "$5" "$6"
}

# ---- settings, previews, mapping and test pictures -------------------------

menu_set() {
    A=()
    glass 640 40 8 "$PANEL" "$BG" "$EDGE"; out "$D"/menu/0.png
    A+=( \( -size 96x96 xc:none -fill 'rgba(0,0,0,0.35)' -stroke "$MUTED" -strokewidth 8 -draw "circle 48,48 48,8" -resize 24x24! \) ); out "$D"/menu/1.png
    A+=( \( -size 96x96 xc:none -fill 'rgba(0,0,0,0.35)' -stroke "$ACCENT" -strokewidth 8 -draw "circle 48,48 48,8"
            -stroke none -fill "$ACCENT" -draw "circle 48,48 48,24" -fill 'rgba(255,255,255,0.6)' -draw "circle 42,42 42,34" -resize 24x24! \) ); out "$D"/menu/2.png
    A+=( \( -size 1280x720 radial-gradient:'rgba(0,0,0,0.45)'-'rgba(0,0,0,0.8)' \) ); out "$D"/menu/3.png
    glass 130 48 12 '#ffc25c' "$ACCENT2" 'rgba(120,50,0,0.8)'; out "$D"/menu/4.png
    glass 130 48 12 '#f4f6fa' '#b9c0cf' 'rgba(60,70,90,0.8)'; out "$D"/menu/5.png
    A+=( \( -size 120x40 xc:none -fill 'rgba(0,0,0,0.5)' -font "$FONT" -pointsize 24 -gravity center -annotate +2+2 "zendra"
            -fill "$ACCENT" -annotate +0+0 "zendra" -gravity northwest \) ); out "$D"/zendra.png
    # Preview stand-ins for games without a picture (240x180 [500x430]).
    local s
    for s in 1 2; do
        local w=$((240 + 260 * (s - 1))) h=$((180 + 250 * (s - 1))) f="$D"/lcd_default.png
        [ $s = 2 ] && f="$D"/default.png
        local sc
        sc=$(awk -v s=$s 'BEGIN { printf "%.2f", 0.64 * s }')
        glass $w $h $((12 * s)) '#2b355a' '#10142a' "$EDGE"
        A+=( -draw "translate $((w / 2 - 32 * s)),$((h / 2 - 52 * s)) scale $sc,$sc $(sym 0 "$MUTED" '#1a2038')"
             -fill "$MUTED" -font "$FONT" -pointsize $((15 * s)) -gravity center -annotate +0+$((32 * s)) "No preview" -gravity northwest )
        out "$f"
    done
    run
}

# Key caps and arrows for the joystick and keypad mapping screens and the IO
# test: CAP SIZE plain and done, arrows pointing toward the cap they surround.
arrow() { # SIZE DIRECTION COLOUR
    local s=$1 c=$3 pts
    case $2 in
        up) pts="50,46 80,94 20,94" ;; down) pts="50,54 80,6 20,6" ;;
        left) pts="46,50 94,20 94,80" ;; right) pts="54,50 6,20 6,80" ;;
        ul) pts="22,22 78,40 40,78" ;; dl) pts="22,78 40,22 78,60" ;;
        ur) pts="78,22 60,78 22,40" ;; dr) pts="78,78 22,60 60,22" ;;
    esac
    A+=( \( -size 100x100 xc:none -fill 'rgba(0,0,0,0.45)' -draw "translate 3,5 polygon $pts" -fill "$c" -draw "polygon $pts"
            -fill none -stroke 'rgba(255,255,255,0.45)' -strokewidth 3 -draw "polygon $pts" -stroke none -resize ${s}x${s}! \) )
}
mapcap() { # SIZE LIT
    local s=$1 c1='#4a557e' c2='#1c2238'
    [ "$2" = 1 ] && c1='#ffd27a' c2="$ACCENT2"
    A+=( \( -size ${s}x${s} xc:none \) )
    glass $((s - 4)) $((s - 4)) $((s / 5)) "$c1" "$c2" 'rgba(0,0,0,0.7)'
    A+=( -geometry +2+2 -compose Over -composite )
}
ring() { # SIZE CORNER(0..3) COLOUR: a quarter of a stick's ring (its stroke is
    # reset inside: settings made in parentheses carry on to the next picture)
    local s=$1 c=$3 a
    case $2 in 0) a="180,270" ;; 1) a="90,180" ;; 2) a="270,360" ;; 3) a="0,90" ;; esac
    local cx cy
    case $2 in 0) cx=100 cy=100 ;; 1) cx=100 cy=0 ;; 2) cx=0 cy=100 ;; 3) cx=0 cy=0 ;; esac
    A+=( \( -size 100x100 xc:none -fill none -stroke "$c" -strokewidth 14 -draw "ellipse $cx,$cy 70,70 ${a}" -stroke none -resize ${s}x${s}! \) )
}
mapping_set() {
    A=()
    local s d
    # setjoy: LCD 40 pixels (setjoy/lcd), HDMI 60 (setjoy).
    for s in 40 60; do
        d="$V"/setjoy/lcd
        [ $s = 60 ] && d="$V"/setjoy
        mapcap $s 0; out "$d"/0.png
        mapcap $s 1; out "$d"/1.png
        local n=2
        for dir in up down left right; do
            arrow $s $dir "$MUTED"; out "$d"/$n.png
            arrow $s $dir "$ACCENT"; out "$d"/$((n + 1)).png
            n=$((n + 2))
        done
        for q in 0 1 2 3; do ring $s $q "$EDGE"; out "$d"/$((10 + q)).png; done
    done
    # setkey: one set, 70 pixels: 0/2 caps, 1/3 spare, 4-7 the D-pad's arms.
    mapcap 70 0; out "$V"/setkey/0.png
    mapcap 70 0; out "$V"/setkey/1.png
    mapcap 70 1; out "$V"/setkey/2.png
    mapcap 70 1; out "$V"/setkey/3.png
    local n=4
    for dir in up down left right; do arrow 70 $dir "$MUTED"; out "$V"/setkey/$n.png; n=$((n + 1)); done
    # test: 0/1 cap, 2/3 small cap, then the eight D-pad directions plain/lit.
    mapcap 70 0; out "$V"/test/0.png
    mapcap 70 1; out "$V"/test/1.png
    pill 90 40 "" "$TEXT" 10; out "$V"/test/2.png
    glass 90 40 20 '#ffd27a' "$ACCENT2" 'rgba(0,0,0,0.6)'; out "$V"/test/3.png
    n=4
    for dir in up down left right ul dl ur dr; do
        arrow 70 $dir "$MUTED"; out "$V"/test/$n.png
        arrow 70 $dir "$ACCENT"; out "$V"/test/$((n + 1)).png
        n=$((n + 2))
    done
    A+=( \( -size 140x90 xc:none -fill "$TEXT" -draw "roundrectangle 6,14 134,62 26,26 circle 34,58 34,86 circle 106,58 106,86"
            -fill "#283257" -draw "rectangle 24,34 48,42 rectangle 32,26 40,50 circle 98,30 98,36 circle 110,42 110,48 circle 86,42 86,48"
            -resize 48x32! \) ); out "$V"/test/gamepad.png
    run
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

# The card skin: themes 0 and 3 and wallpapers 0 and 1 (complete); the same
# without wallpapers (incomplete), which the launcher must refuse.
card_skin_themes() {
    theme "$K"/complete/skin/theme 0 '#2a2f45' '#0c0e18' '#4df0ff' '#4df0ff'
    theme "$K"/complete/skin/theme 3 '#8ef0b0' '#1f7a5a' 'rgba(220,255,230,0.7)' white
}
card_skin_wallpapers() {
    wallpapers "$K"/complete/skin/wallpapers 0 4 5
}

rm -rf "$K"
jobs_run out_set lcd 640 480 1
jobs_run out_set hdmi 1280 720 2
jobs_run search_set lcd 1
jobs_run search_set hdmi 2
jobs_run sys_set lcd 1
jobs_run sys_set hdmi 2
jobs_run wallpapers "$V"/wallpapers 0 0 1
jobs_run wallpapers "$V"/wallpapers 2 2 3
jobs_run theme "$V"/theme 0 '#ffc25c' '#e8602c' 'rgba(255,240,200,0.7)' white
jobs_run theme "$V"/theme 1 '#7cc8ff' '#2446a8' 'rgba(210,235,255,0.7)' white
jobs_run menu_set
jobs_run mapping_set
jobs_run boot_and_shutdown
jobs_run card_skin_themes
jobs_run card_skin_wallpapers
fail=0
while true; do
    wait -n || { rc=$?; [ $rc = 127 ] && break; fail=1; }
done
[ "$fail" = 0 ] || { echo "50-porta.sh: a picture could not be made" >&2; exit 1; }
mkdir -p "$K"/incomplete/skin
cp -a "$K"/complete/skin/theme "$K"/incomplete/skin/

# Every picture the launcher loads must be there.
missing=0
need() { [ -s "$1" ] || { echo "50-porta.sh: $1 was not made" >&2; missing=1; }; }
for o in lcd hdmi; do
    for f in bg earphone spk joy bat_0 bat_1; do need "$D"/top/$o/title/$f.png; done
    for i in 0 1 2 3 4 5; do need "$D"/top/$o/bottom/$i.png; need "$D"/top/$o/$i.png; done
    need "$D"/top/$o/point.png
    for i in $(seq 0 41); do need "$D"/search/$o/$i.png; done
    while IFS=: read -r icon _; do need "$D"/type-left/$o/$icon.png; need "$D"/type-right/$o/$icon.png; done <<< "$SYS"
    for n in 0 1 2 3; do need "$V"/wallpapers/$o/$n.jpg; done
    for t in 0 1; do for i in 0 1 2 3 4; do need "$V"/theme/$t/$o/$i.png; done; done
done
for i in 0 1 2 3 4 5; do need "$D"/menu/$i.png; done
for i in $(seq 0 13); do need "$V"/setjoy/lcd/$i.png; need "$V"/setjoy/$i.png; done
for i in $(seq 0 7); do need "$V"/setkey/$i.png; done
for i in $(seq 0 19); do need "$V"/test/$i.png; done
need "$V"/test/gamepad.png; need "$D"/zendra.png; need "$D"/lcd_default.png; need "$D"/default.png
[ "$missing" = 0 ] || exit 1

# The interface font (the fonts script copies it too; this keeps porta's tree
# complete when that script changes).
if [ ! -f "$V"/bin/default.ttf ]; then
    for f in /usr/share/fonts/truetype/wqy/wqy-microhei.ttc /usr/share/fonts/truetype/*/wqy-microhei.ttc; do
        if [ -f "$f" ]; then cp "$f" "$V"/bin/default.ttf; break; fi
    done
fi
[ -f "$V"/bin/default.ttf ] || { echo "50-porta.sh: no CJK font for /mnt/vendor/bin/default.ttf (fonts-wqy-microhei)" >&2; exit 1; }
mkdir -p "$R"/mnt/data/porta/joypad
