// Turns a request frame as libmodbus received it into the entry the sensor logs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "virtual_sensor.h"

// frame holds at least the frame's bytes; capacity bounds how far written values may be
// read when the frame's own length is unknown (a request for another slave).
SensorRequest DecodeRequest(const uint8_t* frame, size_t capacity);
