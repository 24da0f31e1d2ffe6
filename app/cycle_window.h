// Everything the tick cycle does with the window, and nothing more: the Qt window
// implements it, and tests implement it with a recorder, so the cycle runs without a GUI.
#pragma once

#include <cstdint>
#include <string>

struct TextColour {
    uint8_t red, green, blue;
    bool operator==(const TextColour&) const = default;
};
inline constexpr TextColour MeasurementGreen{0, 128, 0};
inline constexpr TextColour MeasurementRed{255, 0, 0};

enum class MessageIcon { Error, Information };

class CycleWindow {
public:
    virtual ~CycleWindow() = default;

    virtual std::string PortNameText() = 0;  // sComboBoxPortName
    virtual int BaudrateIndex() = 0;         // sComboBoxBaudrate
    virtual int BaudrateNewIndex() = 0;      // sComboBoxBaudrate_new
    virtual int ParityIndex() = 0;           // sComboBoxParity
    virtual int ParityNewIndex() = 0;        // sComboBoxParity_new
    virtual int AddressValue() = 0;          // sSpinEditAddress
    virtual int AddressNewValue() = 0;       // sSpinEditAddress_new

    virtual void SetMeasurement(const std::string& text,
                                TextColour colour) = 0;  // StaticTextMeasurement
    virtual void SetAddressValue(int address) = 0;       // sSpinEditAddress
    virtual void SelectBaudrateIndex(int index) = 0;     // sComboBoxBaudrate
    virtual void SelectParityIndex(int index) = 0;       // sComboBoxParity

    // Modal, OK only; returns when the technician has closed it. details carries the
    // operating system's reason where there is one, and is empty otherwise.
    virtual void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                             const std::string& details) = 0;

    virtual void SetTimerEnabled(bool enabled) = 0;  // TimerComand
};
