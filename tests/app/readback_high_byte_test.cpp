// A sensor may keep something of its own in the high byte of a configuration register; no
// simulated sensor does that, so a scripted peer on a pseudo-terminal plays this one.
#include "pty_pair.h"
#include "recording_window.h"
#include "tick_cycle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(ReadbackHighByte, OnlyTheLowByteIsCompared)
{
    PtyPair line;
    ASSERT_TRUE(line.Ok());
    // The broadcast write (11 bytes) and the read-back request at the new address (8 bytes),
    // answered with 266: high byte 1, low byte 10.
    Bytes received;
    std::thread peer([&] {
        received = line.ReadFromSlave(19, std::chrono::seconds(5));
        line.WriteToSlave(WithCrc({10, 3, 2, 0x01, 0x0A}));
    });
    RecordingWindow window;
    window.portName = line.SlavePath();
    window.addressNew = 10;
    TickCycle cycle(window, [](unsigned) {});

    cycle.RequestSet();
    cycle.TimerComandTimer();
    peer.join();

    const Bytes expected{0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x0A, 0x2B,
                         0xC7, 0x0A, 0x03, 0x00, 0x00, 0x00, 0x01, 0x85, 0x71};
    EXPECT_EQ(expected, received);
    EXPECT_EQ(10, window.address);
    ASSERT_EQ(1u, window.messages.size());
    EXPECT_EQ("Parameters updated", window.messages[0].caption);
}

}  // namespace
