// How fast the tool's Modbus master reads a sensor compared with libmodbus's own master
// on the same line, what opening and configuring the port around every transaction costs,
// and how long the master waits for a byte that never comes.
//
//   bench-link [--device PATH] [--count N] [--only held|reopen|libmodbus]
//
// Without a device it starts a virtual sensor of its own. Naming one measurement runs
// only that one, so an instruction counter (valgrind --tool=callgrind) sees nothing else.
#include <modbus/modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "uPort.h"
#include "virtual_sensor.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t slave = 247;
constexpr uint16_t firstRegister = 100;
constexpr uint16_t quantity = 2;
constexpr uint32_t baud = 9600;
constexpr uint8_t evenParityCode = 2;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Transactions per second, or 0 when any transaction failed.
double OursHeldOpen(const char* device, int count)
{
    MyRs232Port port(1024, 1024);
    if (!port.Open(device) || !port.Configure(baud, evenParityCode))
        return 0;
    const auto start = Clock::now();
    bool ok = true;
    for (int i = 0; i < count && ok; ++i)
        ok = port.ReadInputRegisters(slave, firstRegister, quantity);
    const double seconds = SecondsSince(start);
    port.Close();
    return ok ? count / seconds : 0;
}

double OursReopened(const char* device, int count)
{
    MyRs232Port port(1024, 1024);
    const auto start = Clock::now();
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        ok = port.Open(device) && port.Configure(baud, evenParityCode) &&
            port.ReadInputRegisters(slave, firstRegister, quantity);
        port.Close();
    }
    return ok ? count / SecondsSince(start) : 0;
}

// Mean microseconds of open, configure and close alone; negative on failure.
double OpenConfigureCloseUs(const char* device, int count)
{
    MyRs232Port port(1024, 1024);
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        const bool ok = port.Open(device) && port.Configure(baud, evenParityCode);
        port.Close();
        if (!ok)
            return -1;
    }
    return SecondsSince(start) * 1e6 / count;
}

double LibmodbusHeldOpen(const char* device, int count)
{
    modbus_t* modbus = modbus_new_rtu(device, static_cast<int>(baud), 'E', 8, 1);
    if (modbus == nullptr)
        return 0;
    double rate = 0;
    if (modbus_set_slave(modbus, slave) == 0 && modbus_connect(modbus) == 0) {
        uint16_t registers[quantity];
        const auto start = Clock::now();
        bool ok = true;
        for (int i = 0; i < count && ok; ++i) {
            ok =
                modbus_read_input_registers(modbus, firstRegister, quantity, registers) == quantity;
        }
        if (ok)
            rate = count / SecondsSince(start);
        modbus_close(modbus);
    }
    modbus_free(modbus);
    return rate;
}

// Milliseconds a read waits for the first byte of a reply that never comes; negative on
// failure to set up.
double OneByteTimeoutMs(int count)
{
    VirtualSensor silent({.fault = SensorFault::Silent});
    MyRs232Port port(1024, 1024);
    if (!silent.Start() || !port.Open(silent.DevicePath().c_str()) ||
        !port.Configure(baud, evenParityCode)) {
        return -1;
    }
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        port.ReadInputRegisters(slave, firstRegister, quantity);
    return SecondsSince(start) * 1e3 / count;
}

constexpr const char* usage =
    "usage: bench-link [--device PATH] [--count N] [--only held|reopen|libmodbus]\n";

bool ParseArguments(int argc, char** argv, std::string& device, int& count, std::string& only)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--device") {
            device = argv[i + 1];
        } else if (option == "--count") {
            count = std::atoi(argv[i + 1]);
        } else if (option == "--only") {
            only = argv[i + 1];
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && count > 0 &&
        (only.empty() || only == "held" || only == "reopen" || only == "libmodbus");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string device;
    int count = 2000;
    std::string only;
    if (!ParseArguments(argc, argv, device, count, only)) {
        std::fputs(usage, stderr);
        return 2;
    }
    VirtualSensor sensor({});
    if (device.empty()) {
        if (!sensor.Start()) {
            std::fputs("bench-link: cannot start the virtual sensor\n", stderr);
            return 1;
        }
        device = sensor.DevicePath();
    }
    const char* path = device.c_str();

    if (only == "held")
        return OursHeldOpen(path, count) > 0 ? 0 : 1;
    if (only == "reopen")
        return OursReopened(path, count) > 0 ? 0 : 1;
    if (only == "libmodbus")
        return LibmodbusHeldOpen(path, count) > 0 ? 0 : 1;

    std::printf("device %s, %d read transactions per measurement (slave 247, input registers 100, "
                "quantity 2, 9600 8E1)\n",
                path, count);
    // The two masters take turns, best round each, so a busy moment on the shared machine
    // does not fall on one of them only.
    constexpr int rounds = 5;
    const int perRound = std::max(1, count / rounds);
    double held = 0;
    double libmodbus = 0;
    for (int round = 0; round < rounds; ++round) {
        held = std::max(held, OursHeldOpen(path, perRound));
        libmodbus = std::max(libmodbus, LibmodbusHeldOpen(path, perRound));
    }
    const double reopened = OursReopened(path, count);
    std::printf("ours, held open:                     %.0f transactions/s\n", held);
    std::printf("ours, open+configure+close each:     %.0f transactions/s\n", reopened);
    std::printf("libmodbus, held open:                %.0f transactions/s\n", libmodbus);
    if (libmodbus > 0)
        std::printf("ratio ours/libmodbus, held open:     %.2f\n", held / libmodbus);
    std::printf("open+configure+close, mean:          %.1f us\n",
                OpenConfigureCloseUs(path, count));
    std::printf("one-byte time-out at 9600, mean:     %.1f ms\n", OneByteTimeoutMs(3));
    return held > 0 && reopened > 0 && libmodbus > 0 ? 0 : 1;
}
