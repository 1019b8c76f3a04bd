// Joypad configuration files: reading, writing, defaults.

#include "porta/controller/joypad_cfg.h"

#include "common/devroot.h"
#include "common/safefile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const JoyConvName joy_conv_names[JOY_CONV_SLOTS] = {
    {"input_b_", 5, 0x20, 0xFFFFDF},         {"input_y_", 7, 0x40, 0xFFFFBF},
    {"input_select_", 12, 0x200, 0xFFFDFF},  {"input_start_", 13, 0x100, 0xFFFEFF},
    {"input_up_", 0, 0x1, 0xFFFFFE},         {"input_down_", 1, 0x2, 0xFFFFFD},
    {"input_left_", 2, 0x4, 0xFFFFFB},       {"input_right_", 3, 0x8, 0xFFFFF7},
    {"input_a_", 4, 0x10, 0xFFFFEF},         {"input_x_", 6, 0x80, 0xFFFF7F},
    {"input_l_", 8, 0x400, 0xFFFBFF},        {"input_r_", 9, 0x800, 0xFFF7FF},
    {"input_l2_", 10, 0x1000, 0xFFEFFF},     {"input_r2_", 11, 0x2000, 0xFFDFFF},
    {"input_l_x_plus_", 17, 0x8, 0xFFFFF7},  {"input_l_x_minus_", 16, 0x4, 0xFFFFFB},
    {"input_l_y_plus_", 15, 0x2, 0xFFFFFD},  {"input_l_y_minus_", 14, 0x1, 0xFFFFFE},
    {"input_r_x_plus_", 21, 0x20, 0xFFFFDF}, {"input_r_x_minus_", 20, 0x80, 0xFFFF7F},
    {"input_r_y_plus_", 19, 0x10, 0xFFFFEF}, {"input_r_y_minus_", 18, 0x40, 0xFFFFBF},
};

namespace {

constexpr int LINE_MAX_CHARS = 1024;

const char *hat_words[4] = {"up", "down", "left", "right"};

// A number at `p` (after optional blanks and sign); false when there is none.
bool parse_number(const char *p, long *out)
{
    char *end;
    long v = strtol(p, &end, 10);
    if (end == p)
        return false;
    *out = v;
    return true;
}

void set_source(JoyConvEntry *e, int type, long index, int value)
{
    e->type = type;
    e->index = static_cast<uint8_t>(index);
    e->value = static_cast<int16_t>(value);
}

// The source a value names: "h<n><direction>" a hat, "+<n>" / "-<n>" an axis,
// "<n>" a button. A value without its number or direction changes nothing.
void parse_source(JoyConvEntry *e, const char *value)
{
    long n;
    if (const char *h = strchr(value, 'h')) {
        if (!parse_number(h + 1, &n))
            return;
        for (int i = 0; i < 4; i++) {
            if (strstr(h + 1, hat_words[i])) {
                set_source(e, JOY_SRC_HAT, n, 1 << i);
                return;
            }
        }
    } else if (const char *plus = strchr(value, '+')) {
        if (parse_number(plus + 1, &n))
            set_source(e, JOY_SRC_AXIS, n, 1);
    } else if (const char *minus = strchr(value, '-')) {
        if (parse_number(minus + 1, &n))
            set_source(e, JOY_SRC_AXIS, labs(n), -1);
    } else if (parse_number(value, &n)) {
        set_source(e, JOY_SRC_BUTTON, n, 0);
    }
}

// Cuts "btn" or "axis" off the end of `key`; false when it ends in neither.
bool cut_source_ending(char *key)
{
    const size_t len = strlen(key);
    for (const char *ending : {"btn", "axis"}) {
        const size_t n = strlen(ending);
        if (len > n && strcmp(key + len - n, ending) == 0) {
            key[len - n] = '\0';
            return true;
        }
    }
    return false;
}

void parse_line(char *line, JoyConvEntry *table)
{
    char *eq = strchr(line, '=');
    if (!eq)
        return;
    // The key, without blanks around it. Only a row's prefix followed by
    // exactly "btn" or "axis" binds a slot; other keys of the format (labels
    // such as input_a_btn_label, the device's names and ids) are ignored.
    char *k = line;
    while (*k == ' ' || *k == '\t')
        k++;
    char *kend = eq;
    while (kend > k && (kend[-1] == ' ' || kend[-1] == '\t'))
        kend--;
    *kend = '\0';
    if (!cut_source_ending(k))
        return;
    // The value: between the first double quote after "=" and the next.
    char *q = strchr(eq + 1, '"');
    if (!q)
        return;
    char *value = q + 1;
    if (char *close = strchr(value, '"'))
        *close = '\0';
    for (const JoyConvName &row : joy_conv_names) {
        if (strcmp(k, row.prefix) != 0)
            continue;
        JoyConvEntry *e = &table[row.slot];
        e->set_mask = row.set_mask;
        e->clear_mask = row.clear_mask;
        parse_source(e, value);
        return;
    }
}

void clear_table(JoyConvEntry *table)
{
    memset(table, 0, sizeof(JoyConvEntry) * JOY_CONV_SLOTS);
}

void set_entry(JoyConvEntry *table, int slot, int type, int index, int value)
{
    set_source(&table[slot], type, index, value);
}

} // namespace

std::string joypad_file_name(const char *device_name)
{
    if (strcmp(device_name, "[BETOP CONTROLLER]") == 0)
        return "_BETOP CONTROLLER_";
    std::string name(device_name);
    bool only_dots = !name.empty();
    for (char &c : name) {
        if (c == '/')
            c = '_';
        if (c != '.')
            only_dots = false;
    }
    // "." or ".." would name the folder itself or its parent.
    if (only_dots)
        for (char &c : name)
            c = '_';
    return name;
}

std::string joypad_file_path(const char *dir, const char *device_name)
{
    return std::string(dir) + "/" + joypad_file_name(device_name) + ".cfg";
}

int read_joypad_file(const char *path, JoyConvEntry *table)
{
    FILE *f = dev_fopen(path, "rb");
    if (!f) {
        printf("--<%s>--: fopen read %s fail \n", "ReadConvertFromFile", path);
        return -1;
    }
    char line[LINE_MAX_CHARS];
    while (fgets(line, sizeof line, f)) {
        size_t len = strlen(line);
        if (len == sizeof line - 1 && line[len - 1] != '\n') {
            // A longer line is cut: the rest of it is dropped.
            int c;
            while ((c = fgetc(f)) != EOF && c != '\n') {
            }
        }
        line[strcspn(line, "\r\n")] = '\0';
        parse_line(line, table);
    }
    fclose(f);
    return 0;
}

void joypad_default_table(JoyConvEntry *table, int nhats, int nbuttons, int naxes)
{
    if (nhats >= 1) {
        set_entry(table, 0, JOY_SRC_HAT, 0, JOY_HAT_UP);
        set_entry(table, 1, JOY_SRC_HAT, 0, JOY_HAT_DOWN);
        set_entry(table, 2, JOY_SRC_HAT, 0, JOY_HAT_LEFT);
        set_entry(table, 3, JOY_SRC_HAT, 0, JOY_HAT_RIGHT);
    }
    for (int b = 0; b < nbuttons && b < 10; b++)
        set_entry(table, 4 + b, JOY_SRC_BUTTON, b, 0);
    if (naxes >= 2) {
        set_entry(table, 14, JOY_SRC_AXIS, 1, -1);
        set_entry(table, 15, JOY_SRC_AXIS, 1, 1);
        set_entry(table, 16, JOY_SRC_AXIS, 0, -1);
        set_entry(table, 17, JOY_SRC_AXIS, 0, 1);
    }
    if (naxes >= 4) {
        set_entry(table, 18, JOY_SRC_AXIS, 3, -1);
        set_entry(table, 19, JOY_SRC_AXIS, 3, 1);
        set_entry(table, 20, JOY_SRC_AXIS, 2, -1);
        set_entry(table, 21, JOY_SRC_AXIS, 2, 1);
    }
}

void joypad_fill_masks(JoyConvEntry *table)
{
    for (const JoyConvName &row : joy_conv_names) {
        table[row.slot].set_mask = row.set_mask;
        table[row.slot].clear_mask = row.clear_mask;
    }
}

int rebuild_joypad_table_locked(JoyDevice *pad)
{
    const std::string name = joypad_file_name(pad->name);
    const std::string user = joypad_file_path(JOYPAD_USER_DIR, pad->name);
    const std::string factory = joypad_file_path(JOYPAD_FACTORY_DIR, pad->name);
    clear_table(pad->conv);
    int from;
    if (dev_exists(user.c_str()) && read_joypad_file(user.c_str(), pad->conv) == 0) {
        printf("--<%s>--: use save (%s.cfg) to fill convertable ....\n", "rebuild_joyconver_table", name.c_str());
        from = 0;
    } else if (dev_exists(factory.c_str()) && read_joypad_file(factory.c_str(), pad->conv) == 0) {
        printf("--<%s>--: use save (%s.cfg) to fill convertable ....\n", "rebuild_joyconver_table", name.c_str());
        from = 1;
    } else {
        joypad_default_table(pad->conv, pad->nhats, pad->nbuttons, pad->naxes);
        from = 2;
    }
    joypad_fill_masks(pad->conv);
    return from;
}

int rebuild_joypad_table(JoyDevice *pad)
{
    std::lock_guard<std::mutex> lock(joypad_mutex);
    return rebuild_joypad_table_locked(pad);
}

std::string joypad_file_text(const JoyDevice *pad, const JoyConvEntry *table)
{
    std::string out;
    char line[LINE_MAX_CHARS + 128];
    snprintf(line, sizeof line, "%s = \"%s\"\n", "input_driver", "udev");
    out += line;
    snprintf(line, sizeof line, "%s = \"%s\"\n", "input_device", pad->name);
    out += line;
    snprintf(line, sizeof line, "%s = \"%d\"\n", "input_vendor_id", static_cast<int>(pad->vendor_id));
    out += line;
    snprintf(line, sizeof line, "%s = \"%d\"\n", "input_product_id", static_cast<int>(pad->product_id));
    out += line;
    for (const JoyConvName &row : joy_conv_names) {
        const JoyConvEntry &e = table[row.slot];
        line[0] = '\0';
        if (e.type == JOY_SRC_AXIS) {
            snprintf(line, sizeof line, "%saxis = \"%s%d\"\n", row.prefix, e.value >= 1 ? "+" : "-", e.index);
        } else if (e.type == JOY_SRC_HAT) {
            // One direction bit a line; anything else cannot be written.
            for (int i = 0; i < 4; i++)
                if (e.value == (1 << i))
                    snprintf(line, sizeof line, "%sbtn = \"h%d%s\"\n", row.prefix, e.index, hat_words[i]);
        } else if (e.type == JOY_SRC_BUTTON) {
            snprintf(line, sizeof line, "%sbtn = \"%d\"\n", row.prefix, e.index);
        }
        out += line;
    }
    return out;
}

int save_joypad_file(JoyDevice *pad, const JoyConvEntry *table)
{
    std::lock_guard<std::mutex> lock(joypad_mutex);
    return save_joypad_file_locked(pad, table);
}

int save_joypad_file_locked(JoyDevice *pad, const JoyConvEntry *table)
{
    const std::string path = joypad_file_path(JOYPAD_USER_DIR, pad->name);
    const std::string text = joypad_file_text(pad, table ? table : pad->conv);
    if (write_file_atomic(path.c_str(), text) != 0) {
        printf("--%s: fopen writ %s fail \n", "SaveConvertToFile", path.c_str());
        return -1;
    }
    return 0;
}

int restore_joypad_defaults(JoyDevice *pad)
{
    std::lock_guard<std::mutex> lock(joypad_mutex);
    return restore_joypad_defaults_locked(pad);
}

int restore_joypad_defaults_locked(JoyDevice *pad)
{
    const std::string path = joypad_file_path(JOYPAD_USER_DIR, pad->name);
    if (!dev_exists(path.c_str()))
        return 1;
    clear_table(pad->conv);
    joypad_default_table(pad->conv, pad->nhats, pad->nbuttons, pad->naxes);
    joypad_fill_masks(pad->conv);
    return dev_unlink(path.c_str()) == 0 ? 0 : -1;
}
