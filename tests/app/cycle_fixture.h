// The cycle as the window drives it, with a recording window and a sleeper that notes each
// pause (and how many requests the sensor had seen by then) instead of waiting 200 ms.
#pragma once

#include "recording_window.h"
#include "tick_cycle.h"
#include "virtual_sensor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

struct RecordedPause {
    unsigned milliseconds;
    std::size_t requestsBefore;  // requests on the line when the pause began
    bool operator==(const RecordedPause&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const RecordedPause& p)
{
    return os << p.milliseconds << " ms after " << p.requestsBefore << " requests";
}

inline void PrintTo(const SensorRequest& request, std::ostream* os)
{
    *os << FormatRequest(request);
}

inline SensorRequest ReadInput(uint8_t slave, uint16_t start, uint16_t quantity)
{
    return {slave, 4, start, quantity, {}};
}
inline SensorRequest ReadHolding(uint8_t slave, uint16_t start)
{
    return {slave, 3, start, 1, {}};
}
inline SensorRequest WriteOne(uint8_t slave, uint16_t start, uint16_t value)
{
    return {slave, 16, start, 1, {value}};
}

// 200 ms pauses after each of the given request counts.
inline std::vector<RecordedPause> PausesAfter(std::initializer_list<std::size_t> counts)
{
    std::vector<RecordedPause> pauses;
    for (std::size_t count : counts)
        pauses.push_back({200, count});
    return pauses;
}

inline const ShownMessage SuccessMessage{"Success.\rPlease power off and power on the sensor.",
                                         "Parameters updated", MessageIcon::Information, ""};

class CycleFixture {
protected:
    // Starts a sensor on a pseudo-terminal and picks it in the port list.
    void StartSensor(SensorOptions options)
    {
        options.onRequest = [this](const SensorRequest&) {
            std::lock_guard lock(arrivalMutex);
            ++arrivals;
            arrival.notify_all();
        };
        sensor = std::make_unique<VirtualSensor>(std::move(options));
        ASSERT_TRUE(sensor->Start());
        window.portName = sensor->DevicePath();
    }

    // One tick on which a poll falls due.
    void PollTick()
    {
        cycle.tickCount = 9;
        cycle.TimerComandTimer();
    }

    // The Set button, then the tick that carries the change out.
    void SetTick()
    {
        cycle.RequestSet();
        cycle.TimerComandTimer();
    }

    std::vector<SensorRequest> Requests() const
    {
        return sensor ? sensor->Requests() : std::vector<SensorRequest>{};
    }

    // A broadcast write returns as soon as its bytes are out, before the sensor has read
    // them; the pause is what lets the sensor catch up, so the recorder lets the request
    // log settle (no new request for 30 ms, 200 ms at most) before counting.
    void RecordPause(unsigned milliseconds)
    {
        using namespace std::chrono_literals;
        const auto deadline = std::chrono::steady_clock::now() + 200ms;
        std::unique_lock lock(arrivalMutex);
        for (;;) {
            const unsigned seen = arrivals;
            const auto quietUntil = std::min(deadline, std::chrono::steady_clock::now() + 30ms);
            if (!arrival.wait_until(lock, quietUntil, [&] { return arrivals != seen; }) ||
                std::chrono::steady_clock::now() >= deadline)
                break;
        }
        lock.unlock();
        pauses.push_back({milliseconds, Requests().size()});
    }

    RecordingWindow window;
    std::vector<RecordedPause> pauses;
    std::mutex arrivalMutex;
    std::condition_variable arrival;
    unsigned arrivals = 0;
    std::unique_ptr<VirtualSensor> sensor;
    TickCycle cycle{window, [this](unsigned ms) { RecordPause(ms); }};
};

class CycleTest : public CycleFixture, public testing::Test { };
