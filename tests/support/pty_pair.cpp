// openpty() gives both ends; the master is made non-blocking so the test's reads can have
// deadlines of their own.
#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

PtyPair::PtyPair()
{
    char name[PATH_MAX];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    slavePath = name;
}

PtyPair::~PtyPair()
{
    HangUp();
    if (slave != -1)
        close(slave);
}

bool PtyPair::WriteToSlave(const Bytes& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(master, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else {
            pollfd room{master, POLLOUT, 0};
            if (poll(&room, 1, 1000) != 1)
                return false;
        }
    }
    return true;
}

Bytes PtyPair::ReadFromSlave(size_t count, std::chrono::milliseconds wait)
{
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    uint8_t chunk[512];
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{master, POLLIN, 0};
        if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) != 1)
            break;
        const ssize_t n = read(master, chunk, std::min(sizeof chunk, count - got.size()));
        if (n <= 0)
            break;
        got.insert(got.end(), chunk, chunk + n);
    }
    return got;
}

void PtyPair::HangUp()
{
    if (master != -1)
        close(master);
    master = -1;
}

uint16_t ReferenceCrc(const uint8_t* data, size_t length)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

Bytes WithCrc(Bytes bytes)
{
    const uint16_t crc = ReferenceCrc(bytes.data(), bytes.size());
    bytes.push_back(static_cast<uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<uint8_t>(crc >> 8));
    return bytes;
}
