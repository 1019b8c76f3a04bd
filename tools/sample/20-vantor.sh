#!/bin/bash
# The front end's settings and data under /mnt/mmc/CFW: skin settings, language
# files, flag files, the core mapping, the MAME title table and RetroArch's
# folders and configuration. Pictures are 21-vantor-skin.sh; ROMs, playlists,
# artwork and save-state screenshots are 22-vantor-roms.sh.
set -euo pipefail
R=${SAMPLE_ROOT:?SAMPLE_ROOT is not set}
CFW="$R"/mnt/mmc/CFW
RA="$CFW"/retroarch
mkdir -p "$CFW"/skin "$CFW"/lang "$CFW"/config "$CFW"/font \
         "$RA"/.retroarch/cores "$RA"/.retroarch/logs "$RA"/.retroarch/playlists \
         "$RA"/.retroarch/thumbnails "$RA"/.retroarch/config "$CFW"/apps/openbor

# ---- skin settings (colours match the pictures of 21-vantor-skin.sh) ---------
cat > "$CFW"/skin/settings.json <<'JSON'
{
  "color-guide": "#e8edf7",
  "color-active": "#ffb02e",
  "color-inactive": "#8b97b0",
  "color-favorite-active": "#ff7096",
  "color-favorite-inactive": "#b85a75",
  "text-alignment": "left",
  "text-margin": 40,
  "main-menu-text-visibility": true,
  "guide-button-text-visibility": true
}
JSON

# ---- language files: one "key": "value" pair a line ------------------------
# English uses the CJK-capable font too, so that game names in Chinese,
# Japanese or Korean show in the lists; Spanish keeps the Latin font.
cat > "$CFW"/lang/English.json <<'JSON'
{
  "font": "wqy-microhei.ttc",
  "iso-code": "en",
  "font-size": "24",
  "button-guide-font-size": "20",
  "title-label": "vantor %s",
  "navigate-label": "NAVIGATE",
  "open-label": "OPEN",
  "back-label": "BACK",
  "favorite-label": "FAVORITE",
  "remove-label": "REMOVE",
  "savestates-unsupported": "This core doesn't support savestates!",
  "empty-label": "Nothing to see here! Move along!",
  "recent-label": "Recent",
  "favorites-label": "Favorites",
  "consoles-label": "Consoles",
  "retroarch-label": "RetroArch",
  "settings-label": "Settings",
  "am-label": "AM",
  "pm-label": "PM",
  "on-label": "ON",
  "off-label": "OFF",
  "year-label": "YY",
  "month-label": "MM",
  "day-label": "DD",
  "hour-label": "HH",
  "minute-label": "MM",
  "meridian-time-label": "MT",
  "language-label": "Language"
}
JSON
cat > "$CFW"/lang/Chinese.json <<'JSON'
{
  "font": "wqy-microhei.ttc",
  "iso-code": "zh_CN",
  "font-size": "26",
  "button-guide-font-size": "20",
  "title-label": "vantor %s",
  "navigate-label": "导航",
  "open-label": "打开",
  "back-label": "返回",
  "favorite-label": "收藏",
  "remove-label": "删除",
  "savestates-unsupported": "此核心不支持即时存档！",
  "empty-label": "这里什么都没有！",
  "recent-label": "最近游戏",
  "favorites-label": "收藏夹",
  "consoles-label": "游戏机",
  "retroarch-label": "RetroArch",
  "settings-label": "设置",
  "am-label": "上午",
  "pm-label": "下午",
  "on-label": "开",
  "off-label": "关",
  "year-label": "年",
  "month-label": "月",
  "day-label": "日",
  "hour-label": "时",
  "minute-label": "分",
  "meridian-time-label": "12小时制",
  "language-label": "语言"
}
JSON
cat > "$CFW"/lang/Japanese.json <<'JSON'
{
  "font": "wqy-microhei.ttc",
  "iso-code": "ja_JP",
  "font-size": "26",
  "button-guide-font-size": "20",
  "title-label": "vantor %s",
  "navigate-label": "移動",
  "open-label": "決定",
  "back-label": "戻る",
  "favorite-label": "お気に入り",
  "remove-label": "削除",
  "savestates-unsupported": "このコアはステートセーブに対応していません！",
  "empty-label": "ここには何もありません！",
  "recent-label": "最近",
  "favorites-label": "お気に入り",
  "consoles-label": "ゲーム機",
  "retroarch-label": "RetroArch",
  "settings-label": "設定",
  "am-label": "午前",
  "pm-label": "午後",
  "on-label": "オン",
  "off-label": "オフ",
  "year-label": "年",
  "month-label": "月",
  "day-label": "日",
  "hour-label": "時",
  "minute-label": "分",
  "meridian-time-label": "12時間",
  "language-label": "言語"
}
JSON
cat > "$CFW"/lang/Spanish.json <<'JSON'
{
  "font": "DejaVuSansCondensed.ttf",
  "iso-code": "es",
  "font-size": "24",
  "button-guide-font-size": "18",
  "title-label": "vantor %s",
  "navigate-label": "NAVEGAR",
  "open-label": "ABRIR",
  "back-label": "ATRÁS",
  "favorite-label": "FAVORITO",
  "remove-label": "QUITAR",
  "savestates-unsupported": "¡Este núcleo no admite guardados rápidos!",
  "empty-label": "¡Aquí no hay nada que ver!",
  "recent-label": "Recientes",
  "favorites-label": "Favoritos",
  "consoles-label": "Consolas",
  "retroarch-label": "RetroArch",
  "settings-label": "Ajustes",
  "am-label": "AM",
  "pm-label": "PM",
  "on-label": "SÍ",
  "off-label": "NO",
  "year-label": "AA",
  "month-label": "MM",
  "day-label": "DD",
  "hour-label": "HH",
  "minute-label": "MIN",
  "meridian-time-label": "12H",
  "language-label": "Idioma"
}
JSON

# ---- flag files ----------------------------------------------------------------
printf '%s' English > "$CFW"/language.flag
printf '%d' 1008000 > "$CFW"/cpuspeed
printf '%d\n' 400 > "$CFW"/brightness

# ---- core mapping: system folder -> libretro core (or a program by absolute path)
cat > "$CFW"/config/coremapping.json <<'JSON'
{
  "ARCADE": "fbneo_libretro.so",
  "ATARI": "stella2014_libretro.so",
  "DOS": "dosbox_pure_libretro.so",
  "FC": "fceumm_libretro.so",
  "GB": "gambatte_libretro.so",
  "GBA": "gpsp_libretro.so",
  "GBC": "gambatte_libretro.so",
  "GG": "gearsystem_libretro.so",
  "LYNX": "handy_libretro.so",
  "MAME": "mame2003_plus_libretro.so",
  "MD": "picodrive_libretro.so",
  "MS": "picodrive_libretro.so",
  "N64": "mupen64plus_next_libretro.so",
  "NDS": "desmume2015_libretro.so",
  "NEOGEO": "fbalpha2012_neogeo_libretro.so",
  "NGP": "mednafen_ngp_libretro.so",
  "OPENBOR": "/mnt/mmc/CFW/apps/openbor/OpenBOR",
  "PC Engine CD": "mednafen_pce_fast_libretro.so",
  "PCE": "mednafen_pce_fast_libretro.so",
  "PICO8": "fake08_libretro.so",
  "PS": "pcsx_rearmed_libretro.so",
  "SCUMMVM": "scummvm_libretro.so",
  "SEGACD": "genesis_plus_gx_libretro.so",
  "SFC": "snes9x2005_libretro.so",
  "VIDEOS": "ffmpeg_libretro.so",
  "WS": "mednafen_wswan_libretro.so"
}
JSON
# Every core the mapping names exists as a file; the standalone program too.
sed -n 's/^ *"[^"]*": *"\([^"/]*\)",\{0,1\}$/\1/p' "$CFW"/config/coremapping.json | sort -u |
while read -r core; do
    printf '\177ELF' > "$RA/.retroarch/cores/$core"
done
cat > "$CFW"/apps/openbor/OpenBOR <<'SH'
#!/bin/sh
# Sample stand-in for the standalone beat-'em-up engine: takes a .pak file.
echo "OpenBOR: would play $1"
SH
cat > "$RA"/retroarch <<'SH'
#!/bin/sh
# Sample stand-in for RetroArch: prints what it was asked to run.
echo "retroarch: $*"
SH
chmod 755 "$CFW"/apps/openbor/OpenBOR "$RA"/retroarch

# ---- RetroArch configuration ---------------------------------------------------
cat > "$RA"/.retroarch/retroarch.cfg <<'CFG'
# RetroArch configuration for the handheld (640x480, keypad mapped as player 1)
video_driver = "sdl_dingux"
video_fullscreen = "true"
video_vsync = "true"
video_smooth = "false"
video_scale_integer = "false"
video_dingux_ipu_keep_aspect = "true"
video_dingux_ipu_filter_type = "0"
video_font_enable = "true"
video_font_size = "16.000000"
video_shader_enable = "false"
audio_driver = "alsa"
audio_enable = "true"
audio_latency = "64"
audio_out_rate = "44100"
audio_sync = "true"
audio_volume = "0.000000"
audio_mute_enable = "false"
input_driver = "sdl_dingux"
input_joypad_driver = "sdl_dingux"
input_autodetect_enable = "true"
input_max_users = "4"
menu_driver = "rgui"
menu_show_core_updater = "false"
menu_swap_ok_cancel_buttons = "true"
rgui_aspect_ratio = "0"
rgui_menu_color_theme = "14"
libretro_directory = "/mnt/mmc/CFW/retroarch/.retroarch/cores"
libretro_info_path = "/mnt/mmc/CFW/retroarch/.retroarch/cores"
joypad_autoconfig_dir = "/mnt/mmc/CFW/retroarch/.retroarch/autoconfig"
playlist_directory = "/mnt/mmc/CFW/retroarch/.retroarch/playlists"
thumbnails_directory = "/mnt/mmc/CFW/retroarch/.retroarch/thumbnails"
rgui_config_directory = "/mnt/mmc/CFW/retroarch/.retroarch/config"
log_dir = "/mnt/mmc/CFW/retroarch/.retroarch/logs"
content_favorites_path = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl"
content_favorites_size = "200"
content_history_size = "100"
history_list_enable = "true"
game_specific_options = "true"
auto_overrides_enable = "true"
auto_remaps_enable = "true"
# where the last session kept its files (rewritten by the front end on every launch)
system_directory = "/mnt/mmc/BIOS"
savefile_directory = "/mnt/mmc/Saves/CurrentProfile/saves"
savestate_directory = "/mnt/mmc/Saves/CurrentProfile/states"
content_history_directory = "/mnt/mmc/Saves/CurrentProfile/lists"
content_history_path = "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl"
screenshot_directory = "/mnt/mmc/Screenshots"
# savestate_auto_load = "false"
savestate_auto_load = "true"
savestate_auto_save = "true"
savestate_thumbnail_enable = "true"
savestate_auto_index = "false"
sort_savefiles_enable = "false"
sort_savestates_enable = "true"
config_save_on_exit = "false"
# remap_save_on_exit = "true"
remap_save_on_exit = "false"
fastforward_ratio = "3.000000"
rewind_enable = "false"
run_ahead_enabled = "false"
menu_enable_widgets = "true"
notification_show_autoconfig = "false"
input_enable_hotkey_btn = "10"
input_menu_toggle_btn = "3"
input_exit_emulator_btn = "11"
input_save_state_btn = "5"
input_load_state_btn = "4"
input_toggle_fast_forward_btn = "7"
input_player1_a_btn = "0"
input_player1_b_btn = "1"
input_player1_x_btn = "2"
input_player1_y_btn = "3"
input_player1_l_btn = "4"
input_player1_r_btn = "5"
input_player1_l2_btn = "6"
input_player1_r2_btn = "7"
input_player1_select_btn = "8"
input_player1_start_btn = "9"
input_player1_up_btn = "h0up"
input_player1_down_btn = "h0down"
input_player1_left_btn = "h0left"
input_player1_right_btn = "h0right"
input_player1_analog_dpad_mode = "1"
CFG
printf '%s\n' 'audio_volume = "-4.000000"' > "$RA"/.retroarch/volume.cfg

# ---- the MAME title table: "shortname,Full Title (Manufacturer year)" ---------
# A few hundred sets that the sample arcade folders hold, among some 40,000
# generated ones, sorted by short name like the real table.
python3 - "$CFW"/config/mame.csv <<'PY'
import random, sys
out = sys.argv[1]
rng = random.Random(1987)
known = [
    ("sf2", "Street Fighter II: The World Warrior (Capcom 1991)"),
    ("sf2ce", "Street Fighter II': Champion Edition (Capcom 1992)"),
    ("ssf2t", "Super Street Fighter II Turbo (Capcom 1994)"),
    ("ffight", "Final Fight (Capcom 1989)"),
    ("dino", "Cadillacs and Dinosaurs (Capcom 1993)"),
    ("punisher", "The Punisher (Capcom 1993)"),
    ("captcomm", "Captain Commando (Capcom 1991)"),
    ("1941", "1941: Counter Attack (Capcom 1990)"),
    ("1942", "1942 (Capcom 1984)"),
    ("1943", "1943: The Battle of Midway (Capcom 1987)"),
    ("gng", "Ghosts'n Goblins (Capcom 1985)"),
    ("commando", "Commando (Capcom 1985)"),
    ("mslug", "Metal Slug - Super Vehicle-001 (Nazca 1996)"),
    ("mslug2", "Metal Slug 2 - Super Vehicle-001/II (SNK 1998)"),
    ("mslugx", "Metal Slug X - Super Vehicle-001 (SNK 1999)"),
    ("kof98", "The King of Fighters '98 - The Slugfest (SNK 1998)"),
    ("kof2002", "The King of Fighters 2002 (Eolith / Playmore 2002)"),
    ("samsho2", "Samurai Shodown II (SNK 1994)"),
    ("garou", "Garou - Mark of the Wolves (SNK 1999)"),
    ("neogeo", "Neo-Geo BIOS (SNK 1990)"),
    ("pacman", "Pac-Man (Midway 1980)"),
    ("mspacman", "Ms. Pac-Man (Midway 1981)"),
    ("galaga", "Galaga (Namco 1981)"),
    ("digdug", "Dig Dug (Namco 1982)"),
    ("dkong", "Donkey Kong (Nintendo 1981)"),
    ("ddragon", "Double Dragon (Technos 1987)"),
    ("tmnt", "Teenage Mutant Ninja Turtles (Konami 1989)"),
    ("simpsons", "The Simpsons (Konami 1991)"),
    ("gradius", "Gradius (Konami 1985)"),
    ("frogger", "Frogger (Konami 1981)"),
    ("outrun", "Out Run (Sega 1986)"),
    ("shinobi", "Shinobi (Sega 1987)"),
    ("goldnaxe", "Golden Axe (Sega 1989)"),
    ("altbeast", "Altered Beast (Sega 1988)"),
    ("bublbobl", "Bubble Bobble (Taito 1986)"),
    ("invaders", "Space Invaders (Taito 1978)"),
    ("rastan", "Rastan (Taito 1987)"),
    ("rtype", "R-Type (Irem 1987)"),
    ("pang", "Pang (Mitchell 1989)"),
    ("bombjack", "Bomb Jack (Tehkan 1984)"),
    ("snowbros", "Snow Bros. - Nick & Tom (Toaplan 1990)"),
    ("truxton", "Truxton (Toaplan 1988)"),
    ("asteroid", "Asteroids (Atari 1979)"),
    ("centiped", "Centipede (Atari 1980)"),
    ("robotron", "Robotron: 2084 (Williams 1982)"),
    ("defender", "Defender (Williams 1980)"),
    ("joust", "Joust (Williams 1982)"),
    ("qbert", "Q*bert (Gottlieb 1982)"),
    ("ddonpach", "DoDonPachi (Cave 1997)"),
    ("esprade", "ESP Ra.De. (Cave 1998)"),
]
first = ("Thunder Dragon Blade Galaxy Ninja Cyber Turbo Shadow Star Iron Metal Street Space "
         "Power Mystic Final Super Mega Ultra Crystal Dark Golden Silver Neo Blazing Rolling "
         "Crimson Phantom Sky Wild Night Steel Solar Lunar Atomic Rocket Magic Royal Savage "
         "Hyper Twin Cosmic Laser Omega Rapid Flying Burning Frozen Hidden Lost Sacred").split()
second = ("Knight Warrior Fighter Racer Strike Force Quest Legend Squad Commando Raiders Hunter "
          "Storm Wars Attack Patrol Rider Blaster Kid Buster Saga Zone Fury Runner Striker "
          "Defender Invaders Bomber Pilot Wrestling Soccer Baseball Boxing Pinball Puzzle "
          "Castle Dungeon Empire Kingdom Tiger Falcon Cobra Viper Wolf Hawk Eagle Dragon").split()
tail = ["", "", "", "", " II", " III", " 2", " '94", ": The Revenge", " Plus", " Turbo",
        " Special", " - Round 2", " Gaiden", " EX", " Deluxe", " 2000", ": Arcade Edition"]
makers = ["Konatec", "Capsule", "Taitron", "Kyoto Soft", "Neon Works", "Sunrise Amusements",
          "Orion", "Hexa", "Atlas Games", "Pixel Forge", "Bluewave", "Technical Arts",
          "Midland", "Seibu-Tech", "Jaleco Works", "Video System", "Visco", "Psikyon", "Kaneko-Sha"]
variants = ["", "", "", "", " (World)", " (US)", " (Japan)", " (Europe)", " (bootleg)", " (set 2)",
            " (prototype)", " (rev A)"]

def shortname(words, used):
    base = ""
    for w in words:
        w = "".join(c for c in w.lower() if c.isalnum())
        if not w:
            continue
        cons = w[0] + "".join(c for c in w[1:] if c not in "aeiou")
        base += cons[:4]
    base = base[:8] or "game"
    name = base
    n = 1
    while name in used:
        n += 1
        name = base[:8 - len(str(n))] + str(n) if n < 10 else base[:5] + str(n)
    return name

used = {s for s, _ in known}
lines = list(known)
while len(lines) < 40000:
    title = rng.choice(first) + " " + rng.choice(second) + rng.choice(tail)
    s = shortname(title.replace("'", "").replace(":", "").split(), used)
    used.add(s)
    full = "%s%s (%s %d)" % (title, rng.choice(variants), rng.choice(makers), rng.randint(1978, 2004))
    lines.append((s, full))
lines.sort()
with open(out, "w", encoding="utf-8") as f:
    for s, full in lines:
        f.write("%s,%s\n" % (s, full))
PY
