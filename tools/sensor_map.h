// The two sensor profiles as a sensor holds them: where its measurements and settings
// live, how a measurement becomes register contents, and the baud rates it can run at.
#pragma once

#include <array>
#include <cstdint>
#include <termios.h>

struct SensorMap {
    uint16_t measurementStart;  // first input register
    uint16_t measurementCount;
    uint16_t configStart;  // first holding register
    uint16_t configCount;
    uint16_t addressRegister;
    uint16_t baudRegister;
    uint16_t parityRegister;
};

// Profile 1 or 2; anything else gives profile 1's map.
const SensorMap& MapOfProfile(int profile);

// Fills measurementCount registers: profile 1 three IEEE-754 singles, each with its
// low-order half in the lower register; profile 2 hundredths as unsigned 16-bit numbers
// (wrapping, as a sensor's unsigned register would), and a fourth register of 0.
void EncodeMeasurements(int profile, const std::array<double, 3>& values, uint16_t* registers);

// The baud rate list shared with the tool: index 0..5 for 1200 ... 38400.
bool BaudIndex(unsigned baud, uint16_t& index);
bool BaudOfIndex(uint16_t index, unsigned& baud);
bool SpeedOfBaud(unsigned baud, speed_t& speed);

constexpr uint16_t parityIndexCount = 3;  // None, Even, Odd
