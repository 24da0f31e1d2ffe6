// Reading and writing the port within the time-outs Configure derived from the baud rate.
// The descriptor stays non-blocking for its whole life, so no read() or write() can wait on
// its own, whatever VMIN/VTIME, flow control or carrier say; the waiting is done by ppoll()
// with the remaining deadline, and only when nothing is there yet.
#include "fd_wait.h"
#include "uPort.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace {

std::chrono::milliseconds Milliseconds(unsigned long long ms)
{
    return std::chrono::milliseconds(ms);
}

}  // namespace

bool MyPort::Read(uint8_t* buffer, int count)
{
    if (count < 0)
        return false;
    // The usual case while a reply comes in: what is asked for has already arrived. It is
    // kept apart from the waiting below so that it costs a handful of instructions a byte.
    if (arrivedEnd - arrivedStart >= count) {
        for (int i = 0; i < count; ++i)
            buffer[i] = arrived[arrivedStart++];
        return true;
    }
    return ReadWaiting(buffer, count);
}

bool MyPort::ReadWaiting(uint8_t* buffer, int count)
{
    // The clock is read only when a wait is due: bytes that have already arrived are taken at
    // once, and a wait's starting point is then at most one system call late.
    PortClock::time_point total{};
    bool waitedBefore = false;
    bool byteSinceWait = false;
    bool woken = false;
    int got = 0;
    while (got < count) {
        if (arrivedStart < arrivedEnd) {
            const int take = std::min(count - got, arrivedEnd - arrivedStart);
            std::copy_n(arrived + arrivedStart, take, buffer + got);
            arrivedStart += take;
            got += take;
            woken = false;
            byteSinceWait = true;
            continue;
        }
        const ssize_t n = read(handle, arrived, sizeof arrived);
        if (n > 0) {
            arrivedStart = 0;
            arrivedEnd = static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;  // EIO from a pseudo-terminal whose peer closed, an unplugged adapter
        // With VMIN = 0 a terminal answers 0 both for "nothing yet" and for end of file. Right
        // after ppoll() said readable, nothing means end of file or hang-up: give up rather
        // than spin.
        if (woken)
            return false;
        const auto now = PortClock::now();
        if (!waitedBefore) {
            total = now +
                Milliseconds(static_cast<unsigned long long>(timeouts.readTotalMultiplier) * count +
                             timeouts.readTotalConstant);
            waitedBefore = true;
        }
        // The interval limit runs from the last byte that arrived, within the total.
        auto deadline = total;
        if (byteSinceWait && timeouts.readInterval > 0)
            deadline = std::min(total, now + Milliseconds(timeouts.readInterval));
        byteSinceWait = false;
        if (!WaitForFd(handle, POLLIN, deadline))
            return false;
        woken = true;
    }
    return true;
}

bool MyPort::Write(const uint8_t* data, int count)
{
    if (handle == -1 || count < 0)
        return false;
    const auto deadline = PortClock::now() +
        Milliseconds(static_cast<unsigned long long>(timeouts.writeTotalMultiplier) * count +
                     timeouts.writeTotalConstant);
    int sent = 0;
    while (sent < count) {
        const ssize_t n = write(handle, data + sent, count - sent);
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            return false;
        // Output buffer full (flow control, a slow line): wait for room within the time-out.
        if (!WaitForFd(handle, POLLOUT, deadline))
            return false;
    }
    return true;
}
