// The parameter change against a virtual sensor: the exact frames each outcome puts on the
// line, the boxes the technician sees, and what the "Current Parameters" group shows after.
#include "cycle_fixture.h"

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

ShownMessage Failed(const char* caption)
{
    return {"Failed.", caption, MessageIcon::Error, ""};
}
ShownMessage NotWritten(const char* caption)
{
    return {"Parameter is not written.", caption, MessageIcon::Error, ""};
}

struct ChangeCase {
    const char* name;
    int sensorProfile;  // of the virtual sensor, at address 247, 9600 baud
    SensorFault fault;
    uint8_t profileBefore;  // the cycle's sensorProfile and presenceCount before Set
    uint8_t presenceBefore;
    int addressNew;
    int baudNewIndex;
    int parityNewIndex;
    std::vector<SensorRequest> requests;
    std::vector<RecordedPause> pauses;
    Strings updates;  // what the window was told, timer calls aside
    std::vector<ShownMessage> messages;
    uint8_t profileAfter;  // after the tick's detector
    uint8_t presenceAfter;
};

void PrintTo(const ChangeCase& c, std::ostream* os)
{
    *os << c.name;
}

class ParameterChangeTest : public CycleFixture, public testing::TestWithParam<ChangeCase> { };

TEST_P(ParameterChangeTest, WritesVerifiesAndReports)
{
    const ChangeCase& c = GetParam();
    SensorOptions options;
    options.profile = c.sensorProfile;
    options.fault = c.fault;
    StartSensor(options);
    cycle.sensorProfile = c.profileBefore;
    cycle.presenceCount = c.presenceBefore;
    window.addressNew = c.addressNew;
    window.baudNewIndex = c.baudNewIndex;
    window.parityNewIndex = c.parityNewIndex;

    SetTick();

    EXPECT_EQ(c.requests, Requests());
    EXPECT_EQ(c.pauses, pauses);
    Strings updates{"SetTimerEnabled(false)"};
    updates.insert(updates.end(), c.updates.begin(), c.updates.end());
    updates.push_back("SetTimerEnabled(true)");
    EXPECT_EQ(updates, window.Changes());
    EXPECT_EQ(c.messages, window.messages);
    EXPECT_EQ(c.profileAfter, cycle.sensorProfile);
    EXPECT_EQ(c.presenceAfter, cycle.presenceCount);
    EXPECT_EQ(0, cycle.commandFlags & TickCycle::SetRequested);
    EXPECT_FALSE(cycle.port.IsOpen());
}

// One case a paragraph; the formatter would put every field on a line of its own.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Outcomes, ParameterChangeTest,
    testing::Values(
        ChangeCase{"nothing differs: no traffic, still a success", 1, SensorFault::None, 0, 0,
                   247, 3, 1, {}, {}, {"ShowMessage(Parameters updated)"}, {SuccessMessage}, 1, 0},
        ChangeCase{"profile 1 address: broadcast write, read back at the new address", 1,
                   SensorFault::None, 0, 0, 10, 3, 1,
                   {WriteOne(0, 0, 10), ReadHolding(10, 0)}, PausesAfter({1}),
                   {"SetAddressValue(10)", "ShowMessage(Parameters updated)"}, {SuccessMessage},
                   1, 0},
        ChangeCase{"profile 2 address after a good poll: addressed write and read back", 2,
                   SensorFault::None, 2, 5, 10, 3, 1,
                   {WriteOne(247, 512, 10), ReadHolding(247, 512)}, PausesAfter({1}),
                   {"SetAddressValue(10)", "ShowMessage(Parameters updated)"}, {SuccessMessage},
                   2, 5},
        // Parity goes to the sensor as its list index (Odd = 2), not the driver's code (1).
        ChangeCase{"profile 1 baud rate then parity, one success", 1, SensorFault::None, 1, 5,
                   247, 4, 2,
                   {WriteOne(0, 1, 4), ReadHolding(247, 1), WriteOne(0, 2, 2),
                    ReadHolding(247, 2)},
                   PausesAfter({1, 3}),
                   {"SelectBaudrateIndex(4)", "SelectParityIndex(2)",
                    "ShowMessage(Parameters updated)"},
                   {SuccessMessage}, 1, 5},
        ChangeCase{"read-back differs after a good poll: stops, a failed tick", 1,
                   SensorFault::ReadbackDiffers, 1, 5, 247, 4, 1,
                   {WriteOne(0, 1, 4), ReadHolding(247, 1)}, PausesAfter({1}),
                   {"ShowMessage(Set baudrate)"}, {NotWritten("Set baudrate")}, 1, 4},
        // The profile 1 attempt moved the talk address, so the profile 2 retry goes to 10.
        ChangeCase{"profile 2 sensor before a good poll, new address: both attempts fail", 2,
                   SensorFault::None, 0, 0, 10, 3, 1,
                   {WriteOne(0, 0, 10), ReadHolding(10, 0), WriteOne(10, 512, 10)},
                   PausesAfter({1, 3}), {"ShowMessage(Set address)", "ShowMessage(Set address)"},
                   {Failed("Set address"), Failed("Set address")}, 1, 0},
        ChangeCase{"profile 2 sensor before a good poll, new baud rate: falls back and succeeds",
                   2, SensorFault::None, 0, 0, 247, 4, 1,
                   {WriteOne(0, 1, 4), ReadHolding(247, 1), WriteOne(247, 513, 4),
                    ReadHolding(247, 513)},
                   PausesAfter({1, 3}),
                   {"ShowMessage(Set baudrate)", "SelectBaudrateIndex(4)",
                    "ShowMessage(Parameters updated)"},
                   {Failed("Set baudrate"), SuccessMessage}, 2, 0},
        // Profile 2 keeps talking to the old address for the rest of the change.
        ChangeCase{"profile 2 address and baud rate: both at the old address", 2,
                   SensorFault::None, 2, 5, 10, 4, 1,
                   {WriteOne(247, 512, 10), ReadHolding(247, 512), WriteOne(247, 513, 4),
                    ReadHolding(247, 513)},
                   PausesAfter({1, 3}),
                   {"SetAddressValue(10)", "SelectBaudrateIndex(4)",
                    "ShowMessage(Parameters updated)"},
                   {SuccessMessage}, 2, 5},
        ChangeCase{"silent profile 2 after a good poll: stops at the first step", 2,
                   SensorFault::Silent, 2, 5, 10, 4, 1, {WriteOne(247, 512, 10)},
                   PausesAfter({1}), {"ShowMessage(Set address)"}, {Failed("Set address")}, 2,
                   4}),
    [](const testing::TestParamInfo<ChangeCase>& info) {
        return "case" + std::to_string(info.index);
    });
// clang-format on

// The new settings are what the following polls use: slave 10 at 19200 baud, which a
// restarted sensor answers and no other setting would reach.
TEST_F(CycleTest, PollsAfterAChangeUseTheNewSettings)
{
    SensorOptions options;
    options.profile = 2;
    StartSensor(options);
    cycle.sensorProfile = 2;
    cycle.presenceCount = 5;
    window.addressNew = 10;
    window.baudNewIndex = 4;
    SetTick();
    ASSERT_EQ(std::vector<ShownMessage>{SuccessMessage}, window.messages);
    EXPECT_EQ(10, window.address);
    EXPECT_EQ(4, window.baudIndex);

    sensor->Restart();
    ASSERT_EQ(10, sensor->Address());
    ASSERT_EQ(19200u, sensor->Baud());
    sensor->ClearRequests();
    PollTick();
    EXPECT_EQ(std::vector<SensorRequest>{ReadInput(10, 0, 4)}, Requests());
    EXPECT_EQ(MeasurementGreen, window.measurements.at(0).colour);
}

struct PortErrorCase {
    const char* name;
    std::string portName;  // empty: the sensor's own port
    bool heldElsewhere;
    int baudIndex;
    const char* detailsHint;
};

void PrintTo(const PortErrorCase& c, std::ostream* os)
{
    *os << c.name;
}

class PortErrorTest : public CycleFixture, public testing::TestWithParam<PortErrorCase> { };

// The box names the path between double quotes and says why in its details; nothing is
// written, the request ends, and the next due poll shows "No sensor".
TEST_P(PortErrorTest, ShowsTheErrorBoxOnceAndWritesNothing)
{
    const PortErrorCase& c = GetParam();
    StartSensor({});
    if (!c.portName.empty())
        window.portName = c.portName;
    MyRs232Port other(1024, 1024);
    if (c.heldElsewhere) {
        ASSERT_TRUE(other.Open(window.portName.c_str()));
    }
    window.baudIndex = c.baudIndex;
    window.addressNew = 10;

    SetTick();

    ASSERT_EQ(1u, window.messages.size());
    const ShownMessage& shown = window.messages[0];
    EXPECT_EQ("Can not open serial port \"" + TickCycle::PortPath(window.portName) + "\"",
              shown.text);
    EXPECT_EQ("Error", shown.caption);
    EXPECT_EQ(MessageIcon::Error, shown.icon);
    EXPECT_NE(std::string::npos, shown.details.find(c.detailsHint)) << shown.details;
    EXPECT_EQ(0, cycle.commandFlags);
    EXPECT_EQ(0, cycle.sensorProfile);
    EXPECT_FALSE(cycle.port.IsOpen());
    EXPECT_EQ(247, window.address);

    PollTick();
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ((ShownMeasurement{"No sensor", MeasurementRed}), window.measurements.at(0));
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortErrorTest,
    testing::Values(
        PortErrorCase{"missing", "ttyTwMissing", false, 3, "No such file or directory"},
        PortErrorCase{"path over 19 characters", "/dev/ttyTarnwellTooLong", false, 3,
                      "longer than 19 characters"},
        PortErrorCase{"held by another program", "", true, 3, "Another program holds the port"},
        PortErrorCase{"not a serial port", "null", false, 3, "not a serial port"},
        PortErrorCase{"no baud rate selected", "", false, -1, "No baud rate or parity"}),
    [](const testing::TestParamInfo<PortErrorCase>& info) {
        return "case" + std::to_string(info.index);
    });

struct NewSelectionCase {
    int baudNewIndex;
    int parityNewIndex;
    const char* caption;
};

void PrintTo(const NewSelectionCase& c, std::ostream* os)
{
    *os << "new baud " << c.baudNewIndex << " new parity " << c.parityNewIndex;
}

class NewSelectionTest : public CycleFixture, public testing::TestWithParam<NewSelectionCase> { };

// A value outside its list would be written into the sensor and then become the current
// setting no line can use: the change refuses before anything goes out, the address too.
TEST_P(NewSelectionTest, RefusesTheChangeBeforeAnyTraffic)
{
    StartSensor({});
    window.addressNew = 10;
    window.baudNewIndex = GetParam().baudNewIndex;
    window.parityNewIndex = GetParam().parityNewIndex;
    SetTick();

    ASSERT_EQ(1u, window.messages.size());
    EXPECT_EQ("Failed.", window.messages[0].text);
    EXPECT_EQ(GetParam().caption, window.messages[0].caption);
    EXPECT_FALSE(window.messages[0].details.empty());
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(247, window.address);
    EXPECT_EQ(0, cycle.commandFlags);
}

INSTANTIATE_TEST_SUITE_P(OutOfList, NewSelectionTest,
                         testing::Values(NewSelectionCase{-1, 1, "Set baudrate"},
                                         NewSelectionCase{6, 1, "Set baudrate"},
                                         NewSelectionCase{3, 3, "Set parity"},
                                         NewSelectionCase{3, -1, "Set parity"}));

}  // namespace
