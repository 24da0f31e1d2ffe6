// The tick frame: the only place the cycle's state moves from tick to tick, so the order
// of its steps (timer off, read the window, count, one job, detector, timer on) is kept in
// one function.
#include "tick_cycle.h"

#include "port_failure.h"
#include "sensor_profiles.h"

#include <chrono>
#include <thread>

namespace {

constexpr uint8_t TicksPerPoll = 10;

// A list without a selection (-1) must not wrap into a valid index, so anything outside a
// byte becomes 255, which no list holds.
uint8_t IndexByte(int index)
{
    return index >= 0 && index <= 0xFF ? static_cast<uint8_t>(index) : 0xFF;
}

}  // namespace

TickCycle::TickCycle(CycleWindow& window, Sleeper sleeper)
    : window(window)
    , sleeper(std::move(sleeper))
{
}

std::string TickCycle::PortPath(const std::string& portName)
{
    return portName.starts_with('/') ? portName : "/dev/" + portName;
}

void TickCycle::TimerComandTimer()
{
    window.SetTimerEnabled(false);
    const Selections s = ReadSelections();
    const std::string path = PortPath(s.portName);

    // At or past ten, so a count set from outside can never skip the poll forever.
    if (++tickCount >= TicksPerPoll) {
        commandFlags |= PollDue;
        tickCount = 0;
    }

    bool ok = true;
    if (commandFlags & SetRequested)
        ok = ChangeParameters(s, path);
    else if (commandFlags & PollDue)
        ok = Poll(s, path);

    Detect(ok);
    window.SetTimerEnabled(true);
}

TickCycle::Selections TickCycle::ReadSelections()
{
    Selections s;
    s.portName = window.PortNameText();
    s.baudIndex = IndexByte(window.BaudrateIndex());
    s.baudNewIndex = IndexByte(window.BaudrateNewIndex());
    s.parityIndex = IndexByte(window.ParityIndex());
    s.parityNewIndex = IndexByte(window.ParityNewIndex());
    s.address = static_cast<uint16_t>(window.AddressValue());
    s.addressNew = static_cast<uint16_t>(window.AddressNewValue());
    return s;
}

bool TickCycle::OpenAndConfigure(const Selections& s, const std::string& path, std::string& reason)
{
    // Checked before the device is touched: an index outside its list has no line setting.
    if (s.baudIndex >= BaudRates.size() || s.parityIndex >= ParityCodes.size()) {
        reason = NoSelectionReason;
        return false;
    }
    if (!port.Open(path.c_str())) {
        reason = OpenFailureReason(port.OpenError());
        return false;
    }
    if (!port.Configure(BaudRates[s.baudIndex], ParityCodes[s.parityIndex])) {
        reason = ConfigureFailureReason;
        return false;
    }
    return true;
}

// Five failed ticks are forgiven after a good poll; after that every failed tick tries the
// other profile, until a port that never opens leaves the choice open (0).
void TickCycle::Detect(bool ok)
{
    if (ok)
        return;
    if (presenceCount > 0) {
        --presenceCount;
        return;
    }
    sensorProfile = sensorProfile == 1 ? 2 : sensorProfile == 2 ? 1 : 0;
}

void TickCycle::Pause(unsigned milliseconds)
{
    if (sleeper)
        sleeper(milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
