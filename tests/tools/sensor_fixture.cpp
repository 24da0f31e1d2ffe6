// Shared set-up of the sensor tests: one sensor and the tool's port on it per test.
#include "sensor_fixture.h"

SensorTest::~SensorTest()
{
    port.Close();
}

void SensorTest::Begin(SensorOptions options)
{
    sensor = std::make_unique<VirtualSensor>(std::move(options));
    ASSERT_TRUE(sensor->Start());
    ASSERT_TRUE(port.Open(sensor->DevicePath().c_str()));
    ASSERT_TRUE(port.Configure(9600, evenParityCode));
}

void SensorTest::Reconfigure(unsigned baud)
{
    port.Close();
    ASSERT_TRUE(port.Open(sensor->DevicePath().c_str()));
    ASSERT_TRUE(port.Configure(baud, evenParityCode));
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}
