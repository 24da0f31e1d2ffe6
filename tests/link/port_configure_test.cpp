// Configure: the settings the terminal holds afterwards, read back with tcgetattr, the
// time-outs it derives from the baud rate, and the rates it refuses.
#include "pty_pair.h"
#include "uPort.h"

#include <gtest/gtest.h>
#include <termios.h>

namespace {

// Shows the time-outs, which only the port's reads and writes use.
class InspectedPort : public MyRs232Port {
public:
    InspectedPort()
        : MyRs232Port(1024, 1024)
    {
    }
    const Timeouts& CurrentTimeouts() const { return timeouts; }
};

class ConfiguredPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Ok());
        ASSERT_TRUE(port.Open(pty.SlavePath().c_str()));
    }
    termios Held()
    {
        termios held{};
        EXPECT_EQ(tcgetattr(pty.Slave(), &held), 0);
        return held;
    }
    PtyPair pty;
    InspectedPort port;
};

}  // namespace

TEST_F(ConfiguredPty, LeavesAnEightBitTransparentLineAtTheRequestedSpeed)
{
    const struct {
        uint32_t baud;
        speed_t code;
        uint8_t parity;
    } cases[] = {{1200, B1200, 0}, {2400, B2400, 1},   {4800, B4800, 2},
                 {9600, B9600, 2}, {19200, B19200, 0}, {38400, B38400, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.baud << " baud, parity code " << int(c.parity));
        ASSERT_TRUE(port.Configure(c.baud, c.parity));
        const termios held = Held();
        EXPECT_EQ(cfgetispeed(&held), c.code);
        EXPECT_EQ(cfgetospeed(&held), c.code);
        EXPECT_EQ(held.c_cflag & CSIZE, tcflag_t(CS8));
        EXPECT_EQ(held.c_cflag & (CSTOPB | CRTSCTS), 0u);
        EXPECT_EQ(held.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
        // A pseudo-terminal holds no parity; it must at least never show the wrong one.
        if (held.c_cflag & PARENB) {
            EXPECT_EQ(held.c_cflag & (PARENB | PARODD),
                      c.parity == 1 ? tcflag_t(PARENB | PARODD) : tcflag_t(PARENB));
        }
        EXPECT_EQ(held.c_iflag &
                      (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK | PARMRK |
                       IGNBRK | BRKINT),
                  0u);
        EXPECT_EQ(held.c_oflag & OPOST, 0u);
        EXPECT_EQ(held.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
        EXPECT_EQ(held.c_cc[VMIN], 0);
        EXPECT_EQ(held.c_cc[VTIME], 0);
    }
}

TEST_F(ConfiguredPty, SucceedsAgainWithTheSameSettingsThoughThePseudoTerminalDropsParity)
{
    // The tool configures at every poll; tcsetattr fails here once only the parity differs.
    for (int poll = 0; poll < 3; ++poll)
        EXPECT_TRUE(port.Configure(9600, 2)) << "poll " << poll;
    EXPECT_TRUE(port.Configure(9600, 1));
    EXPECT_TRUE(port.Configure(9600, 0));
}

TEST_F(ConfiguredPty, DerivesTheTimeoutsFromTheBaudRate)
{
    const struct {
        uint32_t baud;
        unsigned interval, multiplier;
    } table[] = {{1200, 256, 356}, {2400, 128, 228}, {4800, 64, 164},
                 {9600, 32, 132},  {19200, 16, 116}, {38400, 8, 108}};
    for (const auto& row : table) {
        ASSERT_TRUE(port.Configure(row.baud, 2));
        const auto& t = port.CurrentTimeouts();
        EXPECT_EQ(t.readInterval, row.interval) << row.baud;
        EXPECT_EQ(t.readTotalMultiplier, row.multiplier) << row.baud;
        EXPECT_EQ(t.readTotalConstant, 200u);
        EXPECT_EQ(t.writeTotalMultiplier, 1000u);
        EXPECT_EQ(t.writeTotalConstant, 20u);
    }
}

TEST_F(ConfiguredPty, RefusesRatesBelow1200UnknownRatesAndParityCodesLeavingTheLineAlone)
{
    ASSERT_TRUE(port.Configure(9600, 2));
    const struct {
        uint32_t baud;
        uint8_t parity;
    } refused[] = {{0, 2}, {300, 2}, {1199, 0}, {10000, 0}, {9600, 3}, {9600, 255}};
    for (const auto& r : refused) {
        EXPECT_FALSE(port.Configure(r.baud, r.parity)) << r.baud << " " << int(r.parity);
        const termios held = Held();
        EXPECT_EQ(cfgetospeed(&held), speed_t(B9600));
        EXPECT_EQ(port.CurrentTimeouts().readTotalMultiplier, 132u);
    }
    EXPECT_TRUE(port.IsOpen());
}

TEST(PortConfigure, FailsOnAClosedPort)
{
    MyRs232Port port(1024, 1024);
    EXPECT_FALSE(port.Configure(9600, 2));
}
