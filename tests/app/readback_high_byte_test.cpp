// A sensor may keep something of its own in the high byte of a configuration register; no
// simulated sensor does that, so a scripted peer on a pseudo-terminal plays this one.
#include "recording_window.h"
#include "tick_cycle.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

// Reads `count` request bytes from the line, then answers with `reply` and its CRC.
class ScriptedPeer {
public:
    ScriptedPeer(std::size_t count, std::vector<uint8_t> reply)
        : count(count)
        , reply(std::move(reply))
    {
        const uint16_t crc =
            MyRs232Port::Crc16(this->reply.data(), static_cast<uint8_t>(this->reply.size()));
        this->reply.push_back(static_cast<uint8_t>(crc & 0xFF));
        this->reply.push_back(static_cast<uint8_t>(crc >> 8));
    }

    ~ScriptedPeer()
    {
        if (thread.joinable())
            thread.join();
        if (master != -1)
            close(master);
        if (slave != -1)
            close(slave);
    }

    bool Start()
    {
        char name[64];
        // The slave stays open here so the line never hangs up between the tool's opens.
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return false;
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        path = name;
        thread = std::thread([this] { Serve(); });
        return true;
    }

    std::string path;
    std::vector<uint8_t> received;

private:
    void Serve()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (received.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd waiting{master, POLLIN, 0};
            if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) <= 0)
                return;
            uint8_t byte;
            if (read(master, &byte, 1) != 1)
                return;
            received.push_back(byte);
        }
        (void)!write(master, reply.data(), reply.size());
    }

    std::size_t count;
    std::vector<uint8_t> reply;
    int master = -1;
    int slave = -1;
    std::thread thread;
};

TEST(ReadbackHighByte, OnlyTheLowByteIsCompared)
{
    // The broadcast write (11 bytes) and the read-back request at the new address (8 bytes),
    // answered with 266: high byte 1, low byte 10.
    ScriptedPeer peer(19, {10, 3, 2, 0x01, 0x0A});
    ASSERT_TRUE(peer.Start());
    RecordingWindow window;
    window.portName = peer.path;
    window.addressNew = 10;
    TickCycle cycle(window, [](unsigned) {});

    cycle.RequestSet();
    cycle.TimerComandTimer();

    const std::vector<uint8_t> expected{0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x0A, 0x2B,
                                        0xC7, 0x0A, 0x03, 0x00, 0x00, 0x00, 0x01, 0x85, 0x71};
    EXPECT_EQ(expected, peer.received);
    EXPECT_EQ(10, window.address);
    ASSERT_EQ(1u, window.messages.size());
    EXPECT_EQ("Parameters updated", window.messages[0].caption);
}

}  // namespace
