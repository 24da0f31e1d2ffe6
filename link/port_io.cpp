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

PortClock::time_point After(unsigned long long ms)
{
    return PortClock::now() + std::chrono::milliseconds(ms);
}

}  // namespace

bool MyPort::Read(uint8_t* buffer, int count)
{
    if (count < 0)
        return false;
    const auto total = After(static_cast<unsigned long long>(timeouts.readTotalMultiplier) * count +
                             timeouts.readTotalConstant);
    auto deadline = total;
    int got = 0;
    bool woken = false;
    while (got < count) {
        const ssize_t n = read(handle, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<int>(n);
            woken = false;
            // The interval limit runs from the last byte that arrived, within the total.
            if (timeouts.readInterval > 0)
                deadline = std::min(total, After(timeouts.readInterval));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;  // EIO from a pseudo-terminal whose peer closed, an unplugged adapter
        // With VMIN = 0 a terminal answers 0 both for "nothing yet" and for end of file. Right
        // after ppoll() said readable, nothing means end of file or hang-up: give up rather
        // than spin.
        if (woken || !WaitForFd(handle, POLLIN, deadline))
            return false;
        woken = true;
    }
    return true;
}

bool MyPort::Write(const uint8_t* data, int count)
{
    if (handle == -1 || count < 0)
        return false;
    const auto deadline = After(static_cast<unsigned long long>(timeouts.writeTotalMultiplier) * count +
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
