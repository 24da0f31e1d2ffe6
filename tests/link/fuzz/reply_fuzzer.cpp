// Whatever a line delivers must never make the Modbus master read or write outside its
// buffers, hang, or misbehave. The input's first two bytes choose the slave address, the
// buffer sizes and the quantity; the rest arrives as the line's bytes through a socket pair,
// whose end of data ends each read at once, so every run is quick.
#include "uPort.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// The port on a descriptor of the test's choosing; Read and Write work on any descriptor.
class SocketPort : public MyRs232Port {
public:
    SocketPort(int rxSize, int txSize, int fd)
        : MyRs232Port(rxSize, txSize)
    {
        handle = fd;
    }
};

// The window's sizes, the least the transactions rely on, and sizes too small for them.
constexpr int kBufferSizes[][2] = {{1024, 1024}, {260, 255}, {8, 8}, {3, 4}};

volatile uint16_t registerSink;

void ReadRegisters(const MyRs232Port& port)
{
    for (uint16_t index : {0, 1, 2, 3, 127, 128, 509, 510, 0xFFFF})
        registerSink = static_cast<uint16_t>(registerSink ^ port.GetRegister(index));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t slave = data[0];
    const uint8_t shape = data[1];
    data += 2;
    size -= 2;

    int line[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, line) != 0)
        return 0;
    size_t fed = 0;
    while (fed < size) {
        const ssize_t n = send(line[1], data + fed, size - fed, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n <= 0)
            break;  // what the socket cannot hold is left out
        fed += static_cast<size_t>(n);
    }
    shutdown(line[1], SHUT_WR);

    const auto& sizes = kBufferSizes[shape & 3];
    SocketPort port(sizes[0], sizes[1], line[0]);
    const uint16_t quantity = shape >> 2;  // 0 to 63
    uint8_t values[2 * 127];
    std::memset(values, shape, sizeof values);

    port.ReadInputRegisters(slave, 100, quantity);
    ReadRegisters(port);
    port.ReadHoldingRegisters(slave, 0, quantity);
    ReadRegisters(port);
    // Twice the quantity reaches past the 123 registers a write may carry.
    port.WriteMultipleRegisters(slave, 512, static_cast<uint16_t>(2 * quantity), values);
    port.WriteMultipleRegisters(0, 0, static_cast<uint16_t>(2 * quantity), values);
    ReadRegisters(port);

    port.Close();
    close(line[1]);
    return 0;
}
