#!/bin/bash
# porta's game library on both cards: the 17 system folders (and bios/) under
# /mnt/mmc (built-in) and /mnt/sdcard (TF card), a fixed showcase for every
# system (folder games for the arcade systems and PS1, an m68k.txt marker and
# goldnaxe for the CPS emulator's m68k form, names with ':', quotes, $,
# backquotes, backslashes, CJK, a leading number, a leading blank, hidden and
# filtered files), about SAMPLE_GAMES generated ROM files spread over the 34
# folders, and preview pictures beside some games at assorted sizes.
#
# Also the TF card's mount script /system/porta/mmc.sh as a stand-in: "add"
# mounts the card by writing a /mnt/sdcard line into the root's /proc/mounts
# when a card node (/dev/block/mmcblk1 ...) exists; "remove" drops the line.
# The sample's shell runs it (and only it). tools/sample-card in|out ROOT puts
# the card in or takes it out.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}
N=${SAMPLE_GAMES:-300}
command -v convert >/dev/null || { echo "51-porta-games.sh: ImageMagick's convert is missing (run tools/setup)" >&2; exit 1; }
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
PICTURES="$WORK"/pictures.tsv

python3 - "$R" "$N" "$PICTURES" <<'PY'
import os, random, sys

R, N, pictures = sys.argv[1], int(sys.argv[2]), sys.argv[3]
rng = random.Random(51)
# label, folder games, extensions (in the order generated names use them)
SYSTEMS = [
    ("PS1", True, ["iso", "bin", "pbp", "img"]), ("VERTICAL", True, ["zip"]), ("CPS", True, ["zip"]),
    ("NEOGEO", True, ["zip"]), ("FBAHACK", True, ["zip"]), ("MAME", True, ["zip"]),
    ("GBA", False, ["gba"]), ("FC", False, ["nes"]), ("SFC", False, ["sfc", "smc"]), ("SMS", False, ["sms"]),
    ("MD", False, ["md", "bin", "smd"]), ("GBC", False, ["gbc"]), ("GB", False, ["gb"]),
    ("PCENGINE", False, ["pce"]), ("NGPC", False, ["ngp", "ngc"]), ("GG", False, ["gg"]),
    ("WonderSwan", False, ["ws", "wsc"]),
]
MMC, TF = "/mnt/mmc/", "/mnt/sdcard/"

# Showcase files per (card, label). A name ending in "/" is a folder game:
# the files after the ":" go inside it.
FIXED = {
    (MMC, "PS1"): ["Final Quest VII/:Final Quest VII (Disc 1).bin,cover.png", "Crystal Dungeon (USA).pbp",
                   "Crash Racer (Europe).iso", "System Volume Information/:IndexerVolumeGuid",
                   ".hidden.iso", "notes.txt", "Empty Folder/:readme.txt"],
    (MMC, "VERTICAL"): ["1942.zip", "1943.zip", "Raiden/:raiden.zip", "Batsugun: Special Version.zip"],
    (MMC, "CPS"): ["Final Fight/:ffight.zip,m68k.txt", "Golden Axe/:goldnaxe.zip", "GOLDNAXE.ZIP", "sf2.zip",
                   "dino.zip", "punisher.zip"],
    (MMC, "NEOGEO"): ["拳皇97.zip", "mslug.zip", "kof98.zip", "garou.zip", "Metal Slug X/:mslugx.zip"],
    (MMC, "FBAHACK"): ["kof97pls.zip", "sf2th.zip"],
    (MMC, "MAME"): ["pacman.zip", "galaga.zip", "Street Fighter II: Champion Edition.zip", "Qix/:qix.zip"],
    (MMC, "GBA"): ["Game 10.gba", "Game 2.gba", "game 3.GBA", ".hidden.gba", "012 Super Game.gba",
                   "Zelda: The Minish Cap.gba", "Golden Sun.gba", "GBA Folder Game/:inside.gba", "save.sav"],
    (MMC, "FC"): ["魔界村.nes", " Game.nes", "Super Adventure Quest (USA) [!].nes", "Mega Man 2: Dr. Wily.nes"],
    (MMC, "SFC"): ['The "Quoted" Quest (Europe).sfc', "Mystic Knight Saga (USA) [!].smc",
                   "Chrono Quest: Edition $5 `tick` \\slash.sfc", "勇者の剣 (Japan).sfc"],
    (MMC, "SMS"): ["Alex Kidd (USA).sms"],
    (MMC, "MD"): ["readme.b", "Sonic Speedway (World).md", "Streets of Wrath 2 (USA).bin",
                  "Phantasy Stars: Generations.smd", "三国志 英雄传 (China).md"],
    (MMC, "GBC"): ["Pocket Monsters Crystal (Japan).gbc"],
    (MMC, "GB"): ["Tetrimino (World).gb", "Link's Dream (USA).gb"],
    (MMC, "PCENGINE"): ["Bonk's Adventure (USA).pce"],
    (MMC, "NGPC"): ["SNK vs Capcom: Match of the Millennium.ngp", "Sonic Pocket Adventure.ngc"],
    (MMC, "GG"): ["Shinobi Ninja (USA).gg"],
    (MMC, "WonderSwan"): ["Gunpey (Japan).ws", "Final Fable (Japan).wsc"],
    (TF, "PS1"): ["Blood Moon (USA)/:Blood Moon (USA).img,front.jpg", "Racing Lap (Japan).pbp"],
    (TF, "VERTICAL"): ["1944.zip"],
    (TF, "CPS"): ["Captain Commando/:captcomm.zip,m68k.txt", "goldnaxe.zip", "ssf2t.zip"],
    (TF, "NEOGEO"): ["拳皇98.zip", "samsho2.zip"],
    (TF, "FBAHACK"): ["mslug3b6.zip"],
    (TF, "MAME"): ["dkong.zip", "Ms. Pac-Man: Speed Up.zip"],
    (TF, "GBA"): ["Golden Sun.gba", "별의 전사 (Korea).gba", "Space  Double  Spaces (USA).gba",
                  'Pay $HOME; echo "pwned" `date` \\ Hack.gba'],
    (TF, "FC"): ["忍者龙剑传 (China).nes", "Super Adventure Quest (USA) [!].nes"],
    (TF, "SFC"): ["Secret of the Star: Part 2 (USA).sfc"],
    (TF, "SMS"): ["Wonder Kid (Europe).sms"],
    (TF, "MD"): ["Gunstar Fighters (USA).md"],
    (TF, "GBC"): ["Harvest Days (USA).gbc"],
    (TF, "GB"): ["Kirby's Picnic (Japan).gb"],
    (TF, "PCENGINE"): ["R-Blaster (Japan).pce"],
    (TF, "NGPC"): ["Metal Slug: 1st Mission.ngp"],
    (TF, "GG"): ["Columns Crystal (Japan).gg"],
    (TF, "WonderSwan"): ["Klonoa: Moonlight Museum.wsc"],
}
# Preview pictures: (card, label, picture file, width, height, caption).
PICTURES = [
    (MMC, "PS1", "Crystal Dungeon (USA).png", 640, 480, "Crystal Dungeon"),
    (MMC, "PS1", "Final Quest VII/cover.png", 320, 240, "Final Quest VII"),
    (MMC, "CPS", "sf2.png", 320, 240, "SF2"),
    (MMC, "NEOGEO", "拳皇97.jpg", 500, 430, "KOF 97"),
    (MMC, "GBA", "Golden Sun.png", 240, 180, "Golden Sun"),
    (MMC, "GBA", "Game 2.jpg", 480, 320, "Game 2"),
    (MMC, "FC", "魔界村.png", 256, 240, "Makaimura"),
    (MMC, "SFC", "Mystic Knight Saga (USA) [!].jpg", 640, 480, "Mystic Knight"),
    (MMC, "SFC", "Mystic Knight Saga (USA) [!].png", 160, 144, "not this one"),
    (TF, "GBA", "Golden Sun.png", 160, 144, "Golden Sun TF"),
    (TF, "PS1", "Blood Moon (USA)/front.jpg", 400, 400, "Blood Moon"),
]

def host(dev):
    return R + dev

def rom(path, name):
    with open(host(path), "wb") as f:
        f.write(("SAMPLE-ROM:" + name + "\n").encode("utf-8")[:96])

FIRST = ("Thunder Dragon Blade Galaxy Ninja Cyber Turbo Shadow Star Iron Metal Street Space Power Mystic "
         "Final Super Mega Ultra Crystal Dark Golden Silver Neo Blazing Phantom Sky Wild Night Steel Solar "
         "Lunar Rocket Magic Royal Twin Cosmic Laser Omega Rapid Hidden Sacred Little Pocket Zombie Pixel").split()
SECOND = ("Knight Warrior Fighter Racer Strike Force Quest Legend Squad Commando Raiders Hunter Storm Wars "
          "Attack Patrol Rider Blaster Kid Saga Zone Fury Runner Striker Defender Invaders Bomber Pilot "
          "Soccer Golf Pinball Puzzle Castle Dungeon Empire Kingdom Tiger Falcon Island Odyssey").split()
TAIL = ["", "", "", " II", " III", " 2", " 10", ": Second Strike", " Turbo", " DX"]
REGION = [" (USA)", " (Europe)", " (Japan)", " (World)", ""]

folders = [(card, label) for card in (MMC, TF) for label, _, _ in SYSTEMS]
made = {}
for card, label in folders:
    os.makedirs(host(card + label), exist_ok=True)
    names = set()
    for entry in FIXED.get((card, label), []):
        if "/:" in entry:
            folder, inside = entry.split("/:")
            os.makedirs(host(card + label + "/" + folder), exist_ok=True)
            for f in inside.split(","):
                if f.endswith((".png", ".jpg")):
                    continue
                rom(card + label + "/" + folder + "/" + f, f)
        else:
            rom(card + label + "/" + entry, entry)
        names.add(entry.split("/:")[0])
    made[(card, label)] = names
for card in (MMC, TF):
    os.makedirs(host(card + "bios"), exist_ok=True)

# Generated games: N spread over the 34 folders, the built-in card holding
# about twice as many as the TF card; a few arcade and PS1 games are folders.
weights = [2 if card == MMC else 1 for card, _ in folders]
for k in range(N):
    i = rng.choices(range(len(folders)), weights)[0]
    card, label = folders[i]
    sysrow = next(s for s in SYSTEMS if s[0] == label)
    for attempt in range(100):
        title = rng.choice(FIRST) + " " + rng.choice(SECOND) + rng.choice(TAIL) + rng.choice(REGION)
        if attempt > 50:
            title += " (Rev %d)" % attempt
        ext = rng.choice(sysrow[2])
        if title + "." + ext not in made[(card, label)] and title not in made[(card, label)]:
            break
    if sysrow[1] and rng.random() < 0.15:
        os.makedirs(host(card + label + "/" + title), exist_ok=True)
        rom(card + label + "/" + title + "/" + title.split(" (")[0].lower().replace(" ", "") + "." + ext, title)
        made[(card, label)].add(title)
    else:
        rom(card + label + "/" + title + "." + ext, title)
        made[(card, label)].add(title + "." + ext)

with open(pictures, "w", encoding="utf-8") as f:
    for card, label, pic, w, h, caption in PICTURES:
        f.write("%s\t%d\t%d\t%s\n" % (host(card + label + "/" + pic), w, h, caption))
PY

# The pictures, two at a time.
# A stand-in screenshot: a small pixel-art scene (sky, hills, ground tiles,
# platforms, coins, a hero and a foe, the score line) drawn at a low
# resolution and enlarged without smoothing, with the game's name as the
# stage's title card. The look (day, dusk, night, cave) follows the name.
picture() { # FILE W H CAPTION
    local W=$2 H=$3 cap=$4 s=1
    [ "$W" -ge 400 ] && s=2
    [ "$W" -ge 600 ] && s=3
    local w=$((W / s)) h=$((H / s))
    local look=$(( $(printf '%s' "$cap" | cksum | cut -d' ' -f1) % 4 ))
    local sky1 sky2 hill1 hill2 ground top extra=""
    case $look in
        0) sky1='#4aa8ff' sky2='#c8ecff' hill1='#3f9a4a' hill2='#2c7436' ground='#8a5a2b' top='#5ccf4c' ;;
        1) sky1='#5a2a6a' sky2='#ff9a5a' hill1='#6a3a6a' hill2='#3a1f44' ground='#4a2e2a' top='#c0603a'
           extra="fill #ffd27a circle $((w * 3 / 4)),$((h / 2)) $((w * 3 / 4)),$((h / 2 - h / 10))" ;;
        2) sky1='#070b24' sky2='#283a78' hill1='#1c2650' hill2='#121a3a' ground='#4a4a5e' top='#8a8aa8'
           extra="fill #f4f0d8 circle $((w * 86 / 100)),$((h * 3 / 10)) $((w * 86 / 100)),$((h * 3 / 10 - h / 16))" ;;
        3) sky1='#1a0e0a' sky2='#3a1e12' hill1='#4a2a1a' hill2='#2a1810' ground='#3a2a22' top='#ff7a2a' ;;
    esac
    local gy=$((h * 78 / 100)) t=$((h / 15 + 4))
    local tiles="" x
    for ((x = 0; x < w; x += t)); do tiles+="line $x,$((gy + 3)) $x,$h "; done
    for ((x = gy + 3 + t / 2; x < h; x += t / 2 + 2)); do tiles+="line 0,$x $w,$x "; done
    local px=$((w * 15 / 100)) py=$((h * 56 / 100)) qx=$((w * 58 / 100)) qy=$((h * 44 / 100)) pw=$((w / 6)) ph=$((t / 2 + 2))
    local coins="" i
    for i in 0 1 2; do
        coins+="circle $((px + pw / 4 + i * pw / 4)),$((py - 5)) $((px + pw / 4 + i * pw / 4 + 2)),$((py - 5)) "
        coins+="circle $((qx + pw / 4 + i * pw / 4)),$((qy - 5)) $((qx + pw / 4 + i * pw / 4 + 2)),$((qy - 5)) "
    done
    local u=1
    [ "$h" -ge 200 ] && u=2
    local hx=$((w * 30 / 100)) hy=$((gy - 18 * u)) ex=$((w * 72 / 100)) ey=$((gy - 9 * u))
    local fs=$((h / 14 + 5)) title=$((h / 9 + 6))
    local fit=$((w * 16 / 10 / (${#cap} + 2)))
    [ "$title" -gt "$fit" ] && title=$fit
    convert -size ${w}x${h} gradient:"$sky1"-"$sky2" \
        -fill none -draw "$extra" \
        -fill "$hill2" -draw "polygon 0,$((gy - h / 4)) $((w / 5)),$((gy - h / 3)) $((w / 2)),$((gy - h / 5)) $((w * 4 / 5)),$((gy - h * 2 / 5)) $w,$((gy - h / 4)) $w,$gy 0,$gy" \
        -fill "$hill1" -draw "polygon 0,$((gy - h / 10)) $((w / 3)),$((gy - h / 5)) $((w * 2 / 3)),$((gy - h / 12)) $w,$((gy - h / 6)) $w,$gy 0,$gy" \
        -fill "$ground" -draw "rectangle 0,$gy $w,$h" -fill "$top" -draw "rectangle 0,$gy $w,$((gy + 3))" \
        -stroke 'rgba(0,0,0,0.35)' -strokewidth 1 -draw "$tiles" -stroke none \
        -fill "$ground" -draw "rectangle $px,$py $((px + pw)),$((py + ph)) rectangle $qx,$qy $((qx + pw)),$((qy + ph))" \
        -fill "$top" -draw "rectangle $px,$py $((px + pw)),$((py + 2)) rectangle $qx,$qy $((qx + pw)),$((qy + 2))" \
        -fill '#ffd23a' -stroke '#a86a00' -strokewidth 1 -draw "$coins" -stroke none \
        -fill '#d83a3a' -draw "rectangle $hx,$((hy + 7 * u)) $((hx + 9 * u)),$((hy + 17 * u))" \
        -fill '#ffcc99' -draw "rectangle $((hx + u)),$hy $((hx + 8 * u)),$((hy + 7 * u))" \
        -fill '#3a2a8a' -draw "rectangle $hx,$((hy + 14 * u)) $((hx + 9 * u)),$((hy + 17 * u))" \
        -fill black -draw "rectangle $((hx + 6 * u)),$((hy + 3 * u)) $((hx + 6 * u + u - 1)),$((hy + 4 * u - 1))" \
        -fill '#7a3ad8' -draw "ellipse $((ex + 6 * u)),$((ey + 5 * u)) $((7 * u)),$((5 * u)) 180,360 rectangle $((ex - u)),$((ey + 5 * u)) $((ex + 13 * u)),$((ey + 9 * u))" \
        -fill white -draw "rectangle $((ex + 3 * u)),$((ey + 3 * u)) $((ex + 4 * u - 1)),$((ey + 4 * u - 1)) rectangle $((ex + 9 * u)),$((ey + 3 * u)) $((ex + 10 * u - 1)),$((ey + 4 * u - 1))" \
        -font /usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf -pointsize $fs \
        -gravity northwest -fill black -annotate +5+$((fs / 3 + 3)) "SCORE 004250" -fill white -annotate +4+$((fs / 3 + 2)) "SCORE 004250" \
        -gravity northeast -fill black -annotate +3+$((fs / 3 + 3)) "x3" -fill '#ffd23a' -annotate +4+$((fs / 3 + 2)) "x3" \
        -gravity north -font "$FONT" -pointsize $title -stroke '#201830' -strokewidth $((title / 8 + 1)) \
        -fill '#201830' -annotate +0+$((h * 16 / 100)) "$cap" -stroke none \
        -fill '#ffe27a' -annotate +0+$((h * 16 / 100)) "$cap" \
        -filter point -resize ${W}x${H}! -quality 92 "$1"
}
while IFS=$'\t' read -r file w h caption; do
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
    picture "$file" "$w" "$h" "$caption" &
done < "$PICTURES"
fail=0
while true; do
    wait -n || { rc=$?; [ $rc = 127 ] && break; fail=1; }
done
[ "$fail" = 0 ] || { echo "51-porta-games.sh: a preview picture could not be made" >&2; exit 1; }

# The TF card's mount script, as a stand-in that only edits the root's mount
# table. The first line marks it: the sample's shell runs no other script.
mkdir -p "$R"/system/porta
cat > "$R"/system/porta/mmc.sh <<'SH'
#!/bin/sh
# sample-image stand-in: mounts (add) or unmounts (remove) the TF card at
# /mnt/sdcard by editing the device root's /proc/mounts.
root=${DEVICE_ROOT:-}
[ -n "$root" ] || root=$(cd "$(dirname "$0")/../.." && pwd) || exit 1
mounts="$root/proc/mounts"
case "${1:-}" in
    add)
        for n in mmcblk1p1 mmcblk2p1 mmcblk1 mmcblk2; do
            [ -e "$root/dev/block/$n" ] || continue
            grep -q '^[^ ]* /mnt/sdcard ' "$mounts" 2>/dev/null && exit 0
            echo "/dev/block/$n /mnt/sdcard vfat rw,relatime,fmask=0022,dmask=0022,codepage=936,iocharset=utf8,shortname=mixed,errors=remount-ro 0 0" >> "$mounts"
            exit 0
        done
        exit 1
        ;;
    remove)
        [ -f "$mounts" ] || exit 0
        grep -v '^[^ ]* /mnt/sdcard ' "$mounts" > "$mounts.new" || true
        mv "$mounts.new" "$mounts"
        ;;
    *)
        exit 2
        ;;
esac
SH
chmod 755 "$R"/system/porta/mmc.sh
