#include "vantor/content.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/devroot.h"

namespace {

// Appends a copy of `s` to the list; returns 0, or -1 when memory runs out.
int appendItem(ItemList *items, int *count, const char *s)
{
    char *copy = strdup(s);
    if (!copy)
        return -1;
    char **grown = static_cast<char **>(realloc(*items, sizeof(char *) * (*count + 1)));
    if (!grown) {
        free(copy);
        return -1;
    }
    grown[*count] = copy;
    *items = grown;
    (*count)++;
    return 0;
}

void stripLineEnd(char *line)
{
    size_t n = strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
        line[--n] = '\0';
}

} // namespace

int readAllLines(const char *path, ItemList *lines)
{
    *lines = nullptr;
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return 0;
    int count = 0;
    char buf[12288];
    while (fgets(buf, sizeof(buf), f)) {
        stripLineEnd(buf);
        if (appendItem(lines, &count, buf) < 0)
            break;
    }
    fclose(f);
    return count;
}

void destroyItems(int count, ItemList *items)
{
    if (!items || !*items || count <= 0)
        return;
    for (int i = 0; i < count; i++)
        free((*items)[i]);
    free(*items);
    *items = nullptr;
}
