// The lines a launch writes into retroarch.cfg for the card it runs from,
// in the order they stand at the end of the file.
#pragma once

#include <string>

inline std::string retroarch_key_lines(const std::string &card, const char *auto_load, const char *save_on_exit)
{
    return "system_directory = \"/mnt/" + card + "/BIOS\"\n" + "savefile_directory = \"/mnt/" + card +
           "/Saves/CurrentProfile/saves\"\n" + "savestate_directory = \"/mnt/" + card +
           "/Saves/CurrentProfile/states\"\n" + "content_history_directory = \"/mnt/" + card +
           "/Saves/CurrentProfile/lists\"\n" + "content_history_path = \"/mnt/" + card +
           "/Saves/CurrentProfile/lists/content_history.lpl\"\n" + "screenshot_directory = \"/mnt/" + card +
           "/Screenshots\"\n" + "savestate_auto_load = \"" + auto_load + "\"\n" + "config_save_on_exit = \"" +
           save_on_exit + "\"\n" + "remap_save_on_exit = \"" + save_on_exit + "\"\n";
}
