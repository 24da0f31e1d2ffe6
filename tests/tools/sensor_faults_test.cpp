// Every fault mode against the tool's master: what each transaction returns and how long
// it may take, so the cycle's tests can rely on each mode meaning what it says.
#include "sensor_fixture.h"

namespace {

struct FaultCase {
    const char* name;
    SensorFault fault;
    uint8_t function;  // 4: first measurement block; 3: holding register 0
    uint16_t start;
    bool succeeds;
    long long atLeastMs;  // the one-byte time-out at 9600 when nothing arrives
    long long atMostMs;   // generous: the machine is shared and noisy
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.name;
}

bool Transact(MyRs232Port& port, const FaultCase& c)
{
    return c.function == 4 ? port.ReadInputRegisters(247, c.start, 2)
                           : port.ReadHoldingRegisters(247, c.start, 1);
}

}  // namespace

class FaultModes : public SensorTest, public ::testing::WithParamInterface<FaultCase> { };

// Stray bytes never hold the address, so synchronisation finds the real reply behind them;
// an endless stream fails once the master has skipped a receive buffer's worth of bytes,
// about 1.1 s at 9600 baud.
INSTANTIATE_TEST_SUITE_P(
    Table, FaultModes,
    ::testing::Values(
        FaultCase{"none", SensorFault::None, 4, 100, true, 0, 1000},
        FaultCase{"silent", SensorFault::Silent, 4, 100, false, 320, 2000},
        FaultCase{"first_only_first", SensorFault::FirstRequestOnly, 4, 100, true, 0, 1000},
        FaultCase{"first_only_second", SensorFault::FirstRequestOnly, 4, 102, false, 320, 2000},
        FaultCase{"first_only_config", SensorFault::FirstRequestOnly, 3, 0, true, 0, 1000},
        FaultCase{"bad_crc", SensorFault::BadCrc, 4, 100, false, 0, 1000},
        FaultCase{"exception", SensorFault::ExceptionReply, 4, 100, false, 0, 1000},
        FaultCase{"leading_garbage", SensorFault::LeadingGarbage, 4, 100, true, 0, 1000},
        FaultCase{"other_slave_first", SensorFault::OtherSlaveFirst, 4, 100, true, 0, 1000},
        FaultCase{"other_slave_first_config", SensorFault::OtherSlaveFirst, 3, 0, true, 0, 1000},
        FaultCase{"endless_stream", SensorFault::EndlessStream, 4, 100, false, 900, 5000},
        FaultCase{"readback_differs_measurement", SensorFault::ReadbackDiffers, 4, 100, true, 0,
                  1000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(FaultModes, TransactionEndsAsTheModeSays)
{
    const FaultCase c = GetParam();
    Begin({.fault = c.fault});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Transact(port, c), c.succeeds);
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, c.atLeastMs);
    EXPECT_LE(elapsed, c.atMostMs);
    ASSERT_EQ(sensor->Requests().size(), 1u);  // logged whether answered or not
}

TEST_F(SensorTest, ReadbackDiffersInTheLowByteOnly)
{
    Begin({.profile = 2, .fault = SensorFault::ReadbackDiffers});
    const uint8_t ten[] = {0, 10};
    ASSERT_TRUE(port.WriteMultipleRegisters(247, 512, 1, ten));
    ASSERT_TRUE(port.ReadHoldingRegisters(247, 512, 1));
    EXPECT_EQ(port.GetRegister(0), 11);
}

// A stream left behind in the tool's input would make every later transaction fail; once
// the fault is cleared the sensor answers cleanly again.
TEST_F(SensorTest, ClearedStreamLeavesNothingBehind)
{
    Begin({.fault = SensorFault::EndlessStream});
    EXPECT_FALSE(port.ReadInputRegisters(247, 100, 2));
    sensor->SetFault(SensorFault::None);
    EXPECT_TRUE(port.ReadInputRegisters(247, 100, 2));
}

TEST_F(SensorTest, StopsPromptlyWhileStreaming)
{
    Begin({.fault = SensorFault::EndlessStream});
    EXPECT_FALSE(port.ReadInputRegisters(247, 100, 2));
    const auto start = std::chrono::steady_clock::now();
    sensor->Stop();
    EXPECT_LE(MillisecondsSince(start), 500);
}
