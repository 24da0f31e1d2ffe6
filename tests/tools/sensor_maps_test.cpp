// The register maps of both profiles as the tool's master sees them: measurements,
// configuration read-back, and how written settings take effect.
#include <cstring>

#include "sensor_fixture.h"

namespace {

float SingleOf(const MyRs232Port& port)
{
    const uint32_t bits = static_cast<uint32_t>(port.GetRegister(1)) << 16 | port.GetRegister(0);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

const uint8_t ten[] = {0, 10};
const uint8_t baud19200[] = {0, 4};

}  // namespace

TEST_F(SensorTest, ProfileOneHoldsSinglesLowHalfFirst)
{
    Begin({.values = {21.5, 1.0, -2.0}});
    const float expected[] = {21.5f, 1.0f, -2.0f};
    for (uint16_t r = 0; r < 3; ++r) {
        ASSERT_TRUE(port.ReadInputRegisters(247, 100 + 2 * r, 2)) << "request " << r;
        EXPECT_EQ(SingleOf(port), expected[r]);
    }
}

TEST_F(SensorTest, ProfileTwoHoldsHundredthsAsUnsignedWords)
{
    Begin({.profile = 2, .values = {1.25, 0.0, 655.35}});
    ASSERT_TRUE(port.ReadInputRegisters(247, 0, 4));
    EXPECT_EQ(port.GetRegister(0), 125);
    EXPECT_EQ(port.GetRegister(1), 0);
    EXPECT_EQ(port.GetRegister(2), 65535);
}

struct RegisterCase {
    int profile;
    uint16_t reg;
    bool exists;
    uint16_t value;
};

void PrintTo(const RegisterCase& c, std::ostream* os)
{
    *os << "profile " << c.profile << " register " << c.reg;
}

class ConfigurationReadBack : public SensorTest,
                              public ::testing::WithParamInterface<RegisterCase> { };

// Address 247, 9600 baud (index 3), even parity (index 1); anything else is exception 02.
INSTANTIATE_TEST_SUITE_P(
    BothProfiles, ConfigurationReadBack,
    ::testing::Values(RegisterCase{1, 0, true, 247}, RegisterCase{1, 1, true, 3},
                      RegisterCase{1, 2, true, 1}, RegisterCase{1, 3, false, 0},
                      RegisterCase{1, 512, false, 0}, RegisterCase{2, 512, true, 247},
                      RegisterCase{2, 513, true, 3}, RegisterCase{2, 514, true, 0},
                      RegisterCase{2, 515, true, 1}, RegisterCase{2, 0, false, 0},
                      RegisterCase{2, 516, false, 0}));

TEST_P(ConfigurationReadBack, ReadsSettingOrFails)
{
    const RegisterCase c = GetParam();
    Begin({.profile = c.profile});
    ASSERT_EQ(port.ReadHoldingRegisters(247, c.reg, 1), c.exists);
    if (c.exists) {
        EXPECT_EQ(port.GetRegister(0), c.value);
    }
}

TEST_F(SensorTest, ProfileOneTakesBroadcastAddressAtOnce)
{
    Begin({});
    ASSERT_TRUE(port.WriteMultipleRegisters(0, 0, 1, ten));
    ASSERT_TRUE(port.ReadHoldingRegisters(10, 0, 1));
    EXPECT_EQ(port.GetRegister(0), 10);
    EXPECT_EQ(sensor->Address(), 10);
    EXPECT_FALSE(port.ReadHoldingRegisters(247, 0, 1));

    const std::vector<SensorRequest> expected{
        {0, 16, 0, 1, {10}}, {10, 3, 0, 1, {}}, {247, 3, 0, 1, {}}};
    EXPECT_EQ(sensor->Requests(), expected);
    EXPECT_EQ(FormatRequest(expected[0]), "fc=16 slave=0 start=0 qty=1 values=10");
}

TEST_F(SensorTest, ProfileOneAppliesBaudAtRestart)
{
    Begin({});
    ASSERT_TRUE(port.WriteMultipleRegisters(0, 1, 1, baud19200));
    ASSERT_TRUE(port.ReadHoldingRegisters(247, 1, 1));
    EXPECT_EQ(port.GetRegister(0), 4);
    EXPECT_EQ(sensor->Baud(), 9600u);
    sensor->Restart();
    EXPECT_EQ(sensor->Baud(), 19200u);
}

// Profile 2 answers writes, and keeps working with its old address and speed until it is
// power-cycled; then only the new ones reach it.
TEST_F(SensorTest, ProfileTwoAnswersWritesAndAppliesThemAtRestart)
{
    Begin({.profile = 2});
    ASSERT_TRUE(port.WriteMultipleRegisters(247, 512, 1, ten));
    ASSERT_TRUE(port.WriteMultipleRegisters(247, 513, 1, baud19200));
    ASSERT_TRUE(port.ReadHoldingRegisters(247, 512, 1));
    EXPECT_EQ(port.GetRegister(0), 10);
    EXPECT_EQ(sensor->Address(), 247);

    sensor->Restart();
    EXPECT_EQ(sensor->Address(), 10);
    EXPECT_FALSE(port.ReadInputRegisters(10, 0, 4));  // still at 9600: not understood
    Reconfigure(19200);
    EXPECT_FALSE(port.ReadInputRegisters(247, 0, 4));
    EXPECT_TRUE(port.ReadInputRegisters(10, 0, 4));

    const std::vector<SensorRequest> expected{{247, 16, 512, 1, {10}},
                                              {247, 16, 513, 1, {4}},
                                              {247, 3, 512, 1, {}},
                                              {247, 4, 0, 4, {}},
                                              {10, 4, 0, 4, {}}};
    EXPECT_EQ(sensor->Requests(), expected);
}

// libmodbus, left to itself, takes the frame after a request for another slave as that
// slave's reply; on a line where nobody else answers that frame is our next request.
TEST_F(SensorTest, RequestForAnotherSlaveDoesNotCostTheNextOne)
{
    Begin({});
    EXPECT_FALSE(port.ReadInputRegisters(10, 100, 2));
    EXPECT_TRUE(port.ReadInputRegisters(247, 100, 2));
    EXPECT_EQ(sensor->Requests().size(), 2u);
}
