// The launcher's small device files: /proc/mounts (is the TF card mounted at
// /mnt/sdcard?), the four battery files of the power-supply class, and the
// power-off request /tmp/shutdown.ini. Each is checked against what a plain
// reading of its first line (or its lines) gives. The first byte picks the
// file; for the battery the input's sections, split at lines "--", are
// voltage_now, capacity, status and current_now ("!" alone: the file is
// missing).

#include "fuzz_support.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "porta/device/battery.h"
#include "porta/device/storage.h"
#include "porta/ui/porta.h"

namespace {

// The first line as fgets reads it into `size` bytes, as a C string.
std::string firstLine(const std::string &text, size_t size)
{
    std::string line = text.substr(0, size - 1);
    const size_t end = line.find('\n');
    if (end != std::string::npos)
        line.resize(end + 1);
    return line.substr(0, line.find('\0'));
}

bool decimal(const std::string &line, long long *out)
{
    char *end = nullptr;
    errno = 0;
    const long long v = strtoll(line.c_str(), &end, 10);
    if (end == line.c_str() || errno == ERANGE)
        return false;
    *out = v;
    return true;
}

void checkMounts(const uint8_t *data, size_t size)
{
    fuzz::write(PROC_MOUNTS, data, size);
    bool mounted = false;
    for (const std::string &line : fuzz::lines(data, size, SIZE_MAX)) {
        const char *blanks = " \t\r";
        const size_t device = line.find_first_not_of(blanks);
        const size_t gap = device == std::string::npos ? device : line.find_first_of(blanks, device);
        const size_t point = gap == std::string::npos ? gap : line.find_first_not_of(blanks, gap);
        if (point != std::string::npos && line.compare(point, 11, "/mnt/sdcard") == 0)
            mounted = true;
    }
    FUZZ_CHECK(tf_mounted() == (mounted ? 0 : -1));
}

void checkBattery(const uint8_t *data, size_t size)
{
    static const char *const files[] = {BATTERY_VOLTAGE_PATH, BATTERY_CAPACITY_PATH, BATTERY_STATUS_PATH,
                                        BATTERY_CURRENT_PATH};
    const std::vector<std::string> parts = fuzz::sections(data, size, 4);
    std::string lines[4];
    bool present[4];
    for (int i = 0; i < 4; i++) {
        present[i] = parts[i] != "!" && parts[i] != "!\n";
        if (present[i])
            fuzz::write(files[i], parts[i]);
        else
            remove(fuzz::host(files[i]).c_str());
        lines[i] = firstLine(parts[i], 128);
    }
    battery_reset();
    battery_read();
    long long v = 0;
    int voltage = 0;
    if (present[0] && decimal(lines[0], &v) && v > 3200000)
        voltage = static_cast<int>((v > 2000000000LL ? 2000000000LL : v) / 10000 * 10);
    FUZZ_CHECK(battery.voltage == voltage);
    int capacity = BATTERY_UNREADABLE;
    if (present[1] && decimal(lines[1], &v))
        capacity = v < 0 ? 0 : v > 100 ? 100 : static_cast<int>(v);
    FUZZ_CHECK(battery.capacity == capacity);
    FUZZ_CHECK(battery.charging == (present[2] && lines[2].compare(0, 8, "Charging") == 0 ? 1 : 0));
    int current = 0;
    if (present[3] && decimal(lines[3], &v) && v > 0)
        current = static_cast<int>((v > 2000000000LL ? 2000000000LL : v) / 1000);
    FUZZ_CHECK(battery.current == current);

    // The monitor over half a minute of these readings.
    battery_reset();
    for (uint32_t now = 1; now < 30000; now += 1001) {
        const int flags = battery_update(now);
        FUZZ_CHECK(flags & BATTERY_REFRESHED);
        FUZZ_CHECK(battery_mon.icon.base == 0 || battery_mon.icon.base == 1);
        FUZZ_CHECK(battery_mon.icon.fill >= -1 && battery_mon.icon.fill <= 23);
        if (flags & BATTERY_SHUTDOWN)
            FUZZ_CHECK(capacity == 0 && voltage <= BATTERY_LOW_MV && !battery.charging);
    }
}

void checkShutdownRequest(const std::string &text)
{
    fuzz::write("/tmp/shutdown.ini", text);
    const long long number = strtoll(firstLine(text, 129).c_str(), nullptr, 10);
    const int value = read_shutdown_request();
    FUZZ_CHECK(value == (number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : number));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::root();
    fuzz::mkdirs("/proc");
    fuzz::mkdirs("/tmp");
    fuzz::mkdirs(BATTERY_DIR);
    const std::string rest(reinterpret_cast<const char *>(data + 1), size - 1);
    switch (data[0] % 3) {
    case 0: checkMounts(data + 1, size - 1); break;
    case 1: checkBattery(data + 1, size - 1); break;
    default: checkShutdownRequest(rest); break;
    }
    return 0;
}
