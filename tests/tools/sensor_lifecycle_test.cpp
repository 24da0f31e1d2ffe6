// Starting and stopping the sensor: settings it refuses, how fast it stops, and that it
// gives back every descriptor, since tests and the benchmark start many sensors.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>

#include "virtual_sensor.h"

namespace {

int OpenDescriptors()
{
    DIR* dir = opendir("/proc/self/fd");
    int count = 0;
    while (readdir(dir) != nullptr)
        ++count;
    closedir(dir);
    return count;
}

}  // namespace

TEST(SensorLifecycle, RefusesSettingsNoSensorHas)
{
    const SensorOptions refused[] = {
        {.profile = 3}, {.address = 0}, {.address = 248}, {.baud = 115200}, {.parity = 3}};
    for (const SensorOptions& options : refused) {
        VirtualSensor sensor(options);
        EXPECT_FALSE(sensor.Start());
    }
}

TEST(SensorLifecycle, StopsPromptlyAndLeavesNoDescriptors)
{
    const int before = OpenDescriptors();
    {
        VirtualSensor sensor({});
        ASSERT_TRUE(sensor.Start());
        EXPECT_GT(OpenDescriptors(), before);
        const auto start = std::chrono::steady_clock::now();
        sensor.Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    }
    EXPECT_EQ(OpenDescriptors(), before);
}
