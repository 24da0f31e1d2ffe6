// What sysfs knows about a tty that its device node does not tell: whether hardware is
// behind it. Both the port list and the check before opening a typed name rely on it.
#pragma once

#include <filesystem>

// ttyDir is the tty's directory in sysfs (class/tty/NAME, or dev/char/MAJOR:MINOR). True
// when a device stands behind it and, for a UART, the driver found one: the 8250 driver
// registers placeholder ports of type 0 that open but lead nowhere.
bool HasSerialHardware(const std::filesystem::path& ttyDir);
