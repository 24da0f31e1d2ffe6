// The poll: one look at the sensor's measurements with the current line settings, shown
// at once; it is also the only proof of a present sensor the detector trusts.
#include "tick_cycle.h"

#include "measurement_text.h"
#include "sensor_profiles.h"

namespace {

constexpr unsigned PauseBetweenRequests = 200;  // milliseconds

}  // namespace

bool TickCycle::Poll(const Selections& s, const std::string& path)
{
    commandFlags &= static_cast<uint8_t>(~PollDue);

    std::string reason;  // a poll shows no box, so the reason goes unused
    bool ok = OpenAndConfigure(s, path, reason);
    std::string text;
    if (ok) {
        if (sensorProfile != 1 && sensorProfile != 2)
            sensorProfile = 1;
        const MeasurementMap& map =
            sensorProfile == 2 ? Profile2Measurements : Profile1Measurements;
        const uint16_t n = map.registersPerRequest;

        MeasurementSlots slots{};
        int answered = 0;
        for (int r = 0; r < map.requestsPerPoll; ++r) {
            if (r > 0)
                Pause(PauseBetweenRequests);
            const auto start = static_cast<uint16_t>(map.firstRegister + r * n);
            if (!port.ReadInputRegisters(static_cast<uint8_t>(s.address), start, n))
                break;
            for (uint16_t i = 0; i < n; ++i)
                slots[r * n + i] = port.GetRegister(i);
            ++answered;
        }
        // What arrived before a later request failed is still a live sensor's reading.
        ok = answered > 0;
        if (ok)
            text = MeasurementText(sensorProfile, slots, answered, LocaleDecimalSeparator());
    }
    port.Close();

    if (ok) {
        window.SetMeasurement(text, MeasurementGreen);
        presenceCount = 5;
    } else {
        window.SetMeasurement("No sensor", MeasurementRed);
    }
    return ok;
}
