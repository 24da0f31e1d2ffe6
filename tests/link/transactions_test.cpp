// The Modbus master against a scripted far end on the pseudo-terminal's master: the exact
// request bytes, GetRegister after short replies, and what a real line does wrong, each
// ending in false within its time bound.
#include "pty_pair.h"
#include "uPort.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;

enum class Ending { StayQuiet, HangUp, EndlessStream };

// Waits for a request of known length, then answers with the scripted bytes and ends as told.
class ScriptedPeer {
public:
    ScriptedPeer(PtyPair& pty, size_t requestLength, Bytes reply, Ending ending = Ending::StayQuiet)
        : thread([this, &pty, requestLength, reply = std::move(reply), ending] {
            request = pty.ReadFromSlave(requestLength, 2s);
            pty.WriteToSlave(reply);
            if (ending == Ending::HangUp)
                pty.HangUp();
            while (ending == Ending::EndlessStream && !stop)
                pty.WriteToSlave(Bytes(64, 0x55));
        })
    {
    }
    ~ScriptedPeer() { Join(); }

    // The request the peer received.
    const Bytes& Request()
    {
        Join();
        return request;
    }
    void Join()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }

private:
    Bytes request;
    std::atomic<bool> stop{false};
    std::thread thread;
};

class Transaction : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Ok());
        ASSERT_TRUE(port.Open(pty.SlavePath().c_str()));
        ASSERT_TRUE(port.Configure(9600, 2));
    }
    PtyPair pty;
    MyRs232Port port{1024, 1024};
};

const uint8_t kTen[] = {0x00, 0x0A};

}  // namespace

TEST_F(Transaction, SendsExactlyTheseRequestBytes)
{
    const struct {
        const char* what;
        std::function<bool(MyRs232Port&)> call;
        Bytes request;
        Bytes reply;
    } cases[] = {
        {"input registers 100-101 of 247",
         [](MyRs232Port& p) { return p.ReadInputRegisters(247, 100, 2); },
         {0xF7, 0x04, 0x00, 0x64, 0x00, 0x02, 0x24, 0x82},
         WithCrc({0xF7, 0x04, 0x04, 0, 1, 0, 2})},
        {"holding register 0 of 247",
         [](MyRs232Port& p) { return p.ReadHoldingRegisters(247, 0, 1); },
         {0xF7, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x9C},
         WithCrc({0xF7, 0x03, 0x02, 0, 1})},
        {"10 into register 512 of 247",
         [](MyRs232Port& p) { return p.WriteMultipleRegisters(247, 512, 1, kTen); },
         {0xF7, 0x10, 0x02, 0x00, 0x00, 0x01, 0x02, 0x00, 0x0A, 0x2A, 0x33},
         WithCrc({0xF7, 0x10, 0x02, 0x00, 0x00, 0x01})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPeer peer(pty, c.request.size(), c.reply);
        EXPECT_TRUE(c.call(port));
        EXPECT_EQ(peer.Request(), c.request);
        EXPECT_TRUE(pty.ReadFromSlave(1, 50ms).empty()) << "bytes after the request";
    }
}

TEST_F(Transaction, ABroadcastWriteReturnsOnceSentWithoutReadingAnything)
{
    ASSERT_TRUE(pty.WriteToSlave({0x42}));  // waiting in the input, must stay there
    const auto ms =
        MillisecondsOf([&] { EXPECT_TRUE(port.WriteMultipleRegisters(0, 0, 1, kTen)); });
    EXPECT_LT(ms, 200);
    EXPECT_EQ(pty.ReadFromSlave(12, 300ms),
              Bytes({0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x0A, 0x2B, 0xC7}));
    uint8_t waiting = 0;
    EXPECT_TRUE(port.Read(&waiting, 1));
    EXPECT_EQ(waiting, 0x42);
}

TEST_F(Transaction, AWriteOfMoreThan123RegistersSendsNothing)
{
    const Bytes values(2 * 124, 0x01);
    EXPECT_FALSE(port.WriteMultipleRegisters(247, 0, 124, values.data()));
    EXPECT_TRUE(pty.ReadFromSlave(1, 100ms).empty());

    // 123 registers make the longest frame, 255 bytes, still sent whole with a valid CRC.
    ScriptedPeer peer(pty, 255, {});
    EXPECT_TRUE(port.WriteMultipleRegisters(0, 0, 123, values.data()));
    const Bytes& sent = peer.Request();
    ASSERT_EQ(sent.size(), 255u);
    EXPECT_EQ(sent[6], 246);
    EXPECT_EQ(ReferenceCrc(sent.data(), sent.size()), 0);
}

TEST_F(Transaction, GetRegisterReadsTheBufferAsTheLastReplyLeftIt)
{
    const Bytes two = WithCrc({0xF7, 0x04, 0x04, 0x12, 0x34, 0xAB, 0xCD});
    {
        ScriptedPeer peer(pty, 8, two);
        ASSERT_TRUE(port.ReadInputRegisters(247, 100, 2));
    }
    EXPECT_EQ(port.GetRegister(0), 0x1234);
    EXPECT_EQ(port.GetRegister(1), 0xABCD);
    EXPECT_EQ(port.GetRegister(2), two[7] << 8 | two[8]) << "the CRC bytes as one value";
    EXPECT_EQ(port.GetRegister(3), 0xFFFF);
    EXPECT_EQ(port.GetRegister(509), 0xFFFF);
    EXPECT_EQ(port.GetRegister(510), 0xFFFF) << "beyond the buffer";
    EXPECT_EQ(port.GetRegister(0xFFFF), 0xFFFF);

    const Bytes one = WithCrc({0xF7, 0x03, 0x02, 0x00, 0x07});
    {
        ScriptedPeer peer(pty, 8, one);
        ASSERT_TRUE(port.ReadHoldingRegisters(247, 0, 1));
    }
    EXPECT_EQ(port.GetRegister(0), 0x0007);
    EXPECT_EQ(port.GetRegister(1), one[5] << 8 | one[6]);
    EXPECT_EQ(port.GetRegister(2), 0xFFFF) << "the 0xFF fill, not the previous reply";
}

TEST_F(Transaction, ReadsAReplyThroughWhatARealLineDoesWrongOrFailsInTime)
{
    const Bytes good = WithCrc({0xF7, 0x04, 0x04, 0x00, 0x15, 0x00, 0x2A});
    const Bytes otherSlave = WithCrc({0x01, 0x04, 0x04, 0x00, 0x01, 0x00, 0x02});
    Bytes badCrc = good;
    badCrc.back() ^= 0x01;
    Bytes hugeCount = {0xF7, 0x04, 251};
    hugeCount.resize(3 + 251 + 2, 0x00);
    auto concat = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    for (uint8_t b : otherSlave)
        ASSERT_NE(b, 0xF7) << "the other slave's reply must not hold our address";
    const long long kTimeout = 320;  // one byte's time-out at 9600 is 332 ms

    const struct {
        const char* what;
        Bytes reply;
        Ending ending;
        bool ok;
        long long atLeastMs, belowMs;
    } cases[] = {
        {"a clean reply", good, Ending::StayQuiet, true, 0, 200},
        {"garbage before the reply", concat({0x00, 0xFF, 0x13, 0x37}, good), Ending::StayQuiet,
         true, 0, 200},
        {"another slave's reply first", concat(otherSlave, good), Ending::StayQuiet, true, 0, 200},
        {"an exception reply", WithCrc({0xF7, 0x84, 0x02}), Ending::StayQuiet, false, 0, 200},
        {"a wrong CRC", badCrc, Ending::StayQuiet, false, 0, 200},
        {"a reply cut short", Bytes(good.begin(), good.end() - 2), Ending::StayQuiet, false,
         kTimeout, 1000},
        {"silence", {}, Ending::StayQuiet, false, kTimeout, 1000},
        {"a hang-up mid-reply", Bytes(good.begin(), good.begin() + 4), Ending::HangUp, false, 0,
         kTimeout},
        {"an endless stream without the address", {}, Ending::EndlessStream, false, 0, 1000},
        {"a byte count above 250", hugeCount, Ending::StayQuiet, false, 0, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PtyPair line;
        ASSERT_TRUE(line.Ok());
        MyRs232Port fresh(1024, 1024);
        ASSERT_TRUE(fresh.Open(line.SlavePath().c_str()));
        ASSERT_TRUE(fresh.Configure(9600, 2));
        ScriptedPeer peer(line, 8, c.reply, c.ending);
        bool ok = !c.ok;
        const auto ms = MillisecondsOf([&] { ok = fresh.ReadInputRegisters(247, 100, 2); });
        EXPECT_EQ(ok, c.ok);
        EXPECT_GE(ms, c.atLeastMs);
        EXPECT_LT(ms, c.belowMs);
        if (c.ok) {
            EXPECT_EQ(fresh.GetRegister(0), 0x15);
            EXPECT_EQ(fresh.GetRegister(1), 0x2A);
        }
        peer.Join();
    }
}

TEST_F(Transaction, AReplyWithAWrongCrcStillLeavesItsRegistersInTheBuffer)
{
    Bytes reply = WithCrc({0xF7, 0x03, 0x02, 0x00, 0x02});
    reply[5] ^= 0xFF;
    ScriptedPeer peer(pty, 8, reply);
    EXPECT_FALSE(port.ReadHoldingRegisters(247, 1, 1));
    EXPECT_EQ(port.GetRegister(0), 0x0002);
}

TEST_F(Transaction, AWriteFailsOnAnExceptionOrABadCrcAndSucceedsOnTheEcho)
{
    const Bytes echo = WithCrc({0xF7, 0x10, 0x00, 0x00, 0x00, 0x01});
    Bytes badEcho = echo;
    badEcho[7] ^= 0x10;
    const struct {
        const char* what;
        Bytes reply;
        bool ok;
    } cases[] = {
        {"the echo", echo, true},
        {"an exception reply", WithCrc({0xF7, 0x90, 0x02}), false},
        {"a wrong CRC", badEcho, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPeer peer(pty, 11, c.reply);
        EXPECT_EQ(port.WriteMultipleRegisters(247, 0, 1, kTen), c.ok);
        peer.Join();
        tcflush(pty.Slave(), TCIFLUSH);  // what a failed reply left must not meet the next case
    }
}

// Bytes that came in with a reply but after it belong to no transaction yet: like bytes
// left in the driver, they meet the next reply's synchronisation, and closing drops them.
TEST_F(Transaction, BytesAfterAReplyMeetTheNextSynchronisationAndCloseDropsThem)
{
    const Bytes first = WithCrc({0xF7, 0x03, 0x02, 0x00, 0x01});
    const Bytes second = WithCrc({0xF7, 0x03, 0x02, 0x00, 0x02});
    Bytes firstThenStray = first;
    firstThenStray.insert(firstThenStray.end(), {0x11, 0x22});
    {
        ScriptedPeer peer(pty, 8, firstThenStray);
        ASSERT_TRUE(port.ReadHoldingRegisters(247, 0, 1));
    }
    EXPECT_EQ(port.GetRegister(0), 1);
    {
        ScriptedPeer peer(pty, 8, second);
        ASSERT_TRUE(port.ReadHoldingRegisters(247, 0, 1)) << "the stray bytes are skipped";
    }
    EXPECT_EQ(port.GetRegister(0), 2);

    // A reply and, in the same burst, the start of another: the port is closed in between,
    // so the leftover F7 must not pass for the next reply's first byte.
    Bytes replyThenAddress = first;
    replyThenAddress.push_back(0xF7);
    {
        ScriptedPeer peer(pty, 8, replyThenAddress);
        ASSERT_TRUE(port.ReadHoldingRegisters(247, 0, 1));
    }
    port.Close();
    tcflush(pty.Slave(), TCIFLUSH);  // what a serial driver does with its input at close
    ASSERT_TRUE(port.Open(pty.SlavePath().c_str()));
    ASSERT_TRUE(port.Configure(9600, 2));
    {
        ScriptedPeer peer(pty, 8, second);
        ASSERT_TRUE(port.ReadHoldingRegisters(247, 0, 1));
    }
    EXPECT_EQ(port.GetRegister(0), 2);
}
