// The check that a path is a terminal before any driver sees an open() of it. The path is
// resolved once with O_PATH, which runs no driver code; the inode behind that descriptor is
// checked and then reopened through /proc/self/fd, so the node cannot be swapped between the
// check and the open.
#include "terminal_device.h"

#include "tty_sysfs.h"

#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

bool IsPseudoTerminalSlave(dev_t device)
{
    return major(device) >= 136 && major(device) <= 143;
}

int CheckTerminalDevice(const struct stat& info, const std::string& sysRoot)
{
    if (!S_ISCHR(info.st_mode))
        return ENOTTY;
    if (IsPseudoTerminalSlave(info.st_rdev))
        return 0;
    const unsigned deviceMajor = major(info.st_rdev);
    const unsigned deviceMinor = minor(info.st_rdev);
    // /dev/tty, /dev/console, /dev/ptmx and the virtual consoles are ttys too, but opening
    // them would reach the technician's own terminal or create a new pseudo-terminal.
    if (deviceMajor == 5 || (deviceMajor == 4 && deviceMinor < 64))
        return ENOTTY;
    const std::filesystem::path sysfsDir = std::filesystem::path(sysRoot) / "dev" / "char" /
        (std::to_string(deviceMajor) + ":" + std::to_string(deviceMinor));
    std::error_code error;
    const auto subsystem = std::filesystem::read_symlink(sysfsDir / "subsystem", error);
    if (error || subsystem.filename() != "tty")
        return ENOTTY;
    return HasSerialHardware(sysfsDir) ? 0 : ENOTTY;
}

int OpenTerminalDevice(const char* path, int& error)
{
    const int located = open(path, O_PATH | O_CLOEXEC);
    if (located == -1) {
        error = errno;
        return -1;
    }
    struct stat info { };
    int fd = -1;
    if (fstat(located, &info) != 0) {
        error = errno;
    } else if ((error = CheckTerminalDevice(info)) == 0) {
        char reopen[32];
        std::snprintf(reopen, sizeof reopen, "/proc/self/fd/%d", located);
        // Non-blocking so that a modem line without carrier cannot hold the open.
        fd = open(reopen, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd == -1)
            error = errno;
    }
    close(located);
    return fd;
}
