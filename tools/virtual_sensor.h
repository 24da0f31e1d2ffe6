// A sensor of either profile on a pseudo-terminal, answering through libmodbus, so the
// tool's frames are checked against an implementation of Modbus written by others. It can
// misbehave on purpose the way real lines and sensors do, and it logs every request.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class SensorFault {
    None,
    Silent,              // never answers
    FirstRequestOnly,    // answers the first measurement request of a poll, then stays silent
    BadCrc,              // replies with a corrupted CRC
    ExceptionReply,      // answers every request with exception 02 (illegal data address)
    LeadingGarbage,      // sends a few bytes before each reply
    OtherSlaveFirst,     // sends a whole reply from another slave address before its own
    EndlessStream,       // answers with a stream of bytes that never holds its address
    ReadbackDiffers,     // configuration registers read back with a different low byte
};

struct SensorRequest {
    uint8_t slave;
    uint8_t function;
    uint16_t start;
    uint16_t quantity;
    std::vector<uint16_t> values;  // written values, for function 16
    bool operator==(const SensorRequest&) const = default;
};

struct SensorOptions {
    int profile = 1;
    uint8_t address = 247;
    unsigned baud = 9600;  // answers only while the line runs at this speed
    std::array<double, 3> values{21.5, 1.0, -2.0};
    SensorFault fault = SensorFault::None;
};

class VirtualSensor {
public:
    explicit VirtualSensor(SensorOptions options);
    ~VirtualSensor();  // stops serving and closes the pseudo-terminal

    // Creates the pseudo-terminal and starts answering on a thread of its own; false when
    // the pseudo-terminal or libmodbus cannot be set up.
    bool Start();
    void Stop();

    // The device path the tool opens, such as /dev/pts/3.
    std::string DevicePath() const;

    // Every request received so far, whether or not it was answered, in order.
    std::vector<SensorRequest> Requests() const;
    void ClearRequests();

    // The settings the sensor works with now, and the configuration registers as
    // written; profile 2 applies written settings only at Restart, as a power cycle would.
    uint8_t Address() const;
    unsigned Baud() const;
    void Restart();

    void SetFault(SensorFault fault);

private:
    struct State;
    std::unique_ptr<State> state;
};

// One request as a log line: "fc=16 slave=0 start=0 qty=1 values=10".
std::string FormatRequest(const SensorRequest& request);
