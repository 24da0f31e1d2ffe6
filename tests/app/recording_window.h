// A window for the cycle without a screen: it answers the tick's reads from fields a test
// sets, behaves like the real lists and fields when the cycle changes them, and records
// every call in order so tests can assert what the technician would have seen.
#pragma once

#include "cycle_window.h"

#include <ostream>
#include <string>
#include <vector>

struct ShownMessage {
    std::string text;
    std::string caption;
    MessageIcon icon;
    std::string details;
    bool operator==(const ShownMessage&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ShownMessage& m)
{
    return os << '[' << m.caption << "] " << m.text
              << (m.icon == MessageIcon::Error ? " (error)" : " (information)") << " {" << m.details
              << '}';
}

struct ShownMeasurement {
    std::string text;
    TextColour colour;
    bool operator==(const ShownMeasurement&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ShownMeasurement& m)
{
    return os << '"' << m.text << "\" rgb(" << int(m.colour.red) << ',' << int(m.colour.green)
              << ',' << int(m.colour.blue) << ')';
}

class RecordingWindow : public CycleWindow {
public:
    // What the controls hold; the start-up defaults: 9600 Even, address 247 in both groups.
    std::string portName;
    int baudIndex = 3;
    int baudNewIndex = 3;
    int parityIndex = 1;
    int parityNewIndex = 1;
    int address = 247;
    int addressNew = 247;

    std::vector<std::string> calls;  // every call, by name, in order
    std::vector<ShownMeasurement> measurements;
    std::vector<ShownMessage> messages;

    std::string PortNameText() override { return Read("PortNameText", portName); }
    int BaudrateIndex() override { return Read("BaudrateIndex", baudIndex); }
    int BaudrateNewIndex() override { return Read("BaudrateNewIndex", baudNewIndex); }
    int ParityIndex() override { return Read("ParityIndex", parityIndex); }
    int ParityNewIndex() override { return Read("ParityNewIndex", parityNewIndex); }
    int AddressValue() override { return Read("AddressValue", address); }
    int AddressNewValue() override { return Read("AddressNewValue", addressNew); }

    void SetMeasurement(const std::string& text, TextColour colour) override
    {
        calls.push_back("SetMeasurement");
        measurements.push_back({text, colour});
    }
    void SetAddressValue(int value) override
    {
        calls.push_back("SetAddressValue(" + std::to_string(value) + ")");
        address = value;
    }
    void SelectBaudrateIndex(int index) override
    {
        calls.push_back("SelectBaudrateIndex(" + std::to_string(index) + ")");
        baudIndex = index;
    }
    void SelectParityIndex(int index) override
    {
        calls.push_back("SelectParityIndex(" + std::to_string(index) + ")");
        parityIndex = index;
    }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                     const std::string& details) override
    {
        calls.push_back("ShowMessage(" + caption + ")");
        messages.push_back({text, caption, icon, details});
    }
    void SetTimerEnabled(bool enabled) override
    {
        calls.push_back(enabled ? "SetTimerEnabled(true)" : "SetTimerEnabled(false)");
    }

    // The calls that change what the technician sees, without the reads.
    std::vector<std::string> Changes() const
    {
        std::vector<std::string> changes;
        for (const std::string& call : calls)
            if (call.find('(') != std::string::npos || call == "SetMeasurement")
                changes.push_back(call);
        return changes;
    }

    void Forget()
    {
        calls.clear();
        measurements.clear();
        messages.clear();
    }

private:
    template <typename T> T Read(const char* name, const T& value)
    {
        calls.push_back(name);
        return value;
    }
};
