// Reads the device link and the UART type of a tty's sysfs directory.
#include "tty_sysfs.h"

#include <fstream>
#include <system_error>

bool HasSerialHardware(const std::filesystem::path& ttyDir)
{
    std::error_code error;
    if (!std::filesystem::exists(ttyDir / "device", error))
        return false;
    // Only serial-core ports carry a type; USB ACM and the like have none and are real.
    std::ifstream typeFile(ttyDir / "type");
    int type = 0;
    if (typeFile >> type)
        return type != 0;
    return true;
}
