// What the tool knows of the sensors it sets up: the line settings it offers and the two
// register maps ("sensor profiles") a sensor may answer to.
#pragma once

#include <array>
#include <cstdint>

// The list index is what the baud rate lists select and what a sensor's baud rate
// register holds.
inline constexpr std::array<uint32_t, 6> BaudRates{1200, 2400, 4800, 9600, 19200, 38400};

// The list index is what the parity lists select and what a sensor's parity register holds.
inline constexpr std::array<const char*, 3> ParityNames{"None", "Even", "Odd"};

// The serial driver's parity code for each ParityNames index; only the local port uses it.
inline constexpr std::array<uint8_t, 3> ParityCodes{0, 2, 1};

// Measurements, read as input registers.
struct MeasurementMap {
    uint16_t firstRegister;
    uint16_t registersPerRequest;
    int requestsPerPoll;
};
inline constexpr MeasurementMap Profile1Measurements{100, 2, 3};  // three IEEE-754 singles
inline constexpr MeasurementMap Profile2Measurements{0, 4, 1};    // hundredths, 3 shown of 4

// Configuration holding registers by step: address, baud rate, parity. Profile 2 skips 514.
inline constexpr std::array<uint16_t, 3> ProfileRegisters[2]{{0, 1, 2}, {512, 513, 515}};
