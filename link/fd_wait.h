// Waiting on a descriptor until an absolute deadline, so that every read and write of the
// port ends when its time-out says, whatever blocking behaviour the device's settings give.
#pragma once

#include <chrono>

using PortClock = std::chrono::steady_clock;

// Waits until fd reports any of events (POLLIN, POLLOUT) or a hang-up. False when the
// deadline passes first or the descriptor reports an error (a hung-up terminal does); a
// hang-up without an error counts as ready, so the read or write that follows meets the end.
bool WaitForFd(int fd, short events, PortClock::time_point deadline);
