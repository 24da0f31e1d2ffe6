// Register layouts and encodings of the two profiles, as the sensor side stores them.
#include "sensor_map.h"

#include <cmath>
#include <cstring>

namespace {

constexpr SensorMap profile1Map{100, 6, 0, 3, 0, 1, 2};
// 514 exists on the sensor but holds no parameter, which is why parity sits at 515.
constexpr SensorMap profile2Map{0, 4, 512, 4, 512, 513, 515};

struct BaudEntry {
    unsigned baud;
    speed_t speed;
};
constexpr std::array<BaudEntry, 6> baudTable{{
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
}};

uint16_t Hundredths(double value)
{
    // Beyond this the conversion to an integer would be undefined; a sensor saturates.
    constexpr double limit = 1e9;
    const double scaled = std::round(value * 100.0);
    if (std::isnan(scaled))
        return 0;
    const double clamped = std::fmax(-limit, std::fmin(limit, scaled));
    return static_cast<uint16_t>(static_cast<long long>(clamped));
}

}  // namespace

const SensorMap& MapOfProfile(int profile)
{
    return profile == 2 ? profile2Map : profile1Map;
}

void EncodeMeasurements(int profile, const std::array<double, 3>& values, uint16_t* registers)
{
    if (profile == 2) {
        for (size_t i = 0; i < values.size(); ++i)
            registers[i] = Hundredths(values[i]);
        registers[3] = 0;
        return;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        const float single = static_cast<float>(values[i]);
        uint32_t bits;
        std::memcpy(&bits, &single, sizeof bits);
        registers[2 * i] = static_cast<uint16_t>(bits & 0xFFFF);
        registers[2 * i + 1] = static_cast<uint16_t>(bits >> 16);
    }
}

bool BaudIndex(unsigned baud, uint16_t& index)
{
    for (size_t i = 0; i < baudTable.size(); ++i) {
        if (baudTable[i].baud == baud) {
            index = static_cast<uint16_t>(i);
            return true;
        }
    }
    return false;
}

bool BaudOfIndex(uint16_t index, unsigned& baud)
{
    if (index >= baudTable.size())
        return false;
    baud = baudTable[index].baud;
    return true;
}

bool SpeedOfBaud(unsigned baud, speed_t& speed)
{
    for (const BaudEntry& entry : baudTable) {
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}
