// What a misbehaving sensor puts on the line instead of, or around, its proper reply.
// Nothing sent besides the proper reply ever holds the sensor's own address, so a master
// that synchronises on that address can always tell the two apart.
#pragma once

#include <cstdint>
#include <vector>

#include "virtual_sensor.h"

// Modbus CRC-16 as sent on the line: low byte in bits 0..7.
uint16_t ModbusCrc(const uint8_t* data, size_t length);

// The bytes to send for a proper reply under the fault; faults that do not change a
// reply's bytes return it as it is.
std::vector<uint8_t> ShapeReply(SensorFault fault, uint8_t ownAddress,
                                const std::vector<uint8_t>& reply);

// Byte n of the endless stream.
uint8_t StreamByte(uint8_t ownAddress, unsigned n);
