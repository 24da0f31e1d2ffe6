// A virtual sensor on its pseudo-terminal and the tool's port opened on it at the line
// settings the tool starts with (9600 baud, even parity).
#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "uPort.h"
#include "virtual_sensor.h"

class SensorTest : public ::testing::Test {
protected:
    ~SensorTest() override;

    // Starts the sensor and opens and configures the port on it; asserts on failure.
    void Begin(SensorOptions options);
    // Reopens the port at another speed, as the tool's next tick would.
    void Reconfigure(unsigned baud);

    std::unique_ptr<VirtualSensor> sensor;
    MyRs232Port port{1024, 1024};
};

// Milliseconds since start, for bounding how long a transaction may take.
long long MillisecondsSince(std::chrono::steady_clock::time_point start);

constexpr uint8_t evenParityCode = 2;
