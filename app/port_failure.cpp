// The system's own error text says what went wrong; the hint adds what to do about it on a
// Linux machine, where most ports fail for want of the right group or an open competitor.
#include "port_failure.h"

#include <cerrno>
#include <cstring>

namespace {

const char* Hint(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return "The user must be in the group that owns the device, usually dialout.";
    case EBUSY:
        return "Another program holds the port.";
    case ENOTTY:
        return "This is not a serial port.";
    case ENAMETOOLONG:
        return "The path is longer than 19 characters.";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "The device is not there; check the port name and the cable.";
    default:
        return nullptr;
    }
}

}  // namespace

std::string OpenFailureReason(int error)
{
    if (error == 0)
        return "The port could not be opened.";
    std::string reason = std::strerror(error);
    reason += '.';
    if (const char* hint = Hint(error)) {
        reason += ' ';
        reason += hint;
    }
    return reason;
}
