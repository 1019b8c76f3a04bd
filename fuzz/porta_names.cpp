// A game's name through the launcher's text helpers: its extension, its list
// text, its search key (name_initials), the two search matches (checked
// against a plain substring search) and the command left in /tmp/.next,
// which a shell must read back as exactly this file. The first byte picks the
// system and the emulator; the first line is the name, the second the typed
// search text.

#include "fuzz_support.h"

#include <cstring>
#include <string>
#include <vector>

#include "porta/base/text.h"
#include "porta/library/gamelist.h"
#include "porta/library/search.h"

namespace {

std::string lower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void checkExtension(const std::string &name)
{
    char ext[64];
    memset(ext, 0x55, sizeof ext);
    const int has = file_extension(name.c_str(), ext);
    FUZZ_CHECK(ext[63] == '\0');
    const size_t dot = name.rfind('.');
    FUZZ_CHECK(has == (dot != std::string::npos && dot + 1 < name.size()));
    if (has)
        FUZZ_CHECK(ext == lower(name.substr(dot + 1, 63)));
    else
        FUZZ_CHECK(ext[0] == '\0');
}

void checkDisplayName(int system, const std::string &name)
{
    char full[GAME_NAME_MAX + 1];
    display_name(system, name.c_str(), full, sizeof full);
    const std::string shown = full;
    if (name.size() <= GAME_NAME_MAX) {
        FUZZ_CHECK(name.find(shown) != std::string::npos);
        // Only a leading list number with its blanks and an accepted
        // extension go: a name shows empty only when it is that extension.
        FUZZ_CHECK(!shown.empty() || name.empty() || name[0] == '.');
        char ext[64];
        if (!file_extension(name.c_str(), ext) || !system_accepts_extension(system, ext))
            FUZZ_CHECK(name.compare(name.size() - shown.size(), shown.size(), shown) == 0);
    }
    for (size_t size : {size_t(1), size_t(2), size_t(9)}) {
        char out[16];
        memset(out, 0x55, sizeof out);
        display_name(system, name.c_str(), out, size);
        FUZZ_CHECK(strlen(out) < size && out[size] == 0x55);
        FUZZ_CHECK(shown.compare(0, strlen(out), out) == 0);
    }
}

void checkInitials(const std::string &name)
{
    char key[INITIALS_SIZE + 4];
    memset(key, 0x55, sizeof key);
    const int n = name_initials(name.c_str(), key, INITIALS_SIZE);
    for (size_t i = INITIALS_SIZE; i < sizeof key; i++)
        FUZZ_CHECK(key[i] == 0x55);
    if (n < 0)
        return;
    // Pinyin initials, ':' for other double-byte characters, bytes up to 0x40.
    const int written = n < INITIALS_SIZE ? n : INITIALS_SIZE;
    for (int i = 0; i < written && key[i] != 0x55; i++) {
        const unsigned char c = static_cast<unsigned char>(key[i]);
        FUZZ_CHECK(c <= 0x40 || (c >= 'a' && c <= 'z'));
    }
}

void checkMatches(const std::string &name, const std::string &typed)
{
    const std::string text = typed.substr(0, SEARCH_TEXT_MAX);
    const int len = static_cast<int>(text.size());
    const bool byName = search_name_match(name.c_str(), text.c_str(), len) != 0;
    FUZZ_CHECK(byName == (len > 0 && lower(name).find(text) != std::string::npos));

    char key[INITIALS_SIZE];
    memset(key, 0, sizeof key);
    name_initials(name.c_str(), key, sizeof key);
    const bool byKey = search_initials_match(key, text.c_str(), len) != 0;
    const std::string whole(key, sizeof key);
    const std::string shown = whole.substr(0, strnlen(key, sizeof key));
    if (len == 1)
        FUZZ_CHECK(byKey == (whole.find(text[0]) != std::string::npos));
    else
        FUZZ_CHECK(byKey == (len > 0 && shown.find(text) != std::string::npos));
}

// The words of a shell line: double-quoted strings as sh reads them (a
// backslash escapes \ " $ ` and newline), unquoted words split at blanks.
// False when something else is found (an unquoted special character or an
// unterminated string).
bool shellWords(const std::string &s, size_t &at, std::vector<std::string> &words, std::vector<bool> &quoted)
{
    while (at < s.size() && s[at] != '\n') {
        if (s[at] == ' ') {
            at++;
            continue;
        }
        std::string word;
        bool inQuotes = false;
        bool wasQuoted = false;
        while (at < s.size() && (inQuotes || (s[at] != ' ' && s[at] != '\n'))) {
            const char c = s[at++];
            if (c == '"') {
                inQuotes = !inQuotes;
                wasQuoted = true;
            } else if (inQuotes && c == '\\' && at < s.size() && strchr("\\\"$`\n", s[at])) {
                if (s[at] != '\n')
                    word += s[at];
                at++;
            } else if (inQuotes ? (c == '$' || c == '`') : strchr("\\'$`;&|<>()*?[#~=%", c) != nullptr) {
                return false;
            } else {
                word += c;
            }
        }
        if (inQuotes)
            return false;
        words.push_back(word);
        quoted.push_back(wasQuoted);
    }
    if (at < s.size())
        at++;
    return true;
}

void checkCommand(int which, const std::string &game)
{
    static const char *const emulators[] = {"./gba_emu.dge", "./pcsx", "./fbasdl.dge"};
    const char *emulator = emulators[which % 3];
    const std::string workdir = "/mnt/vendor/bin/game/" + game.substr(0, 40);
    FUZZ_CHECK(run_command(emulator, game.c_str(), workdir.c_str()) == 0);
    const std::string text = fuzz::read(NEXT_COMMAND_FILE);
    size_t at = 0;
    std::vector<std::string> first, second;
    std::vector<bool> q1, q2;
    FUZZ_CHECK(shellWords(text, at, first, q1));
    FUZZ_CHECK(shellWords(text, at, second, q2));
    FUZZ_CHECK(at == text.size());
    FUZZ_CHECK(first.size() == 2 && first[0] == "cd" && q1[1] && first[1] == workdir);
    FUZZ_CHECK(second.size() >= 2 && q2[0] && second[0] == emulator);
    if (which % 3 == 1) {
        FUZZ_CHECK(second.size() == 3 && second[1] == "-cdfile" && q2[2] && second[2] == game);
    } else {
        FUZZ_CHECK(q2[1] && second[1] == game);
        FUZZ_CHECK(second.size() == 2 || (which % 3 == 2 && second.size() == 3 && second[2] == "m68k"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::root();
    fuzz::mkdirs("/tmp");
    const int system = data[0] % SYSTEM_COUNT;
    const std::vector<std::string> lines = fuzz::lines(data + 1, size - 1, 2);
    const std::string name = lines.empty() ? std::string() : lines[0];
    const std::string typed = lines.size() > 1 ? lines[1] : std::string();

    checkExtension(name);
    checkDisplayName(system, name);
    checkInitials(name);
    checkMatches(name, typed);
    // The command runs a shell (the CPU mode): one input in eight.
    if ((data[0] & 0xE0) == 0xE0 && !name.empty()) {
        std::string game = name; // a file name may hold line ends too
        for (char &c : game)
            if (c == '\r')
                c = '\n';
        checkCommand(data[0], game);
    }
    return 0;
}
