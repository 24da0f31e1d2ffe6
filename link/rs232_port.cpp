// MyRs232Port's line configuration: the termios settings and the time-outs that follow
// from the baud rate.
#include "line_settings.h"
#include "terminal_device.h"
#include "uPort.h"

#include <sys/stat.h>
#include <termios.h>

MyRs232Port::MyRs232Port(int rxSize, int txSize)
    : MyPort(rxSize, txSize)
{
}

bool MyRs232Port::Open(const char* path)
{
    return MyPort::Open(path);
}

bool MyRs232Port::Configure(uint32_t baud, uint8_t parityCode)
{
    // Below 1200 baud the interval formula would divide by zero; such rates are refused.
    speed_t speed{};
    if (baud < 1200 || !SpeedCode(baud, speed))
        return false;
    // 256 ms at 1200 baud, halving as the speed doubles: about thirty characters' time at
    // any rate, plus a fixed allowance for the sensor to start answering.
    const unsigned interval = 256 / (baud / 1200);
    timeouts = Timeouts{interval, interval + 100, 200, 1000, 20};

    termios settings{};
    if (tcgetattr(handle, &settings) != 0 || !MakeLineSettings(settings, speed, parityCode))
        return false;
    // Its result is not trusted either way (see line_settings.h); the read-back decides.
    tcsetattr(handle, TCSANOW, &settings);
    termios held{};
    struct stat info { };
    if (tcgetattr(handle, &held) != 0 || fstat(handle, &info) != 0)
        return false;
    return DeviceHolds(settings, held, !IsPseudoTerminalSlave(info.st_rdev));
}
