// The termios settings of a transparent 8-bit Modbus line, and the test whether a device
// really holds them: tcsetattr() succeeds when any part of a request was applied, and fails
// on a pseudo-terminal when only the parity bit (which it cannot keep) would change, so its
// result says little either way.
#pragma once

#include <termios.h>

#include <cstdint>

// The termios speed code of a baud rate; false for a rate the terminal interface lacks.
bool SpeedCode(uint32_t baud, speed_t& speed);

// Turns the settings read from the device into those of the line: the speed, 8 data bits,
// the driver's parity code (0 none, 1 odd, 2 even), 1 stop bit, receiver on, modem lines
// ignored, no flow control, and nothing translated, echoed, edited or dropped. Reads return
// at once (VMIN = VTIME = 0); the port's own deadlines do the waiting. False for a parity
// code other than 0, 1 and 2.
bool MakeLineSettings(termios& settings, speed_t speed, uint8_t parityCode);

// Whether the settings read back from the device hold what was asked. The parity bits are
// compared only when the device can keep them: a pseudo-terminal has no parity.
bool DeviceHolds(const termios& wanted, const termios& held, bool keepsParity);
