// Builds and compares the termios settings of the line.
#include "line_settings.h"

namespace {

constexpr struct {
    uint32_t baud;
    speed_t code;
} kSpeeds[] = {
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

// Input processing that would translate, strip, drop or mark bytes, or stop the line on
// XON/XOFF. Parity is generated on output but not checked on input (INPCK off), so a byte
// with a parity error still arrives as it was and the CRC judges the frame.
constexpr tcflag_t kInputOff = IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR |
    ICRNL | IUCLC | IXON | IXANY | IXOFF | IMAXBEL;
constexpr tcflag_t kLocalOff = ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | IEXTEN;
constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;
// Hardware flow control goes too: a two-wire sensor line has no CTS, and a setting left on by
// another program would stall every request.
constexpr tcflag_t kFrameBits = CSIZE | CSTOPB | CREAD | CLOCAL | CRTSCTS;

}  // namespace

bool SpeedCode(uint32_t baud, speed_t& speed)
{
    for (const auto& entry : kSpeeds) {
        if (entry.baud == baud) {
            speed = entry.code;
            return true;
        }
    }
    return false;
}

bool MakeLineSettings(termios& settings, speed_t speed, uint8_t parityCode)
{
    tcflag_t parity = 0;
    switch (parityCode) {
    case 0:
        parity = 0;
        break;
    case 1:
        parity = PARENB | PARODD;
        break;
    case 2:
        parity = PARENB;
        break;
    default:
        return false;
    }
    settings.c_iflag &= ~kInputOff;
    settings.c_oflag &= ~OPOST;
    settings.c_lflag &= ~kLocalOff;
    settings.c_cflag &= ~(kFrameBits | kParityBits);
    settings.c_cflag |= CS8 | CREAD | CLOCAL | parity;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return cfsetispeed(&settings, speed) == 0 && cfsetospeed(&settings, speed) == 0;
}

bool DeviceHolds(const termios& wanted, const termios& held, bool keepsParity)
{
    const tcflag_t compared = kFrameBits | (keepsParity ? kParityBits : 0);
    return cfgetispeed(&held) == cfgetispeed(&wanted) &&
        cfgetospeed(&held) == cfgetospeed(&wanted) &&
        (held.c_cflag & compared) == (wanted.c_cflag & compared) &&
        (held.c_iflag & kInputOff) == 0 && (held.c_oflag & OPOST) == 0 &&
        (held.c_lflag & kLocalOff) == 0 && held.c_cc[VMIN] == 0 && held.c_cc[VTIME] == 0;
}
