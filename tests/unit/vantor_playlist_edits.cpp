// Playlist edits on any JSON layout, and the entries that are never listed:
// an unreadable favourites file is never rewritten, a stored path holding a
// NUL names no file, and a folder is no game.

#include "vantor_content_root.h"

#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "vantor/content_internal.h"

using Lines = std::vector<std::string>;

namespace {

const char FAV[] = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";
const char MMC_HISTORY[] = "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl";

// The stored paths of a playlist text, or {"<invalid>"} when it is not JSON.
Lines parsed_paths(const std::string &text)
{
    PlaylistDoc doc;
    if (parse_playlist(text, doc) != 0 || !doc.has_items)
        return {"<invalid>"};
    Lines out;
    for (const PlaylistEntry &e : doc.entries)
        out.push_back(e.has_path ? e.path : "<no path>");
    return out;
}

} // namespace

class PlaylistEdits : public ContentRoot {
protected:
    void SetUp() override
    {
        ContentRoot::SetUp();
        root.mkdirs("/mnt/mmc/CFW/retroarch/.retroarch");
        root.write("/mnt/mmc/Roms/GBA/a.gba", "rom");
        root.write("/mnt/mmc/Roms/GBA/b.gba", "rom");
    }
    Lines favorites()
    {
        ItemList items = nullptr;
        const int n = get_favorites(&items);
        return take(n, &items);
    }
    // Adds then removes `path` in a favourites file holding `text`, checking
    // that each step leaves valid JSON with the edit done.
    void add_and_remove(const std::string &text, const std::string &path, const Lines &before)
    {
        root.write(FAV, text);
        ASSERT_EQ(parsed_paths(text), before);
        add_to_favorites(path.c_str());
        Lines added = before;
        added.insert(added.begin(), path);
        EXPECT_EQ(parsed_paths(root.read(FAV)), added) << root.read(FAV);
        remove_from_favorites(path.c_str());
        EXPECT_EQ(parsed_paths(root.read(FAV)), before) << root.read(FAV);
    }
};

TEST_F(PlaylistEdits, LayoutsThatBrokeLineEditsStayValid)
{
    // The closing brace shares its line with "]": removing the entry.
    const std::string shared_bracket = "{\n\"items\": [\n{\n\"path\": \"/mnt/mmc/Roms/GBA/a.gba\"\n} ]\n}\n";
    root.write(FAV, shared_bracket);
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV), "{\n\"items\": [\n ]\n}\n");
    // The closing brace shares its line with the next "{".
    root.write(
        FAV, "{\"items\": [\n  {\"path\": \"/mnt/mmc/Roms/GBA/a.gba\"}, {\"path\": \"/mnt/mmc/Roms/GBA/b.gba\"}\n]}\n");
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV), "{\"items\": [\n  {\"path\": \"/mnt/mmc/Roms/GBA/b.gba\"}\n]}\n");
    // A blank line after "items": [ (the comma used to go missing).
    add_and_remove("{\n  \"items\": [\n\n    {\n      \"path\": \"/mnt/mmc/Roms/GBA/a.gba\"\n    }\n  ]\n}\n",
                   "/mnt/mmc/Roms/GBA/b.gba", {"/mnt/mmc/Roms/GBA/a.gba"});
    // Another array before "items" on the same line.
    root.write(FAV, "{\"x\": [], \"items\": []}\n");
    add_to_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV),
              "{\"x\": [], \"items\": [\n    {\n      \"path\": \"/mnt/mmc/Roms/GBA/a.gba\"\n    }\n]}\n");
    EXPECT_EQ(favorites(), (Lines{"/mnt/mmc/Roms/GBA/a.gba"}));
}

TEST_F(PlaylistEdits, AnyValidLayoutTakesAddAndRemove)
{
    const std::string a = "/mnt/mmc/Roms/GBA/a.gba", b = "/mnt/mmc/Roms/GBA/b.gba";
    add_and_remove("{\"items\":[{\"path\":\"" + a + "\"}]}", b, {a});
    add_and_remove("{\"items\":[]}", b, {});
    add_and_remove("{ \"items\" : [ { \"label\" : \"x\" , \"path\" : \"" + a + "\" } , 7 ] , \"v\" : 1 }", b,
                   {a, "<no path>"});
    add_and_remove("\xef\xbb\xbf{\r\n  \"items\": [\r\n    {\r\n      \"path\": \"" + a + "\"\r\n    }\r\n  ]\r\n}\r\n",
                   b, {a});
    add_and_remove("{\"items\":\n[\n{\"path\":\"" + a + "\",\"nested\":{\"items\":[{\"path\":\"/no\"}]}}\n]\n}", b,
                   {a});
    // CRLF line ends stay CRLF in the added entry.
    root.write(FAV, "{\r\n  \"items\": [\r\n  ]\r\n}\r\n");
    add_to_favorites(b.c_str());
    EXPECT_EQ(root.read(FAV), "{\r\n  \"items\": [\r\n    {\r\n      \"path\": \"" + b + "\"\r\n    }\r\n  ]\r\n}\r\n");
}

TEST_F(PlaylistEdits, TextsThatAreNotPlaylistsAreNeverRewritten)
{
    // Cut short (a write interrupted elsewhere): still listed as far as it
    // goes, but never edited.
    const std::string cut = "{\n  \"items\": [\n    {\n      \"path\": \"/mnt/mmc/Roms/GBA/a.gba\"\n    },\n    {\n";
    const std::string trailing = "{\"items\": []} {\"items\": []}";
    const std::string no_items = "{\"version\": \"1.5\"}\n";
    const std::string items_not_array = "{\"items\": {\"path\": \"/mnt/mmc/Roms/GBA/a.gba\"}}\n";
    const std::string deep = "{\"items\": [" + std::string(2000, '[') + std::string(2000, ']') + "]}";
    for (const std::string &text : {cut, trailing, no_items, items_not_array, deep}) {
        root.write(FAV, text);
        add_to_favorites("/mnt/mmc/Roms/GBA/b.gba");
        remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
        EXPECT_EQ(root.read(FAV), text);
    }
    root.write(FAV, cut);
    EXPECT_EQ(favorites(), (Lines{"/mnt/mmc/Roms/GBA/a.gba"}));
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/GBA/a.gba"), 1);
}

TEST_F(PlaylistEdits, AnUnreadableFavouritesFileIsNeverReplaced)
{
    const std::string text = "{\n  \"items\": [\n    {\n      \"path\": \"/mnt/mmc/Roms/GBA/a.gba\"\n    }\n  ]\n}\n";
    root.write(FAV, text, 0000);
    // Root reads any file: the 'y' then runs as an ordinary user, in a child,
    // with the folder open for writing so that a rewrite would succeed.
    ASSERT_EQ(chmod(root.path().c_str(), 0755), 0); // made private to its owner
    ASSERT_EQ(chmod(root.host("/mnt/mmc/CFW/retroarch/.retroarch").c_str(), 0777), 0);
    const std::string host = root.host(FAV);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(3);
        if (access(host.c_str(), F_OK) != 0 || access(host.c_str(), R_OK) == 0)
            _exit(4); // the folders are closed to that user, or the file is readable after all
        add_to_favorites("/mnt/mmc/Roms/GBA/b.gba");
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 4)
        GTEST_SKIP() << "cannot make the favourites unreadable here";
    ASSERT_EQ(WEXITSTATUS(status), 0);
    chmod(root.host(FAV).c_str(), 0644);
    EXPECT_EQ(root.read(FAV), text);

    // A missing file is still created.
    remove_tree(root.host(FAV));
    add_to_favorites("/mnt/mmc/Roms/GBA/b.gba");
    EXPECT_EQ(favorites(), (Lines{"/mnt/mmc/Roms/GBA/b.gba"}));
}

TEST_F(PlaylistEdits, APathHoldingNulIsNeverListedNorAddedTwice)
{
    // Listed under its cut path, 'y' on it used to add a second entry.
    const std::string escaped =
        "{\n  \"items\": [\n    {\n      \"path\": \"/mnt/mmc/Roms/GBA/a.gba\\u0000.sav\"\n"
        "    }\n  ]\n}\n";
    const std::string raw = "{\n  \"items\": [\n    {\n      \"path\": \"/mnt/mmc/Roms/GBA/a.gba" +
                            std::string(1, '\0') + ".sav\"\n    }\n  ]\n}\n";
    for (const std::string &text : {escaped, raw}) {
        root.write(FAV, text);
        EXPECT_TRUE(favorites().empty());
        EXPECT_EQ(is_favorited("/mnt/mmc/Roms/GBA/a.gba"), 0);
        ItemList items = nullptr;
        const int n = get_retroarch_playlist_items(FAV, &items, 0, 0);
        EXPECT_EQ(n, 0);
        destroy_items(n, &items);
    }
    // Adding the real game twice writes one entry.
    root.write(FAV, escaped);
    add_to_favorites("/mnt/mmc/Roms/GBA/a.gba");
    add_to_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(parsed_paths(root.read(FAV)),
              (Lines{"/mnt/mmc/Roms/GBA/a.gba", std::string("/mnt/mmc/Roms/GBA/a.gba\0.sav", 28)}));
    EXPECT_EQ(favorites(), (Lines{"/mnt/mmc/Roms/GBA/a.gba"}));
}

TEST_F(PlaylistEdits, FoldersAndOtherNonFilesAreNoGames)
{
    root.mkdirs("/mnt/mmc/Roms/GBA/folder.gba");
    ASSERT_EQ(mkfifo(root.host("/mnt/mmc/Roms/GBA/fifo.gba").c_str(), 0644), 0);
    root.symlink("/mnt/mmc/Roms/GBA", "/mnt/mmc/Roms/linked");
    root.write(MMC_HISTORY,
               "{\"items\": [{\"path\": \"/mnt/mmc/Roms/GBA\"}, {\"path\": \"/mnt/mmc/Roms/GBA/folder.gba\"},"
               " {\"path\": \"/mnt/mmc/Roms/GBA/fifo.gba\"}, {\"path\": \"/mnt/mmc/Roms/linked\"},"
               " {\"path\": \"/mnt/mmc/Roms/GBA/a.gba\"}]}");
    ItemList items = nullptr;
    const int n = get_retroarch_playlist_items(MMC_HISTORY, &items, 0, 0);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/mmc/Roms/GBA/a.gba"}));
}
