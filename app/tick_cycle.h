// The 100 ms tick that owns all traffic with the sensor: every tenth tick polls the
// measurements, a pending Set request runs the parameter change instead, and a small
// detector picks which sensor profile the next exchange uses. Plain C++: the window
// reaches it only through CycleWindow.
#pragma once

#include "cycle_window.h"
#include "uPort.h"

#include <cstdint>
#include <functional>
#include <string>

class TickCycle {
public:
    enum : uint8_t { SetRequested = 1u << 0, PollDue = 1u << 1 };

    using Sleeper = std::function<void(unsigned milliseconds)>;

    // The sleeper stands in for the 200 ms pauses; tests hand in a recorder.
    explicit TickCycle(CycleWindow& window, Sleeper sleeper = {});

    // The timer handler: one tick, blocking, with the timer off while it runs.
    void TimerComandTimer();

    // The Set button: the change itself runs at the next tick.
    void RequestSet() { commandFlags |= SetRequested; }

    // The device path for a name in the port list: "/dev/" + name, or the name itself when
    // it already starts with "/".
    static std::string PortPath(const std::string& portName);

    MyRs232Port port{1024, 1024};
    uint8_t commandFlags = 0;
    uint8_t sensorProfile = 0;
    uint8_t presenceCount = 0;
    uint8_t tickCount = 0;

private:
    // What the tick reads from the window at its start, in the widths the line uses.
    struct Selections {
        std::string portName;
        uint8_t baudIndex;
        uint8_t baudNewIndex;
        uint8_t parityIndex;
        uint8_t parityNewIndex;
        uint16_t address;  // its low byte is the slave address on the line
        uint16_t addressNew;
    };

    Selections ReadSelections();
    bool Poll(const Selections& s, const std::string& path);
    bool ChangeParameters(const Selections& s, const std::string& path);
    // One parameter written and read back with the present profile; shows the step's
    // failure box itself. The talk address follows a profile 1 address write.
    bool WriteStep(int step, uint8_t value, uint16_t newAddress, uint16_t& talkAddress);
    // Opens and configures with the current settings; on failure `reason` tells the
    // technician why. The caller closes the port either way.
    bool OpenAndConfigure(const Selections& s, const std::string& path, std::string& reason);
    void Detect(bool ok);
    void Pause(unsigned milliseconds);

    CycleWindow& window;
    Sleeper sleeper;
};
