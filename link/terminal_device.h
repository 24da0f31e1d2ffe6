// The tool opens whatever name the technician types, every second. Opening runs the
// driver's open(), which has effects of its own on many devices (a watchdog starts, a FIFO
// blocks, a console becomes ours), so only serial terminals and pseudo-terminal slaves are
// ever opened read-write.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

// Unix98 pseudo-terminal slaves (/dev/pts/N) live on majors 136 to 143.
bool IsPseudoTerminalSlave(dev_t device);

// 0 when the inode described by info is a serial tty with hardware behind it (looked up in
// sysfs under sysRoot) or a pseudo-terminal slave; ENOTTY otherwise.
int CheckTerminalDevice(const struct stat& info, const std::string& sysRoot = "/sys");

// Opens path read-write, non-blocking, close-on-exec and without making it the controlling
// terminal, after checking the very inode that will be opened. Returns the descriptor, or
// -1 with an errno value in error.
int OpenTerminalDevice(const char* path, int& error);
