// The virtual sensor as a program beside the tool's window: it prints the device to type
// into "Serial Port", then every request it hears, and power-cycles on Enter or SIGHUP.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "virtual_sensor.h"

namespace {

constexpr const char* usage =
    "Usage: virtual-sensor [--profile 1|2] [--address N] [--baud N] [--values a,b,c]\n"
    "                      [--fault NAME] [--device PATH]\n"
    "Plays a Modbus RTU sensor on a new pseudo-terminal (or on --device) and prints the\n"
    "device path first, then one line per request heard. Enter (on a terminal) or SIGHUP\n"
    "power-cycles it, which applies the settings written to it; Ctrl-C or SIGTERM ends it.\n"
    "  --profile  register map: 1 (floats at 100..105) or 2 (hundredths at 0..3); 1\n"
    "  --address  slave address 1..247; 247\n"
    "  --baud     1200, 2400, 4800, 9600, 19200 or 38400; 9600\n"
    "  --values   the three measurements; 21.5,1,-2\n"
    "  --fault    none, silent, first-only, bad-crc, exception, leading-garbage,\n"
    "             other-slave-first, endless-stream, readback-differs; none\n"
    "  --device   a serial device to serve, such as /dev/ttyUSB1, at the sensor's speed\n"
    "             and parity (8 data bits, 1 stop bit); a new pseudo-terminal\n";

constexpr const char* parityNames[] = {"None", "Even", "Odd"};

bool ParseNumber(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

bool ParseValues(const char* text, std::array<double, 3>& values)
{
    const char* p = text;
    for (size_t i = 0; i < values.size(); ++i) {
        char* end = nullptr;
        values[i] = std::strtod(p, &end);
        if (end == p)
            return false;
        const char expected = i + 1 < values.size() ? ',' : '\0';
        if (*end != expected)
            return false;
        p = end + 1;
    }
    return true;
}

bool ParseOptions(int argc, char** argv, SensorOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        long number;
        if (option == "--profile" && ParseNumber(value, 1, 2, number)) {
            options.profile = static_cast<int>(number);
        } else if (option == "--address" && ParseNumber(value, 1, 247, number)) {
            options.address = static_cast<uint8_t>(number);
        } else if (option == "--baud" && ParseNumber(value, 1, 38400, number)) {
            options.baud = static_cast<unsigned>(number);
        } else if (option == "--values" && ParseValues(value, options.values)) {
        } else if (option == "--fault" && ParseFault(value, options.fault)) {
        } else if (option == "--device" && *value != '\0') {
            options.device = value;
        } else {
            return false;
        }
    }
    return true;
}

void PrintLine(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Settings(const VirtualSensor& sensor)
{
    return "address " + std::to_string(sensor.Address()) + ", " + std::to_string(sensor.Baud()) +
        " baud, parity " + parityNames[sensor.Parity()];
}

// True when a whole line was typed; clears watchStdin at end of input.
bool EnterPressed(bool& watchStdin)
{
    char buffer[256];
    const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) {
        watchStdin = false;
        return false;
    }
    return std::memchr(buffer, '\n', static_cast<size_t>(count)) != nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
    }
    SensorOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(usage, stderr);
        return 2;
    }
    options.onRequest = [](const SensorRequest& request) { PrintLine(FormatRequest(request)); };

    // Blocked before the sensor's thread exists, so it inherits the mask and every signal
    // arrives here through the signal descriptor.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0)
        return 1;
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd == -1)
        return 1;

    VirtualSensor sensor(options);
    if (!sensor.Start()) {
        if (options.device.empty()) {
            std::fputs("virtual-sensor: cannot start (unsupported setting or no pseudo-terminal)\n",
                       stderr);
        } else {
            std::fprintf(stderr,
                         "virtual-sensor: cannot serve %s (missing, busy, not a serial device, "
                         "or an unsupported setting)\n",
                         options.device.c_str());
        }
        return 1;
    }
    PrintLine(sensor.DevicePath());
    // Only the terminal's foreground job may read it; in the background a read would stop
    // the whole sensor (SIGTTIN), so there it fails instead and Enter is no longer watched.
    signal(SIGTTIN, SIG_IGN);
    bool watchStdin = isatty(STDIN_FILENO) == 1 && tcgetpgrp(STDIN_FILENO) == getpgrp();
    std::fprintf(stderr, "virtual-sensor: profile %d, %s%s\n", options.profile,
                 Settings(sensor).c_str(),
                 watchStdin ? "; press Enter to power-cycle, Ctrl-C to end" : "");

    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(fds, watchStdin ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        bool restart = false;
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info;
            if (read(signalFd, &info, sizeof info) != sizeof info)
                break;
            if (info.ssi_signo != SIGHUP)
                break;
            restart = true;
        }
        if (watchStdin && fds[1].revents != 0 && EnterPressed(watchStdin))
            restart = true;
        if (restart) {
            const bool applied = sensor.Restart();
            PrintLine("power cycled: now " + Settings(sensor));
            if (!applied)
                std::fputs("virtual-sensor: the device refused these settings\n", stderr);
        }
    }
    sensor.Stop();
    close(signalFd);
    return 0;
}
