// MAME short names to titles.

#include "vantor_content_root.h"

#include <string>

class MameNames : public ContentRoot {
protected:
    void TearDown() override
    {
        destroy_mame_game_name_table();
        ContentRoot::TearDown();
    }
    static std::string title(const char *short_name)
    {
        const char *t = get_mame_game_name(short_name);
        return t ? std::string(t) : std::string("(none)");
    }
};

TEST_F(MameNames, LinesSplitAtTheFirstComma)
{
    root.write("/mnt/mmc/CFW/config/mame.csv",
               "sf2,Street Fighter II: The World Warrior (World 910522)\r\n"
               "dkong,Donkey Kong (US set 1)\n"
               "mslug,Metal Slug, Super Vehicle-001\n"
               "lonely\n"
               "empty,\n"
               ",no short name\n");
    load_mame_game_name_table();
    EXPECT_EQ(mame_titles.count, 6);
    EXPECT_EQ(title("sf2"), "Street Fighter II: The World Warrior (World 910522)");
    EXPECT_EQ(title("dkong"), "Donkey Kong (US set 1)");
    EXPECT_EQ(title("mslug"), "Metal Slug, Super Vehicle-001");
    // A line without a title is kept in the table but gives no title, so
    // such a row shows its file name rather than nothing.
    EXPECT_STREQ(mame_titles.short_names[3], "lonely");
    EXPECT_STREQ(mame_titles.full_names[3], "");
    EXPECT_EQ(title("lonely"), "(none)");
    EXPECT_EQ(title("empty"), "(none)");
    EXPECT_EQ(title(""), "no short name");
    EXPECT_STREQ(mame_titles.short_names[0], "sf2");
    EXPECT_STREQ(mame_titles.full_names[2], "Metal Slug, Super Vehicle-001");
}

TEST_F(MameNames, LookupIsExactAndCaseSensitive)
{
    root.write("/mnt/mmc/CFW/config/mame.csv", "sf2,Street Fighter II\nsf2ce,Street Fighter II CE\n");
    load_mame_game_name_table();
    EXPECT_EQ(title("SF2"), "(none)");
    EXPECT_EQ(title("sf"), "(none)");
    EXPECT_EQ(title("sf2.zip"), "(none)");
    EXPECT_EQ(title("sf2ce"), "Street Fighter II CE");
    EXPECT_EQ(get_mame_game_name(nullptr), nullptr);
}

TEST_F(MameNames, RepeatedShortNameKeepsOneTitle)
{
    root.write("/mnt/mmc/CFW/config/mame.csv", "pacman,Pac-Man (Midway)\npacman,Puck Man\n");
    load_mame_game_name_table();
    EXPECT_EQ(title("pacman"), "Pac-Man (Midway)");
}

TEST_F(MameNames, MissingFileAndUnloadedTableGiveNothing)
{
    EXPECT_EQ(title("sf2"), "(none)");
    load_mame_game_name_table();
    EXPECT_EQ(mame_titles.count, 0);
    EXPECT_EQ(title("sf2"), "(none)");

    root.write("/mnt/mmc/CFW/config/mame.csv", "sf2,Street Fighter II\n");
    load_mame_game_name_table();
    EXPECT_EQ(title("sf2"), "Street Fighter II");
    destroy_mame_game_name_table();
    EXPECT_EQ(title("sf2"), "(none)");
    EXPECT_EQ(mame_titles.count, 0);
    EXPECT_EQ(mame_titles.short_names, nullptr);
    destroy_mame_game_name_table(); // twice is harmless
}

TEST_F(MameNames, ReloadingReplacesTheTable)
{
    root.write("/mnt/mmc/CFW/config/mame.csv", "sf2,Old Title\n");
    load_mame_game_name_table();
    root.write("/mnt/mmc/CFW/config/mame.csv", "sf2,New Title\nkof98,The King of Fighters '98\n");
    load_mame_game_name_table();
    EXPECT_EQ(title("sf2"), "New Title");
    EXPECT_EQ(title("kof98"), "The King of Fighters '98");
    EXPECT_EQ(mame_titles.count, 2);
}

TEST_F(MameNames, FortyThousandLinesAllFound)
{
    std::string csv;
    for (int i = 0; i < 40000; i++)
        csv += "game" + std::to_string(i) + ",Title number " + std::to_string(i) + "\n";
    root.write("/mnt/mmc/CFW/config/mame.csv", csv);
    load_mame_game_name_table();
    ASSERT_EQ(mame_titles.count, 40000);
    int found = 0;
    for (int i = 0; i < 40000; i += 7)
        found += title(("game" + std::to_string(i)).c_str()) == "Title number " + std::to_string(i);
    EXPECT_EQ(found, (40000 + 6) / 7);
    EXPECT_EQ(title("game40000"), "(none)");
}
