#include "porta/library/listfile.h"

#include "common/safefile.h"
#include "porta/base/sealed.h"
#include "porta/library/gamelist.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The firmware's logs and the tests rely on these texts byte for byte.
namespace {
constexpr const char *LIST_MISSING_TEXT = "%s: %s is not exist! \n";
constexpr const char *LIST_WRITE_FAILED_TEXT = "fopen %s error,reurn %d\n";
} // namespace

int list_file_lines(const char *path, std::vector<std::string> &lines)
{
    lines.clear();
    std::string content;
    if (read_file(path, content) != 0)
        return -1;
    // The trailer is not a line: a sealed file holds at least its 4 bytes.
    content.resize(content.size() >= 4 ? content.size() - 4 : 0);
    size_t at = 0;
    while (at < content.size()) {
        size_t end = content.find('\n', at);
        if (end == std::string::npos)
            end = content.size();
        size_t len = end - at;
        if (len > 0 && len <= LIST_LINE_MAX)
            lines.emplace_back(content, at, len);
        at = end + 1;
    }
    return 0;
}

int32_t stored_number(const char *text)
{
    const long number = strtol(text, nullptr, 10);
    if (number > INT32_MAX)
        return INT32_MAX;
    if (number < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(number);
}

int split_line_right(const std::string &line, int k, std::string &name, int32_t *numbers)
{
    size_t cut[8];
    if (k < 1 || k > 8)
        return -1;
    size_t end = line.size();
    for (int i = k - 1; i >= 0; i--) {
        if (end == 0)
            return -1;
        size_t c = line.rfind(':', end - 1);
        if (c == std::string::npos)
            return -1;
        cut[i] = c;
        end = c;
    }
    name.assign(line, 0, cut[0]);
    for (int i = 0; i < k; i++) {
        size_t from = cut[i] + 1;
        size_t to = i + 1 < k ? cut[i + 1] : line.size();
        std::string field(line, from, to - from);
        numbers[i] = stored_number(field.c_str());
    }
    return 0;
}

bool list_name_storable(const char *name)
{
    return name && !strchr(name, '\n');
}

bool copy_storable_game_name(int system, int index, Card card, char dst[256])
{
    const char *name = game_name(game_list(card, system), index);
    if (!name || !*name || !list_name_storable(name))
        return false;
    copy_list_name(dst, name);
    return true;
}

int list_file_records(const char *path, const char *reader_name, int fields,
                      const std::function<bool(const std::string &name, const int32_t *numbers)> &take)
{
    std::vector<std::string> lines;
    if (list_file_lines(path, lines) != 0) {
        printf(LIST_MISSING_TEXT, reader_name, path);
        return -1;
    }
    for (const std::string &line : lines) {
        std::string name;
        int32_t numbers[8];
        if (split_line_right(line, fields, name, numbers) != 0)
            continue;
        if (!take(name, numbers))
            break;
    }
    return 0;
}

void copy_list_name(char dst[256], const std::string &name)
{
    size_t n = name.size() < 255 ? name.size() : 255;
    memcpy(dst, name.data(), n);
    dst[n] = '\0';
}

std::string list_line(const char *name, const int32_t *numbers, int count)
{
    std::string line = name;
    for (int i = 0; i < count; i++) {
        line += ':';
        line += std::to_string(numbers[i]);
    }
    line += '\n';
    if (line.size() > LIST_LINE_MAX)
        line.resize(LIST_LINE_MAX);
    return line;
}

int list_file_write(const char *path, const std::string &content)
{
    const int written =
        content.empty() ? write_file_atomic(path, "", 0) : crc_seal_write(path, content.data(), content.size());
    if (written != 0) {
        printf(LIST_WRITE_FAILED_TEXT, path, errno);
        return -1;
    }
    return 0;
}
