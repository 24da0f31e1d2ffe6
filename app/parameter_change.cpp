// The parameter change: writes each changed setting into the sensor and believes it only
// after reading it back, so the "Current Parameters" group never shows a value the sensor
// does not hold.
#include "tick_cycle.h"

#include "sensor_profiles.h"

namespace {

enum Step { AddressStep, BaudrateStep, ParityStep };

constexpr const char* StepCaptions[]{"Set address", "Set baudrate", "Set parity"};
constexpr unsigned PauseAfterWrite = 200;  // milliseconds, for the sensor to store it

}  // namespace

bool TickCycle::ChangeParameters(const Selections& s, const std::string& path)
{
    // A new index outside its list would be written into the sensor and then selected as
    // the current one, leaving no line setting to talk to it with; nothing goes out.
    const bool baudNewValid = s.baudNewIndex < BaudRates.size();
    if (!baudNewValid || s.parityNewIndex >= ParityNames.size()) {
        window.ShowMessage("Failed.", StepCaptions[baudNewValid ? ParityStep : BaudrateStep],
                           MessageIcon::Error,
                           baudNewValid ? "No parity is selected under Update Parameters."
                                        : "No baud rate is selected under Update Parameters.");
        commandFlags &= static_cast<uint8_t>(~SetRequested);
        return false;
    }

    std::string reason;
    if (!OpenAndConfigure(s, path, reason)) {
        window.ShowMessage("Can not open serial port \"" + path + "\"", "Error", MessageIcon::Error,
                           reason);
        port.Close();
        commandFlags &= static_cast<uint8_t>(~SetRequested);
        return false;
    }

    // Without a recent good poll nothing is known of the sensor: try profile 1 first.
    if (presenceCount == 0)
        sensorProfile = 1;

    uint16_t talkAddress = s.address;
    uint16_t compareAddress = s.address;
    uint8_t compareBaud = s.baudIndex;
    uint8_t compareParity = s.parityIndex;
    bool ok = true;
    while (ok && (commandFlags & SetRequested)) {
        Step step;
        uint8_t value;
        if (s.addressNew != compareAddress) {
            step = AddressStep;
            value = static_cast<uint8_t>(s.addressNew);
        } else if (s.baudNewIndex != compareBaud) {
            step = BaudrateStep;
            value = s.baudNewIndex;
        } else if (s.parityNewIndex != compareParity) {
            step = ParityStep;
            value = s.parityNewIndex;
        } else {
            commandFlags &= static_cast<uint8_t>(~SetRequested);
            break;
        }

        ok = WriteStep(step, value, s.addressNew, talkAddress);
        if (ok) {
            switch (step) {
            case AddressStep:
                compareAddress = s.addressNew;
                window.SetAddressValue(s.addressNew);
                break;
            case BaudrateStep:
                compareBaud = s.baudNewIndex;
                window.SelectBaudrateIndex(s.baudNewIndex);
                break;
            case ParityStep:
                compareParity = s.parityNewIndex;
                window.SelectParityIndex(s.parityNewIndex);
                break;
            }
        } else if (presenceCount == 0 && sensorProfile == 1) {
            // An unproven profile 1 may just be the wrong map: the same step again as 2.
            sensorProfile = 2;
            ok = true;
        } else {
            commandFlags &= static_cast<uint8_t>(~SetRequested);
        }
    }

    if (ok)
        window.ShowMessage("Success.\rPlease power off and power on the sensor.",
                           "Parameters updated", MessageIcon::Information, "");
    port.Close();
    return ok;
}

bool TickCycle::WriteStep(int step, uint8_t value, uint16_t newAddress, uint16_t& talkAddress)
{
    if (sensorProfile != 1 && sensorProfile != 2)
        sensorProfile = 1;
    const bool broadcast = sensorProfile == 1;
    const uint16_t reg = ProfileRegisters[sensorProfile - 1][step];
    const uint8_t data[2]{0, value};

    bool ok = port.WriteMultipleRegisters(broadcast ? 0 : static_cast<uint8_t>(talkAddress), reg, 1,
                                          data);
    Pause(PauseAfterWrite);
    // A broadcast address write takes effect at once, so even an unconfirmed one may have
    // moved the sensor: it is looked for at its new address from here on.
    if (broadcast && step == AddressStep)
        talkAddress = newAddress;
    if (ok)
        ok = port.ReadHoldingRegisters(static_cast<uint8_t>(talkAddress), reg, 1);

    const char* caption = StepCaptions[step];
    if (!ok) {
        window.ShowMessage("Failed.", caption, MessageIcon::Error, "");
        return false;
    }
    // The setting is its low byte; what a sensor keeps in the high byte is its own.
    if ((port.GetRegister(0) & 0xFF) != value) {
        window.ShowMessage("Parameter is not written.", caption, MessageIcon::Error, "");
        return false;
    }
    return true;
}
