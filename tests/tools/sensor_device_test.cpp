// The sensor serving a device it is given instead of a pseudo-terminal of its own. The
// device is the slave of the test's own pseudo-terminal; the test plays the tool on the
// master with hand-built frames, and reads the line settings back through the master,
// which on Linux reports the slave's. A pseudo-terminal keeps no parity-enable bit, so of
// the parity only odd against even or none shows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "line_faults.h"
#include "virtual_sensor.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes WithCrc(Bytes frame)
{
    const uint16_t crc = ModbusCrc(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

// The far end of the line, where the tool would be.
class DeviceLine {
public:
    DeviceLine()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[PATH_MAX];
        if (master != -1 && grantpt(master) == 0 && unlockpt(master) == 0 &&
            ptsname_r(master, name, sizeof name) == 0) {
            path = name;
        }
    }
    ~DeviceLine()
    {
        if (master != -1)
            close(master);
    }
    DeviceLine(const DeviceLine&) = delete;
    DeviceLine& operator=(const DeviceLine&) = delete;

    bool Ok() const { return !path.empty(); }
    const std::string& Path() const { return path; }

    bool Send(const Bytes& frame) const
    {
        return write(master, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
    }

    // What arrives until count bytes are in or a second has passed.
    Bytes Receive(size_t count) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        Bytes bytes;
        while (bytes.size() < count) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd fd{master, POLLIN, 0};
            if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                break;
            uint8_t chunk[256];
            const ssize_t got = read(master, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (got <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        return bytes;
    }

    // A request and the reply it gets, which should be exactly `expected`.
    Bytes Transact(const Bytes& request, size_t expected) const
    {
        if (!Send(WithCrc(request)))
            return {};
        return Receive(expected);
    }

    termios Settings() const
    {
        termios settings{};
        tcgetattr(master, &settings);
        return settings;
    }

private:
    int master = -1;
    std::string path;
};

void ExpectLine(const termios& settings, speed_t speed, bool odd)
{
    EXPECT_EQ(cfgetospeed(&settings), speed);
    EXPECT_EQ(cfgetispeed(&settings), speed);
    EXPECT_EQ((settings.c_cflag & PARODD) != 0, odd);
    EXPECT_EQ(settings.c_cflag & (CSIZE | CSTOPB), tcflag_t(CS8));
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
}

// 1 when the device refuses other opens, 0 when it takes them, -1 when it cannot tell.
// Asked rather than tried, since root may open an exclusive terminal all the same.
int Exclusive(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1)
        return errno == EBUSY ? 1 : -1;
    int flag = -1;
    if (ioctl(fd, TIOCGEXCL, &flag) != 0)
        flag = -1;
    close(fd);
    return flag;
}

struct LineCase {
    unsigned baud;
    uint8_t parity;
    speed_t speed;
    bool odd;
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.baud << " baud, parity index " << int(c.parity);
}

}  // namespace

class DeviceSettings : public ::testing::TestWithParam<LineCase> { };

// Parity indexes count None, Even, Odd, unlike the tool's own parity codes.
INSTANTIATE_TEST_SUITE_P(Table, DeviceSettings,
                         ::testing::Values(LineCase{1200, 0, B1200, false},
                                           LineCase{9600, 1, B9600, false},
                                           LineCase{38400, 2, B38400, true}));

TEST_P(DeviceSettings, SetsTheDeviceRawAtItsOwnSpeedAndParity)
{
    const LineCase c = GetParam();
    DeviceLine line;
    ASSERT_TRUE(line.Ok());
    VirtualSensor sensor({.baud = c.baud, .parity = c.parity, .device = line.Path()});
    ASSERT_TRUE(sensor.Start());
    EXPECT_EQ(sensor.DevicePath(), line.Path());
    ExpectLine(line.Settings(), c.speed, c.odd);
}

// Input registers 100 and 101 of profile 1 hold 21.5 (0x41AC0000), low-order half first.
TEST(SensorOnDevice, AnswersAHandBuiltRequest)
{
    DeviceLine line;
    ASSERT_TRUE(line.Ok());
    VirtualSensor sensor({.device = line.Path()});
    ASSERT_TRUE(sensor.Start());

    EXPECT_EQ(line.Transact({247, 4, 0, 100, 0, 2}, 9),
              WithCrc({247, 4, 4, 0x00, 0x00, 0x41, 0xAC}));
    EXPECT_EQ(line.Transact({247, 3, 0, 7, 0, 1}, 5), WithCrc({247, 0x83, 2}));
    const std::vector<SensorRequest> expected{{247, 4, 100, 2, {}}, {247, 3, 7, 1, {}}};
    EXPECT_EQ(sensor.Requests(), expected);
}

// Profile 2 takes 19200 baud (index 4) and odd parity (index 2) at its power cycle, moves
// the device to them, and answers there.
TEST(SensorOnDevice, RestartMovesTheDeviceToTheWrittenSettings)
{
    DeviceLine line;
    ASSERT_TRUE(line.Ok());
    VirtualSensor sensor({.profile = 2, .device = line.Path()});
    ASSERT_TRUE(sensor.Start());
    ASSERT_EQ(line.Transact({247, 16, 0x02, 0x01, 0, 1, 2, 0, 4}, 8),
              WithCrc({247, 16, 0x02, 0x01, 0, 1}));
    ASSERT_EQ(line.Transact({247, 16, 0x02, 0x03, 0, 1, 2, 0, 2}, 8),
              WithCrc({247, 16, 0x02, 0x03, 0, 1}));
    ExpectLine(line.Settings(), B9600, false);

    ASSERT_TRUE(sensor.Restart());
    ExpectLine(line.Settings(), B19200, true);
    EXPECT_EQ(line.Transact({247, 3, 0x02, 0x01, 0, 1}, 7), WithCrc({247, 3, 2, 0, 4}));
}

TEST(SensorOnDevice, RefusesDevicesItCannotServe)
{
    DeviceLine line;
    ASSERT_TRUE(line.Ok());
    VirtualSensor served({.device = line.Path()});
    ASSERT_TRUE(served.Start());

    const char* refused[] = {"/nonexistent/ttyUSB9", "/dev/null", line.Path().c_str()};
    for (const char* device : refused) {
        VirtualSensor sensor({.device = device});
        EXPECT_FALSE(sensor.Start()) << device;
    }
    // The refused sensor left the first one's claim and its line alone.
    EXPECT_EQ(line.Transact({247, 3, 0, 0, 0, 1}, 7), WithCrc({247, 3, 2, 0, 247}));
}

// Without releasing its claim a sensor would leave the device busy for everyone but root.
TEST(SensorOnDevice, DeviceIsFreeAgainOnceItsSensorIsGone)
{
    DeviceLine line;
    ASSERT_TRUE(line.Ok());
    {
        VirtualSensor first({.device = line.Path()});
        ASSERT_TRUE(first.Start());
        EXPECT_EQ(Exclusive(line.Path()), 1);
    }
    EXPECT_EQ(Exclusive(line.Path()), 0);
    VirtualSensor second({.device = line.Path()});
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(line.Transact({247, 3, 0, 0, 0, 1}, 7), WithCrc({247, 3, 2, 0, 247}));
}
