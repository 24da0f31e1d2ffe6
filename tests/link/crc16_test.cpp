// The table-driven CRC against the plain bitwise loop and against frames known on the wire.
#include "pty_pair.h"
#include "uPort.h"

#include <gtest/gtest.h>

#include <random>

TEST(Crc16, AgreesWithTheBitwiseLoopOverRandomDataOfEveryLength)
{
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int length = 0; length <= 255; ++length) {
        for (int round = 0; round < 8; ++round) {
            Bytes data(length);
            for (auto& b : data)
                b = static_cast<uint8_t>(byte(random));
            ASSERT_EQ(MyRs232Port::Crc16(data.data(), static_cast<uint8_t>(length)),
                      ReferenceCrc(data.data(), data.size()))
                << "length " << length;
        }
    }
}

TEST(Crc16, GivesTheCrcOfKnownRequestsAndZeroOverAWholeFrame)
{
    const struct {
        Bytes frame;  // with its CRC, low byte first
    } known[] = {
        {{0xF7, 0x04, 0x00, 0x64, 0x00, 0x02, 0x24, 0x82}},
        {{0xF7, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x9C}},
        {{0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x0A, 0x2B, 0xC7}},
        {{0xF7, 0x10, 0x02, 0x00, 0x00, 0x01, 0x02, 0x00, 0x0A, 0x2A, 0x33}},
    };
    for (const auto& k : known) {
        const auto length = static_cast<uint8_t>(k.frame.size());
        const uint16_t crc = MyRs232Port::Crc16(k.frame.data(), length - 2);
        EXPECT_EQ(crc & 0xFF, k.frame[length - 2]);
        EXPECT_EQ(crc >> 8, k.frame[length - 1]);
        EXPECT_EQ(MyRs232Port::Crc16(k.frame.data(), length), 0);
    }
}
