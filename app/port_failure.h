// Why a port could not be used, in words a technician can act on: the "Error" box of a
// parameter change shows it beside its fixed text.
#pragma once

#include <string>

// The reason of a failed Open, from the errno MyPort::OpenError keeps.
std::string OpenFailureReason(int error);

// The reason when the device opened but took no line settings.
inline constexpr const char* ConfigureFailureReason = "The device refused the line settings.";

// The reason when the current baud rate or parity list has no valid selection.
inline constexpr const char* NoSelectionReason =
    "No baud rate or parity is selected under Current Parameters.";
