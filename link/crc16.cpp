// The Modbus CRC-16, one table lookup per byte instead of eight shifts; the table is the
// bitwise routine (reflected 0xA001, initial 0xFFFF) run once over every byte value.
#include "uPort.h"

#include <array>

namespace {

constexpr std::array<uint16_t, 256> MakeCrcTable()
{
    std::array<uint16_t, 256> table{};
    for (unsigned value = 0; value < 256; ++value) {
        uint16_t crc = static_cast<uint16_t>(value);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        table[value] = crc;
    }
    return table;
}

constexpr auto kCrcTable = MakeCrcTable();

}  // namespace

uint16_t MyRs232Port::Crc16(const uint8_t* data, uint8_t length)
{
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < length; ++i)
        crc = static_cast<uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ data[i]) & 0xFF]);
    return crc;
}
