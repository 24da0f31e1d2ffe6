// The tick frame and the poll against a virtual sensor on a pseudo-terminal: which tick
// talks to the sensor, what goes on the line, and what the technician then sees.
#include "cycle_fixture.h"

#include <chrono>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

const Strings IdleTick{"SetTimerEnabled(false)", "SetTimerEnabled(true)"};
const Strings PollingTick{"SetTimerEnabled(false)", "SetMeasurement", "SetTimerEnabled(true)"};
const std::string Profile1Text = "21.500    1.000    -2.000  ";

SensorOptions Profile2Sensor()
{
    SensorOptions options;
    options.profile = 2;
    options.values = {1.25, 0.0, 655.35};
    return options;
}

TEST_F(CycleTest, EveryTenthTickPollsAndTheOthersStayOffTheLine)
{
    StartSensor({});
    for (int round = 1; round <= 2; ++round) {
        for (int tick = 1; tick <= 9; ++tick) {
            window.Forget();
            cycle.TimerComandTimer();
            EXPECT_EQ(IdleTick, window.Changes()) << "tick " << tick;
        }
        EXPECT_EQ(std::size_t(3 * (round - 1)), Requests().size());

        window.Forget();
        cycle.TimerComandTimer();
        EXPECT_EQ(PollingTick, window.Changes());
        // The timer goes off before the window is read, and on again only at the very end.
        EXPECT_EQ("SetTimerEnabled(false)", window.calls.front());
        EXPECT_EQ("PortNameText", window.calls[1]);
        EXPECT_EQ("SetTimerEnabled(true)", window.calls.back());
        EXPECT_EQ(std::size_t(3 * round), Requests().size());
        EXPECT_FALSE(cycle.port.IsOpen());
        EXPECT_EQ(0, cycle.tickCount);
        EXPECT_EQ(0, cycle.commandFlags);
    }
}

TEST_F(CycleTest, Profile1PollReadsThreePairsWithPausesBetween)
{
    StartSensor({});
    PollTick();

    const std::vector<SensorRequest> expected{ReadInput(247, 100, 2), ReadInput(247, 102, 2),
                                              ReadInput(247, 104, 2)};
    EXPECT_EQ(expected, Requests());
    EXPECT_EQ(PausesAfter({1, 2}), pauses);
    ASSERT_EQ(1u, window.measurements.size());
    EXPECT_EQ((ShownMeasurement{Profile1Text, MeasurementGreen}), window.measurements[0]);
    EXPECT_EQ(1, cycle.sensorProfile);
    EXPECT_EQ(5, cycle.presenceCount);
}

// Profile 1 is tried first; the profile 2 sensor refuses its registers and the detector
// moves on, so the second poll reads the one block of four.
TEST_F(CycleTest, Profile2SensorIsFoundOnTheSecondPoll)
{
    StartSensor(Profile2Sensor());
    PollTick();
    EXPECT_EQ(2, cycle.sensorProfile);
    EXPECT_EQ(0, cycle.presenceCount);
    PollTick();

    const std::vector<SensorRequest> expected{ReadInput(247, 100, 2), ReadInput(247, 0, 4)};
    EXPECT_EQ(expected, Requests());
    EXPECT_TRUE(pauses.empty());
    const std::vector<ShownMeasurement> shown{{"No sensor", MeasurementRed},
                                              {"1.25  0.00  655.35", MeasurementGreen}};
    EXPECT_EQ(shown, window.measurements);
    EXPECT_EQ(2, cycle.sensorProfile);
    EXPECT_EQ(5, cycle.presenceCount);
}

TEST_F(CycleTest, ValuesOfAnEarlyEndedPollAreShownAsAGoodPoll)
{
    SensorOptions options;
    options.fault = SensorFault::FirstRequestOnly;
    StartSensor(options);
    PollTick();

    const std::vector<SensorRequest> expected{ReadInput(247, 100, 2), ReadInput(247, 102, 2)};
    EXPECT_EQ(expected, Requests());
    EXPECT_EQ(PausesAfter({1}), pauses);
    ASSERT_EQ(1u, window.measurements.size());
    EXPECT_EQ((ShownMeasurement{"21.500  ", MeasurementGreen}), window.measurements[0]);
    EXPECT_EQ(5, cycle.presenceCount);
}

struct FaultCase {
    const char* name;
    SensorFault fault;
    const char* shown;
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.name;
}

class PollFaultTest : public CycleFixture, public testing::TestWithParam<FaultCase> { };

// What a real line does wrong: the poll either finds the reply or gives up within its
// time-outs, never hangs, and always gives the port back.
TEST_P(PollFaultTest, EndsInTheRightTextWithinItsTimeOuts)
{
    const FaultCase& c = GetParam();
    SensorOptions options;
    options.fault = c.fault;
    StartSensor(options);

    const auto started = std::chrono::steady_clock::now();
    PollTick();
    const auto elapsed = std::chrono::steady_clock::now() - started;

    const bool good = std::string(c.shown) != "No sensor";
    ASSERT_EQ(1u, window.measurements.size());
    EXPECT_EQ((ShownMeasurement{c.shown, good ? MeasurementGreen : MeasurementRed}),
              window.measurements[0]);
    EXPECT_EQ(good ? 1 : 2, cycle.sensorProfile);
    EXPECT_EQ(good ? 5 : 0, cycle.presenceCount);
    EXPECT_FALSE(cycle.port.IsOpen());
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

INSTANTIATE_TEST_SUITE_P(
    Line, PollFaultTest,
    testing::Values(
        FaultCase{"Silent", SensorFault::Silent, "No sensor"},
        FaultCase{"BadCrc", SensorFault::BadCrc, "No sensor"},
        FaultCase{"ExceptionReply", SensorFault::ExceptionReply, "No sensor"},
        FaultCase{"EndlessStream", SensorFault::EndlessStream, "No sensor"},
        FaultCase{"LeadingGarbage", SensorFault::LeadingGarbage, "21.500    1.000    -2.000  "},
        FaultCase{"OtherSlaveFirst", SensorFault::OtherSlaveFirst, "21.500    1.000    -2.000  "}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST_F(CycleTest, WithoutASensorTheProfilesAlternate)
{
    SensorOptions options;
    options.fault = SensorFault::Silent;
    StartSensor(options);

    std::vector<int> profiles;
    for (int poll = 0; poll < 4; ++poll) {
        PollTick();
        profiles.push_back(cycle.sensorProfile);
    }
    EXPECT_EQ((std::vector<int>{2, 1, 2, 1}), profiles);
    // The first poll already used profile 1's map.
    const std::vector<SensorRequest> expected{ReadInput(247, 100, 2), ReadInput(247, 0, 4),
                                              ReadInput(247, 100, 2), ReadInput(247, 0, 4)};
    EXPECT_EQ(expected, Requests());
    for (const ShownMeasurement& shown : window.measurements)
        EXPECT_EQ((ShownMeasurement{"No sensor", MeasurementRed}), shown);
}

TEST_F(CycleTest, APortThatCannotBeOpenedLeavesTheProfileUnchosen)
{
    window.portName = "ttyTwMissing";
    for (int poll = 0; poll < 3; ++poll) {
        PollTick();
        EXPECT_EQ(0, cycle.sensorProfile);
        EXPECT_EQ(0, cycle.presenceCount);
    }
    ASSERT_EQ(3u, window.measurements.size());
    EXPECT_EQ((ShownMeasurement{"No sensor", MeasurementRed}), window.measurements.back());
}

TEST_F(CycleTest, AGoodPollForgivesFiveFailedTicksAndTheSixthSwitches)
{
    StartSensor({});
    PollTick();
    ASSERT_EQ(5, cycle.presenceCount);

    sensor->SetFault(SensorFault::Silent);
    for (int failed = 1; failed <= 5; ++failed) {
        PollTick();
        EXPECT_EQ(1, cycle.sensorProfile) << "failed poll " << failed;
        EXPECT_EQ(5 - failed, cycle.presenceCount) << "failed poll " << failed;
    }
    PollTick();
    EXPECT_EQ(2, cycle.sensorProfile);
    EXPECT_EQ(0, cycle.presenceCount);
    EXPECT_EQ((ShownMeasurement{"No sensor", MeasurementRed}), window.measurements.back());
}

// Idle ticks and successful changes neither count against the sensor nor renew it.
TEST_F(CycleTest, OnlyPollsRenewThePresence)
{
    StartSensor({});
    PollTick();
    sensor->SetFault(SensorFault::Silent);
    PollTick();
    ASSERT_EQ(4, cycle.presenceCount);

    cycle.TimerComandTimer();
    SetTick();  // nothing differs: a success without traffic
    EXPECT_EQ(4, cycle.presenceCount);
    EXPECT_EQ(1, cycle.sensorProfile);
    EXPECT_EQ(std::vector<ShownMessage>{SuccessMessage}, window.messages);

    sensor->SetFault(SensorFault::None);
    PollTick();
    EXPECT_EQ(5, cycle.presenceCount);
}

TEST_F(CycleTest, ASetRequestDueWithThePollRunsFirst)
{
    StartSensor({});
    cycle.tickCount = 9;
    SetTick();
    EXPECT_EQ(std::vector<ShownMessage>{SuccessMessage}, window.messages);
    EXPECT_TRUE(window.measurements.empty());
    EXPECT_EQ(TickCycle::PollDue, cycle.commandFlags);

    cycle.TimerComandTimer();
    EXPECT_EQ(1u, window.measurements.size());
    EXPECT_EQ(3u, Requests().size());
    EXPECT_EQ(0, cycle.commandFlags);
    EXPECT_EQ(1, cycle.tickCount);
}

struct SelectionCase {
    int baudIndex;
    int parityIndex;
};

void PrintTo(const SelectionCase& c, std::ostream* os)
{
    *os << "baud " << c.baudIndex << " parity " << c.parityIndex;
}

class PollSelectionTest : public CycleFixture, public testing::TestWithParam<SelectionCase> { };

// A list without a valid selection has no line setting: the device is not even opened.
TEST_P(PollSelectionTest, ShowsNoSensorWithoutTouchingTheLine)
{
    StartSensor({});
    window.baudIndex = GetParam().baudIndex;
    window.parityIndex = GetParam().parityIndex;
    PollTick();

    EXPECT_EQ((ShownMeasurement{"No sensor", MeasurementRed}), window.measurements.at(0));
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(0, cycle.sensorProfile);
    EXPECT_FALSE(cycle.port.IsOpen());
}

// 259 would wrap to a valid 3 if cut to a byte.
INSTANTIATE_TEST_SUITE_P(OutOfList, PollSelectionTest,
                         testing::Values(SelectionCase{-1, 1}, SelectionCase{6, 1},
                                         SelectionCase{259, 1}, SelectionCase{3, -1},
                                         SelectionCase{3, 3}));

TEST(PortPath, NamesLiveUnderDevAndPathsStayAsTyped)
{
    EXPECT_EQ("/dev/ttyUSB0", TickCycle::PortPath("ttyUSB0"));
    EXPECT_EQ("/dev/pts/3", TickCycle::PortPath("/dev/pts/3"));
    EXPECT_EQ("/dev/serial/by-id/x", TickCycle::PortPath("serial/by-id/x"));
}

}  // namespace
