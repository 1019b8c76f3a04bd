#!/bin/bash
# The game library of both cards as the front end sees it: system folders under
# /mnt/mmc/Roms, /mnt/SDCARD/Roms and the card roots, SAMPLE_GAMES ROM files in
# all (file names with regions, MAME short names, CJK text and shell-special
# characters), RetroArch's favourites and the two history playlists, the save
# folders with auto-state screenshots per core, and artwork at every place the
# menu looks for it. Pictures are drawn at the end, in parallel.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}
N=${SAMPLE_GAMES:-300}
CFW="$R"/mnt/mmc/CFW
[ -f "$CFW"/config/mame.csv ] || { echo "22-vantor-roms.sh: run 20-vantor.sh first (no mame.csv)" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
MANIFEST="$WORK"/pictures.tsv

python3 - "$R" "$N" "$MANIFEST" <<'PY'
import json, os, random, sys, time

R, N, manifest_path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
rng = random.Random(2024)
CORES = "/mnt/mmc/CFW/retroarch/.retroarch/cores/"

def host(dev):
    return R + dev

def mkdirs(dev):
    os.makedirs(host(dev), exist_ok=True)

# folder -> (core file, RetroArch core name, extensions, colour, long name)
SYS = {
    "FC":      ("fceumm_libretro.so", "FCEUmm", [".nes"], "#d84a4a", "Family Computer"),
    "SFC":     ("snes9x2005_libretro.so", "Snes9x 2005", [".sfc", ".smc"], "#8a6fd8", "Super Famicom"),
    "GB":      ("gambatte_libretro.so", "Gambatte", [".gb"], "#8fae3a", "Game Boy"),
    "GBC":     ("gambatte_libretro.so", "Gambatte", [".gbc"], "#3fa7a0", "Game Boy Color"),
    "GBA":     ("gpsp_libretro.so", "gpSP", [".gba"], "#5a62d8", "Game Boy Advance"),
    "MD":      ("picodrive_libretro.so", "PicoDrive", [".md", ".bin", ".gen"], "#3b4bb0", "Mega Drive"),
    "MS":      ("picodrive_libretro.so", "PicoDrive", [".sms"], "#c43a3a", "Master System"),
    "GG":      ("gearsystem_libretro.so", "Gearsystem", [".gg"], "#404a5e", "Game Gear"),
    "PCE":     ("mednafen_pce_fast_libretro.so", "Beetle PCE Fast", [".pce"], "#e07a2e", "PC Engine"),
    "PC Engine CD": ("mednafen_pce_fast_libretro.so", "Beetle PCE Fast", [".cue"], "#e07a2e", "PC Engine CD"),
    "PS":      ("pcsx_rearmed_libretro.so", "PCSX-ReARMed", [".chd", ".pbp"], "#7b8494", "PlayStation"),
    "SEGACD":  ("genesis_plus_gx_libretro.so", "Genesis Plus GX", [".chd"], "#2c6fd1", "Mega-CD"),
    "N64":     ("mupen64plus_next_libretro.so", "Mupen64Plus-Next", [".z64", ".n64"], "#2f9d5a", "Nintendo 64"),
    "NDS":     ("desmume2015_libretro.so", "DeSmuME 2015", [".nds"], "#9aa3b5", "Nintendo DS"),
    "WS":      ("mednafen_wswan_libretro.so", "Beetle WonderSwan", [".wsc", ".ws"], "#4f8fd6", "WonderSwan"),
    "NGP":     ("mednafen_ngp_libretro.so", "Beetle NeoPop", [".ngc", ".ngp"], "#3d9fc9", "Neo Geo Pocket"),
    "ATARI":   ("stella2014_libretro.so", "Stella 2014", [".a26"], "#a0522d", "Atari 2600"),
    "LYNX":    ("handy_libretro.so", "Handy", [".lnx"], "#d0502a", "Atari Lynx"),
    "PICO8":   ("fake08_libretro.so", "fake-08", [".p8.png"], "#ff4d7d", "PICO-8"),
    "DOS":     ("dosbox_pure_libretro.so", "DOSBox-pure", [".zip"], "#3a8f8f", "MS-DOS"),
    "ARCADE":  ("fbneo_libretro.so", "FinalBurn Neo", [".zip"], "#e0a020", "Arcade"),
    "MAME":    ("mame2003_plus_libretro.so", "MAME 2003-Plus", [".zip"], "#c4612b", "Arcade"),
    "NEOGEO":  ("fbalpha2012_neogeo_libretro.so", "FB Alpha 2012 Neo Geo", [".zip"], "#b8b8b8", "Neo Geo"),
    "SCUMMVM": ("scummvm_libretro.so", "ScummVM", [".scummvm"], "#6aa84f", "ScummVM"),
    "VIDEOS":  ("ffmpeg_libretro.so", "FFmpeg", [".mp4", ".mkv"], "#5c6b8a", "Movies"),
    "OPENBOR": (None, None, [".pak"], "#c23b3b", "OpenBOR"),
}
MMC, SD, SDROOT = "/mnt/mmc/Roms", "/mnt/SDCARD/Roms", "/mnt/SDCARD"
# (place, folder, weight of the generated games)
FOLDERS = [
    (MMC, "FC", 9), (SD, "FC", 5), (MMC, "SFC", 12), (MMC, "GB", 6), (MMC, "GBC", 5),
    (MMC, "GBA", 5), (SD, "GBA", 7), (MMC, "MD", 9), (MMC, "MS", 2), (MMC, "GG", 2),
    (MMC, "PCE", 4), (MMC, "PC Engine CD", 1), (SD, "PS", 5), (SD, "SEGACD", 1), (SD, "N64", 2),
    (SD, "NDS", 2), (SD, "WS", 1), (SD, "NGP", 1), (SDROOT, "ATARI", 1), (SD, "LYNX", 1),
    (MMC, "PICO8", 1), (MMC, "DOS", 1), (MMC, "ARCADE", 8), (SD, "MAME", 3), (SD, "NEOGEO", 2),
    (MMC, "SCUMMVM", 0), (MMC, "VIDEOS", 0), (MMC, "OPENBOR", 0),
]

# MAME short names from the title table
mame = {}
with open(host("/mnt/mmc/CFW/config/mame.csv"), encoding="utf-8") as f:
    for line in f:
        line = line.rstrip("\r\n")
        s, _, full = line.partition(",")
        mame[s] = full
mame_generated = sorted(s for s in mame if len(s) >= 6 and s.isalpha())

# The showcase files every image has, whatever SAMPLE_GAMES says.
FIXED = {
    (MMC, "FC"): ["魔界村.nes", "Super Adventure Quest (USA) [!].nes", "Slash\\Back Runner (USA).nes",
                  "Pay $HOME; echo pwned `date` Hack (USA).nes", "Alpha Mission (Japan).nes", "Apple Panic (USA).nes",
                  "Bravo Brigade (Europe).nes", "Beta Blaster (USA).nes", "Charlie Chopper (USA).nes"],
    (SD, "FC"): ["Super Adventure Quest (USA) [!].nes", "忍者龙剑传 (China).nes"],
    (MMC, "GB"): ["Bob's Game (USA).gb", "Pocket Puzzle (Japan) (Rev 1).gb"],
    (MMC, "GBA"): ["Cash $$$ Rush (USA).gba", "Track #2 - Night Drive (Europe).gba", "game 3.gba",
                   "Golden Sky Legend (USA, Europe).gba", ".hidden.gba", "~lock.gba", "save_cache.bin"],
    (SD, "GBA"): ["별의 전사 (Korea).gba", "Golden Sky Legend (USA, Europe).gba", "Space  Double  Spaces (USA).gba"],
    (MMC, "SFC"): ['The "Quoted" Quest (Europe).sfc', "勇者の剣 (Japan).sfc", "Rock'n' Rally (USA) (Rev 1).sfc",
                   "Mystic Knight Saga (USA) [!].smc"],
    (MMC, "MD"): ["Back`tick Bandit (Japan).md", "三国志 英雄传 (China).md", "Turbo Street Racer (World).bin"],
    (MMC, "ARCADE"): [s + ".zip" for s in ["sf2", "sf2ce", "ssf2t", "ffight", "dino", "punisher", "captcomm",
                      "1941", "1942", "1943", "gng", "commando", "mslug", "mslug2", "mslugx", "kof98", "kof2002",
                      "samsho2", "garou", "ddragon", "tmnt", "simpsons", "rastan", "rtype", "pang", "bombjack",
                      "snowbros", "truxton", "ddonpach", "esprade", "outrun", "shinobi", "goldnaxe",
                      "altbeast", "bublbobl"]],
    (SD, "MAME"): [s + ".zip" for s in ["pacman", "mspacman", "galaga", "digdug", "dkong", "invaders",
                   "asteroid", "centiped", "robotron", "defender", "joust", "qbert", "frogger", "gradius"]],
    (SD, "NEOGEO"): [s + ".zip" for s in ["neogeo", "mslug", "mslug2", "kof98", "samsho2", "garou"]],
    (MMC, "SCUMMVM"): ["monkey.scummvm", "tentacle.scummvm"],
    (MMC, "VIDEOS"): ["Intro Movie.mp4", "Speedrun Highlights.mkv"],
    (MMC, "OPENBOR"): ["Final Brawl.pak", "Night Slashers Redux.pak", "Double Fist.pak"],
    (MMC, "PICO8"): ["tiny-rally.p8.png", "cave-diver.p8.png"],
    (SD, "PS"): ["Crystal Dungeon (USA) (Disc 1).chd", "Crystal Dungeon (USA) (Disc 2).chd"],
    (SD, "N64"): ["Sky Racer 64 (Europe).z64"],
    (SDROOT, "ATARI"): ["Laser Patrol (USA).a26"],
}
# A system folder whose files the lists all skip (counted in the total too).
JUNK = (".DS_Store", "~tmp.gg", "gg_cache.dat")
fixed_total = sum(len(v) for v in FIXED.values()) + len(JUNK)

FIRST = ("Thunder Dragon Blade Galaxy Ninja Cyber Turbo Shadow Star Iron Metal Street Space Power "
         "Mystic Final Super Mega Ultra Crystal Dark Golden Silver Neo Blazing Rolling Crimson Phantom "
         "Sky Wild Night Steel Solar Lunar Atomic Rocket Magic Royal Savage Hyper Twin Cosmic Laser "
         "Omega Rapid Flying Burning Frozen Hidden Lost Sacred Little Happy Pocket Kung-Fu Zombie "
         "Pixel Retro Jungle Ocean Desert Arctic Volcano Candy Robo Micro Tiny Grand Brave Silent").split()
SECOND = ("Knight Warrior Fighter Racer Strike Force Quest Legend Squad Commando Raiders Hunter Storm "
          "Wars Attack Patrol Rider Blaster Kid Buster Saga Zone Fury Runner Striker Defender Invaders "
          "Bomber Pilot Wrestling Soccer Baseball Tennis Golf Boxing Pinball Puzzle Castle Dungeon "
          "Empire Kingdom Tiger Falcon Cobra Viper Wolf Hawk Eagle Island Adventure Odyssey Chronicles "
          "Academy Circus Kart Rally Derby Party Tactics Dash Mania Panic World Land").split()
TAIL = ["", "", "", "", "", " II", " III", " 2", " 3", " '95", " - The Lost Temple", " Plus", " Turbo",
        " DX", " Deluxe", " Gold", " Special", " Zero", ": Second Strike", " & Friends", " Returns"]
REGION = [" (USA)", " (USA)", " (Europe)", " (Japan)", " (USA, Europe)", " (World)", " (Japan) (En)",
          " (USA) (Rev 1)", " (France)", " (Germany)", " (Spain)", " (Japan) (Beta)"]
GOOD = [" (U) [!]", " (E) [!]", " (J) [!]", " (U) [b1]", " (UE) [!]", " (J) [T+Eng]"]
ACRON = "QWERTYUIOPASDFGHJKLZXCVBNM"

def gen_name(sysname, used):
    ext = rng.choice(SYS[sysname][2])
    if sysname in ("ARCADE", "MAME", "NEOGEO"):
        for _ in range(50):
            s = rng.choice(mame_generated)
            if s + ".zip" not in used:
                return s + ".zip"
    for attempt in range(30):
        title = rng.choice(FIRST) + " " + rng.choice(SECOND) + rng.choice(TAIL)
        if rng.random() < 0.12:
            title = "The " + title
        r = rng.random()
        if r < 0.7:
            name = title + rng.choice(REGION) + ext
        elif r < 0.9:
            name = title + rng.choice(GOOD) + ext
        else:
            name = title + ext
        if attempt > 20:
            name = "%s (v1.%d)%s" % (title, attempt, ext)
        if name not in used:
            return name
    # very large libraries: a numbered release keeps every name unique
    k = len(used)
    while True:
        name = "%s %s (Release %d)%s" % (rng.choice(FIRST), rng.choice(SECOND), k, ext)
        if name not in used:
            return name
        k += 1

def rom_bytes(name):
    # a small header so that the files are not empty; content does not matter
    return ("SAMPLE-ROM:" + name + "\n").encode("utf-8")[:96]

# ---- how many generated games each folder gets --------------------------------
if N < fixed_total:
    print("22-vantor-roms.sh: the showcase files alone are %d; making %d ROM files, not %d"
          % (fixed_total, fixed_total, N))
rest = max(0, N - fixed_total)
weights = [w for _, _, w in FOLDERS]
total_w = sum(weights)
counts = [rest * w // total_w for w in weights]
i = 0
while sum(counts) < rest:
    if weights[i % len(weights)]:
        counts[i % len(weights)] += 1
    i += 1

made = {}   # (place, folder) -> list of file names
t_base = int(time.time()) - 86400 * 30
for (place, folder, _), extra in zip(FOLDERS, counts):
    d = place + "/" + folder
    mkdirs(d)
    names = list(FIXED.get((place, folder), []))
    used = set(names)
    for _ in range(extra):
        n = gen_name(folder, used)
        used.add(n)
        names.append(n)
    for n in names:
        with open(host(d + "/" + n), "wb") as f:
            f.write(rom_bytes(n))
    made[(place, folder)] = names

# ScummVM: each game's data lives in a folder named like its .scummvm file; the
# copy inside it is what RetroArch was last given (and what the history holds).
for g, files in (("monkey", ["MONKEY.000", "MONKEY.001"]), ("tentacle", ["TENTACLE.000", "MONSTER.SOU"])):
    gd = MMC + "/SCUMMVM/" + g
    mkdirs(gd)
    for fn in files:
        with open(host(gd + "/" + fn), "wb") as f:
            f.write(b"\0" * 64)
    with open(host(gd + "/" + g + ".scummvm"), "w") as f:
        f.write(g + "\n")
for g in ("monkey", "tentacle"):
    with open(host(MMC + "/SCUMMVM/" + g + ".scummvm"), "w") as f:
        f.write(g + "\n")

# Folders the Consoles grid must not list: only hidden or temporary files, an
# empty system folder, a folder the core mapping does not name.
mkdirs(SD + "/GG")
for junk in JUNK:
    with open(host(SD + "/GG/" + junk), "wb") as f:
        f.write(b"junk")
mkdirs(SD + "/MD")
mkdirs(MMC + "/Manuals")
with open(host(MMC + "/Manuals/Family Computer - Manual.pdf"), "wb") as f:
    f.write(b"%PDF-1.4\n")
open(host(MMC + "/.keep"), "wb").close()

# ---- BIOS, saves, screenshots folders on both cards ----------------------------
for card in ("/mnt/mmc", "/mnt/SDCARD"):
    for sub in ("BIOS", "Screenshots", "Saves/CurrentProfile/saves", "Saves/CurrentProfile/states",
                "Saves/CurrentProfile/lists"):
        mkdirs(card + "/" + sub)
for fn, size in (("gba_bios.bin", 16384), ("scph1001.bin", 4096), ("bios_CD_U.bin", 2048)):
    with open(host("/mnt/mmc/BIOS/" + fn), "wb") as f:
        f.write(bytes(range(256)) * (size // 256))
with open(host("/mnt/SDCARD/BIOS/neogeo.zip"), "wb") as f:
    f.write(b"PK\x05\x06" + b"\0" * 18)
with open(host("/mnt/mmc/Saves/CurrentProfile/saves/Golden Sky Legend (USA, Europe).srm"), "wb") as f:
    f.write(b"\xff" * 128)

# ---- playlists ----------------------------------------------------------------------
def core_of(folder):
    return SYS[folder][0], SYS[folder][1]

def entry(path, folder, label=None, crc="DETECT"):
    core, cname = core_of(folder)
    base = path.rsplit("/", 1)[1]
    if label is None:
        label = base.rsplit(".", 1)[0]
    return {
        "path": path,
        "label": label,
        "core_path": CORES + core if core else "",
        "core_name": cname or "",
        "crc32": crc,
        "db_name": SYS[folder][4] + ".lpl",
    }

def write_playlist(dev, entries):
    mkdirs(dev.rsplit("/", 1)[0])
    q = lambda s: json.dumps(s, ensure_ascii=False)
    lines = ["{", '  "version": "1.5",', '  "default_core_path": "",', '  "default_core_name": "",',
             '  "label_display_mode": 0,', '  "right_thumbnail_mode": 0,', '  "left_thumbnail_mode": 0,',
             '  "sort_mode": 0,', '  "items": [']
    for k, e in enumerate(entries):
        lines.append("    {")
        fields = list(e.items())
        for j, (key, val) in enumerate(fields):
            lines.append("      %s: %s%s" % (q(key), q(val), "," if j + 1 < len(fields) else ""))
        lines.append("    }," if k + 1 < len(entries) else "    }")
    lines.append("  ]")
    lines.append("}")
    with open(host(dev), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")

def p(place, folder, name):
    return place + "/" + folder + "/" + name

def first_generated(place, folder, k):
    names = made[(place, folder)]
    fixed = set(FIXED.get((place, folder), []))
    gen = [n for n in names if n not in fixed]
    return (gen or names)[:k]

# internal card history, newest first; includes a repeat, a movie (ffmpeg core),
# a ScummVM copy inside its game folder, a deleted file and an escaped name
mmc_hist = [
    entry(p(MMC, "GBA", "Golden Sky Legend (USA, Europe).gba"), "GBA", crc="5A1B7C3D|crc"),
    entry(p(MMC, "FC", "魔界村.nes"), "FC"),
    entry(p(MMC, "ARCADE", "sf2.zip"), "ARCADE", label="Street Fighter II: The World Warrior"),
    entry(p(MMC, "SFC", "Mystic Knight Saga (USA) [!].smc"), "SFC"),
    entry(p(MMC, "GB", "Bob's Game (USA).gb"), "GB"),
    entry(p(MMC, "GBA", "Golden Sky Legend (USA, Europe).gba"), "GBA", crc="5A1B7C3D|crc"),
    entry(p(MMC, "VIDEOS", "Intro Movie.mp4"), "VIDEOS"),
    entry(MMC + "/SCUMMVM/monkey/monkey.scummvm", "SCUMMVM", label="monkey"),
    entry(p(MMC, "SFC", 'The "Quoted" Quest (Europe).sfc'), "SFC"),
    entry(p(MMC, "MD", "Turbo Street Racer (World).bin"), "MD"),
    entry(p(MMC, "GBC", "Deleted Long Ago (USA).gbc"), "GBC"),
    entry(p(MMC, "FC", "Cash $$$ Rush Jr. (USA).nes"), "FC"),
]
mmc_hist += [entry(p(MMC, "FC", n), "FC") for n in first_generated(MMC, "FC", 2)]
sd_hist = [
    entry(p(SD, "PS", "Crystal Dungeon (USA) (Disc 1).chd"), "PS", crc="8C2F11A0|crc"),
    entry(p(SD, "NEOGEO", "mslug.zip"), "NEOGEO", label="Metal Slug - Super Vehicle-001"),
    entry(p(SD, "GBA", "별의 전사 (Korea).gba"), "GBA"),
    entry(p(SD, "N64", "Sky Racer 64 (Europe).z64"), "N64"),
    entry(p(SDROOT, "ATARI", "Laser Patrol (USA).a26"), "ATARI"),
    entry(p(SD, "MAME", "galaga.zip"), "MAME", label="Galaga"),
]
sd_hist += [entry(p(SD, "GBA", n), "GBA") for n in first_generated(SD, "GBA", 2)]
write_playlist("/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl", mmc_hist)
write_playlist("/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl", sd_hist)
with open(host("/mnt/mmc/CFW/history.flag"), "w", encoding="utf-8") as f:
    f.write(mmc_hist[0]["path"] + "\n")

favs = [
    entry(p(MMC, "SFC", "Mystic Knight Saga (USA) [!].smc"), "SFC"),
    entry(p(SD, "PS", "Crystal Dungeon (USA) (Disc 1).chd"), "PS"),
    entry(p(MMC, "ARCADE", "sf2.zip"), "ARCADE", label="Street Fighter II: The World Warrior"),
    entry(p(MMC, "GBA", "Cash $$$ Rush (USA).gba"), "GBA"),
    entry(p(MMC, "FC", "魔界村.nes"), "FC"),
    entry(p(MMC, "GB", "Bob's Game (USA).gb"), "GB"),
    entry(p(MMC, "MD", "Back`tick Bandit (Japan).md"), "MD"),
    entry(p(MMC, "FC", "Slash\\Back Runner (USA).nes"), "FC"),
    entry(p(MMC, "OPENBOR", "Final Brawl.pak"), "OPENBOR"),
    entry(p(MMC, "GBC", "Deleted Long Ago (USA).gbc"), "GBC"),
]
favs += [entry(p(MMC, "GBC", n), "GBC") for n in first_generated(MMC, "GBC", 2)]
write_playlist("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl", favs)

# ---- pictures to draw: artwork and auto-state screenshots ----------------------------
def clean(name):
    n = name
    if "#" in n:
        n = n[:n.rindex("#")]
    if "." in n:
        n = n[:n.rindex(".")]
    for c in "([":
        if c in n:
            n = n[:n.index(c)]
    n = n.rstrip(" ")
    return mame.get(n, n)

rows = []
def picture(kind, dev_out, name, folder, mtime=None):
    rows.append("\t".join([kind, host(dev_out), clean(name) or name, SYS[folder][4], SYS[folder][3],
                           str(mtime) if mtime else "-"]))

def nm(path):
    return path.rsplit("/", 1)[1]

# a) skin/games/<system>/<file>.png
for folder in ("FC", "SFC", "GBA", "MD"):
    for n in [x for x in made[(MMC, folder)] if not x.startswith((".", "~")) and "_cache" not in x][:6]:
        picture("art", "/mnt/mmc/CFW/skin/games/%s/%s.png" % (folder, n), n, folder)
for e in favs:
    path = e["path"]
    folder = path.rsplit("/", 2)[1]
    if os.path.exists(host(path)):
        picture("art", "/mnt/mmc/CFW/skin/games/%s/%s.png" % (folder, nm(path)), nm(path), folder)
# b) skin/games/<file>.png
for n in made[(MMC, "GB")][:3]:
    picture("art", "/mnt/mmc/CFW/skin/games/%s.png" % n, n, "GB")
# c) /mnt/mmc/Roms/<system>/Imgs/<name>.png and d) the same on the TF card
def imgs(place, folder, k):
    for n in [x for x in made[(place, folder)] if not x.startswith((".", "~"))][:k]:
        picture("art", "%s/%s/Imgs/%s.png" % (place, folder, n.rsplit(".", 1)[0]), n, folder)
for folder in ("GBC", "PCE", "ARCADE"):
    imgs(MMC, folder, 6)
for folder in ("PS", "GBA", "N64", "NEOGEO"):
    imgs(SD, folder, 5)

# auto-state screenshots for most of the history (the last few have none), in
# the per-core folders of the card's states folder; two cores hold one for the
# same game and the newer one is the one to show
now = int(time.time())
for k, e in enumerate(mmc_hist[:5] + sd_hist[:4]):
    path = e["path"]
    if not os.path.exists(host(path)):
        continue
    card = "/mnt/SDCARD" if path.startswith("/mnt/SDCARD/") else "/mnt/mmc"
    folder = path.rsplit("/", 2)[1]
    base = nm(path).rsplit(".", 1)[0]
    sdir = "%s/Saves/CurrentProfile/states/%s" % (card, e["core_name"])
    mkdirs(sdir)
    with open(host(sdir + "/" + base + ".state.auto"), "wb") as f:
        f.write(b"RASTATE\x01" + bytes(120))
    picture("shot", sdir + "/" + base + ".state.auto.png", nm(path), folder, now - 3600 * (k + 2))
gold = "Golden Sky Legend (USA, Europe)"
mkdirs("/mnt/mmc/Saves/CurrentProfile/states/mGBA")
picture("shot2", "/mnt/mmc/Saves/CurrentProfile/states/mGBA/%s.state.auto.png" % gold, gold + ".gba", "GBA", now - 600)
with open(host("/mnt/mmc/Saves/CurrentProfile/states/gpSP/%s.state" % gold), "wb") as f:
    f.write(b"RASTATE\x01" + bytes(120))

with open(manifest_path, "w", encoding="utf-8") as f:
    f.write("\n".join(rows) + "\n")
print("22-vantor-roms.sh: %d ROM files, %d pictures to draw" % (sum(len(v) for v in made.values()) + len(JUNK), len(rows)))
PY

# ---- draw the pictures -------------------------------------------------------------
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf
CJK=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
FAILS="$WORK"/fails
: > "$FAILS"
MAXJ=$(nproc 2>/dev/null || echo 2)

# ImageMagick reads '%' and '\' in texts as escapes and '[' in file names as a
# frame selector, so pictures are drawn to plain names and moved into place.
im_text() {
    local t=${1//\\//}
    printf '%s' "${t//%/%%}"
}
font_for() {
    if LC_ALL=C grep -q '[^ -~]' <<< "$1"; then printf '%s' "$CJK"; else printf '%s' "$FONT"; fi
}
art() { # TMP OUT TITLE SYSTEM COLOUR
    local f t
    t=$(im_text "$3"); f=$(font_for "$3")
    convert -size 320x240 gradient:"$5"-'#0d1119' \
        \( -size 320x240 xc:none -fill '#ffffff18' -draw "circle 250,60 250,150" \
           -fill '#00000030' -draw "polygon 0,240 120,150 220,240" -draw "polygon 160,240 260,170 320,220 320,240" \) -composite \
        -fill '#0d1119a0' -draw 'rectangle 0,170 319,239' \
        \( -size 296x -pointsize 30 -background none -fill "#ffffff" -font "$f" -gravity center caption:"$t" \
           \( +clone -background '#000000' -shadow 70x2+2+2 \) +swap -background none -layers merge +repage \) \
        -gravity center -geometry +0-30 -composite \
        -font "$FONT" -pointsize 14 -fill '#ffb02e' -gravity southwest -annotate +12+12 "$(im_text "$4")" \
        -depth 8 "PNG32:$1" && mkdir -p "$(dirname "$2")" && mv "$1" "$2"
}
shot() { # TMP OUT TITLE SYSTEM COLOUR MTIME [ALT]
    # a 160x120 thumbnail, shown four times larger: the header (12 px here) and
    # the guide (14 px) cover its edges, so the picture keeps clear of them
    local t sky=$5 ground='#3d7a3a' hill='#2f6b3a'
    t=$(im_text "$3")
    if [ "${7:-}" = alt ]; then sky='#2a1f4a'; ground='#6b3fa0'; hill='#4a2a78'; fi
    convert -size 160x120 gradient:"$sky"-'#89c4f4' \
        -fill "$hill" -draw 'ellipse 30,92 40,18 180,360' -draw 'ellipse 120,94 50,14 180,360' \
        -fill "$ground" -draw 'rectangle 0,92 159,119' -fill '#2b5a29' -draw 'rectangle 0,92 159,94' \
        -fill '#c8763a' -draw 'rectangle 40,58 51,69' -draw 'rectangle 52,58 63,69' -fill '#f2c94c' -draw 'rectangle 64,58 75,69' \
        -fill '#c8763a' -draw 'rectangle 100,46 111,57' -draw 'rectangle 112,46 123,57' \
        -fill '#e8edf7' -draw 'circle 134,26 134,32' \
        -fill '#ff5c5c' -draw 'rectangle 22,78 31,91' -fill '#ffe0c0' -draw 'rectangle 23,74 30,79' \
        -fill '#4a3020' -draw 'rectangle 100,82 115,91' \
        -font "$FONT" -pointsize 7 -fill white -gravity northwest -annotate +5+14 "SCORE 012300" \
        -gravity northeast -annotate +5+14 "$(im_text "$4")" \
        -font "$(font_for "$3")" -pointsize 8 -fill '#fff6d8' -gravity north -annotate +0+24 "$t" \
        -depth 8 "PNG24:$1" && mkdir -p "$(dirname "$2")" && mv "$1" "$2" && touch -d "@$6" "$2"
}
k=0
while IFS=$'\t' read -r kind out title system colour mtime; do
    [ -n "$kind" ] || continue
    k=$((k + 1))
    tmp="$WORK/p$k.png"
    while [ "$(jobs -rp | wc -l)" -ge "$MAXJ" ]; do wait -n 2>/dev/null || true; done
    case "$kind" in
        art)   ( ( art "$tmp" "$out" "$title" "$system" "$colour" ) || printf '%s\n' "$out" >> "$FAILS" ) & ;;
        shot)  ( ( shot "$tmp" "$out" "$title" "$system" "$colour" "$mtime" ) || printf '%s\n' "$out" >> "$FAILS" ) & ;;
        shot2) ( ( shot "$tmp" "$out" "$title" "$system" "$colour" "$mtime" alt ) || printf '%s\n' "$out" >> "$FAILS" ) & ;;
    esac
done < "$MANIFEST"
wait
if [ -s "$FAILS" ]; then
    echo "22-vantor-roms.sh: could not draw:" >&2
    cat "$FAILS" >&2
    exit 1
fi
