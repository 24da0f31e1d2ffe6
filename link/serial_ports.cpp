// The port list from sysfs: every tty with hardware behind it, in the order a person
// expects (ttyS2 before ttyS10). Virtual consoles, /dev/tty and the like have no device in
// sysfs; the 8250 driver's placeholder ports are weeded out by HasSerialHardware. A port the
// kernel writes its console to is not offered: polling it would change the console's line
// settings and print Modbus frames among the system's messages.
#include "serial_ports.h"

#include "tty_sysfs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Compares runs of digits by their value and everything else character by character.
bool NaturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            size_t endA = i, endB = j;
            while (endA < a.size() && IsDigit(a[endA]))
                ++endA;
            while (endB < b.size() && IsDigit(b[endB]))
                ++endB;
            // Without leading zeros, the longer run of digits is the larger number.
            if (endA - i != endB - j)
                return endA - i < endB - j;
            if (const int order = a.compare(i, endA - i, b, j, endB - j); order != 0)
                return order < 0;
            i = endA;
            j = endB;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;  // equal up to leading zeros: any fixed order will do
}

// The ttys the kernel console is active on, such as "tty0 ttyS0".
std::vector<std::string> ConsoleTtys(const std::filesystem::path& ttyClass)
{
    std::ifstream active(ttyClass / "console" / "active");
    return {std::istream_iterator<std::string>(active), std::istream_iterator<std::string>()};
}

}  // namespace

std::vector<std::string> ListSerialPorts(const std::string& sysRoot)
{
    std::vector<std::string> names;
    const std::filesystem::path ttyClass = std::filesystem::path(sysRoot) / "class" / "tty";
    const std::vector<std::string> consoles = ConsoleTtys(ttyClass);
    std::error_code error;
    std::filesystem::directory_iterator entry(ttyClass, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (HasSerialHardware(entry->path()) &&
            std::find(consoles.begin(), consoles.end(), name) == consoles.end())
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}
