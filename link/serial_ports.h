// The serial ports present on this machine, by their names under /dev, as the port list
// offers them: USB adapters, on-board UARTs with real hardware behind them, and the like.
#pragma once

#include <string>
#include <vector>

// sysRoot is the sysfs mount point; tests hand in a directory tree of their own.
std::vector<std::string> ListSerialPorts(const std::string& sysRoot = "/sys");
