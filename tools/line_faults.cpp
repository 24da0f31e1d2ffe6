// Corrupted, foreign and stray bytes for the sensor's fault modes, built so that the only
// occurrence of the sensor's address on the line is the first byte of its proper reply.
#include "line_faults.h"

#include <array>

namespace {

uint8_t Avoiding(uint8_t byte, uint8_t ownAddress)
{
    return byte == ownAddress ? static_cast<uint8_t>(byte ^ 0x01) : byte;
}

void AppendCrc(std::vector<uint8_t>& frame)
{
    const uint16_t crc = ModbusCrc(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

bool Holds(const std::vector<uint8_t>& frame, uint8_t byte)
{
    for (uint8_t b : frame) {
        if (b == byte)
            return true;
    }
    return false;
}

// A well-formed reply of the same shape from another slave, with its data zeroed so the
// other slave's values cannot contain our address; the other address is chosen so that
// its CRC does not either.
std::vector<uint8_t> ForeignReply(uint8_t ownAddress, const std::vector<uint8_t>& reply)
{
    const size_t headerLength = (reply[1] == 3 || reply[1] == 4) ? 3 : 2;
    for (unsigned other = 1; other <= 247; ++other) {
        if (other == ownAddress)
            continue;
        std::vector<uint8_t> frame(reply.begin(), reply.end() - 2);
        frame[0] = static_cast<uint8_t>(other);
        for (size_t i = headerLength; i < frame.size(); ++i)
            frame[i] = 0;
        AppendCrc(frame);
        if (!Holds(frame, ownAddress))
            return frame;
    }
    return {};
}

}  // namespace

uint16_t ModbusCrc(const uint8_t* data, size_t length)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

std::vector<uint8_t> ShapeReply(SensorFault fault, uint8_t ownAddress,
                                const std::vector<uint8_t>& reply)
{
    if (reply.size() < 4)
        return reply;
    switch (fault) {
    case SensorFault::BadCrc: {
        std::vector<uint8_t> bad = reply;
        bad.back() ^= 0x5A;
        return bad;
    }
    case SensorFault::LeadingGarbage: {
        constexpr std::array<uint8_t, 5> garbage{0x00, 0xFF, 0x55, 0xAA, 0x13};
        std::vector<uint8_t> bytes;
        for (uint8_t b : garbage)
            bytes.push_back(Avoiding(b, ownAddress));
        bytes.insert(bytes.end(), reply.begin(), reply.end());
        return bytes;
    }
    case SensorFault::OtherSlaveFirst: {
        std::vector<uint8_t> bytes = ForeignReply(ownAddress, reply);
        bytes.insert(bytes.end(), reply.begin(), reply.end());
        return bytes;
    }
    default:
        return reply;
    }
}

uint8_t StreamByte(uint8_t ownAddress, unsigned n)
{
    return Avoiding(static_cast<uint8_t>(n * 37 + 11), ownAddress);
}
