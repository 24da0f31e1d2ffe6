// Reads and writes on a pseudo-terminal: every byte value through unaltered, and every wait
// ended by its deadline or by the far end going away, never by luck.
#include "pty_pair.h"
#include "uPort.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

// Sets the write time-out directly, so a stalled write can be shown to end in a test's time.
class ShortWriteTimeoutPort : public MyRs232Port {
public:
    ShortWriteTimeoutPort()
        : MyRs232Port(1024, 1024)
    {
    }
    void LimitWrites(unsigned perByte, unsigned constant)
    {
        timeouts.writeTotalMultiplier = perByte;
        timeouts.writeTotalConstant = constant;
    }
};

class OpenPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Ok());
        ASSERT_TRUE(port.Open(pty.SlavePath().c_str()));
    }
    PtyPair pty;
    ShortWriteTimeoutPort port;
};

Bytes EveryByteValue()
{
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    return all;
}

}  // namespace

TEST_F(OpenPty, AllByteValuesPassUnalteredInBothDirections)
{
    ASSERT_TRUE(port.Configure(9600, 2));
    const Bytes all = EveryByteValue();

    ASSERT_TRUE(port.Write(all.data(), static_cast<int>(all.size())));
    EXPECT_EQ(pty.ReadFromSlave(all.size() + 1, std::chrono::milliseconds(300)), all);

    // Whole and one byte at a time, as the Modbus layer reads.
    ASSERT_TRUE(pty.WriteToSlave(all));
    Bytes got(all.size());
    ASSERT_TRUE(port.Read(got.data(), static_cast<int>(got.size())));
    EXPECT_EQ(got, all);
    ASSERT_TRUE(pty.WriteToSlave(all));
    for (auto& b : got)
        ASSERT_TRUE(port.Read(&b, 1));
    EXPECT_EQ(got, all);
    uint8_t extra;
    EXPECT_FALSE(port.Read(&extra, 1)) << "nothing may arrive twice or be added";
}

TEST_F(OpenPty, AOneByteReadAt9600GivesUpAfterAbout332Milliseconds)
{
    ASSERT_TRUE(port.Configure(9600, 2));
    uint8_t byte;
    const auto ms = MillisecondsOf([&] { EXPECT_FALSE(port.Read(&byte, 1)); });
    EXPECT_GE(ms, 320);
    EXPECT_LT(ms, 1000);
}

TEST_F(OpenPty, ASilenceAfterAByteEndsAReadAfterTheIntervalNotTheTotal)
{
    ASSERT_TRUE(port.Configure(9600, 2));  // interval 32 ms, total for 3 bytes 596 ms
    ASSERT_TRUE(pty.WriteToSlave({0x11}));
    uint8_t bytes[3];
    const auto ms = MillisecondsOf([&] { EXPECT_FALSE(port.Read(bytes, 3)); });
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_GE(ms, 30);
    EXPECT_LT(ms, 500);
}

TEST_F(OpenPty, BeforeConfigureAReadStillEndsAtItsDeadline)
{
    // The terminal is still in line mode: the bytes without a line end never become readable.
    ASSERT_TRUE(pty.WriteToSlave({'a', 'b'}));
    uint8_t byte;
    const auto ms = MillisecondsOf([&] { EXPECT_FALSE(port.Read(&byte, 1)); });
    EXPECT_GE(ms, 320);
    EXPECT_LT(ms, 1000);
}

TEST_F(OpenPty, AHangUpEndsAReadAndAWriteAtOnce)
{
    ASSERT_TRUE(port.Configure(9600, 2));
    pty.HangUp();
    uint8_t byte = 0;
    const auto ms = MillisecondsOf([&] {
        EXPECT_FALSE(port.Read(&byte, 1));
        EXPECT_FALSE(port.Read(&byte, 1));
        EXPECT_FALSE(port.Write(&byte, 1));
    });
    EXPECT_LT(ms, 300) << "a hang-up must not wait for the time-out";
}

TEST_F(OpenPty, AWriteThatCannotGoOutEndsAtItsDeadline)
{
    ASSERT_TRUE(port.Configure(9600, 2));
    port.LimitWrites(0, 100);
    // Nobody reads the master: the pseudo-terminal's buffers fill and stay full.
    const Bytes lots(1 << 20, 0x55);
    const auto ms = MillisecondsOf(
        [&] { EXPECT_FALSE(port.Write(lots.data(), static_cast<int>(lots.size()))); });
    EXPECT_GE(ms, 95);
    EXPECT_LT(ms, 1000);
}
