// ppoll() rather than poll(): the time-outs have millisecond precision and poll()'s
// millisecond argument would round each wait once more.
#include "fd_wait.h"

#include <poll.h>

#include <cerrno>
#include <ctime>

bool WaitForFd(int fd, short events, PortClock::time_point deadline)
{
    pollfd watched{fd, events, 0};
    for (;;) {
        const auto left = deadline - PortClock::now();
        if (left <= PortClock::duration::zero())
            return false;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec wait{static_cast<time_t>(ns / 1'000'000'000),
                            static_cast<long>(ns % 1'000'000'000)};
        const int ready = ppoll(&watched, 1, &wait, nullptr);
        if (ready > 0)
            return (watched.revents & (POLLERR | POLLNVAL)) == 0;
        if (ready < 0 && errno != EINTR)
            return false;
        // Nothing yet, or a signal: the loop re-checks the deadline and waits out the rest.
    }
}
