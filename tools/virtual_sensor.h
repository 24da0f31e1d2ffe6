// A sensor of either profile on a pseudo-terminal of its own or on a serial device it is
// given, answering through libmodbus, so the tool's frames are checked against an
// implementation of Modbus written by others. It can misbehave on purpose the way real
// lines and sensors do, and it logs every request.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Each mode changes what goes back on the line, never what the sensor stores or logs.
// Bytes sent before a reply (LeadingGarbage, OtherSlaveFirst, EndlessStream) never hold
// the sensor's own address, so a master that synchronises on that address as it should
// still finds the real reply after LeadingGarbage and OtherSlaveFirst.
enum class SensorFault {
    None,
    Silent,            // receives and logs, but neither answers nor applies anything
    FirstRequestOnly,  // of the measurement reads answers only the poll's first register
    BadCrc,            // replies with a corrupted CRC
    ExceptionReply,    // answers every request with exception 02 (illegal data address)
    LeadingGarbage,    // sends a few bytes before each reply
    OtherSlaveFirst,   // sends a whole reply from another slave address before its own
    EndlessStream,     // answers with a stream of bytes that never holds its address,
                       // at the line's pace, until the next request (at most 10 s)
    ReadbackDiffers,   // configuration registers read back with a different low byte
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
    unsigned baud = 9600;  // one of 1200 ... 38400; answers only while the line runs at it
    uint8_t parity = 1;    // index: 0 None, 1 Even, 2 Odd (a pseudo-terminal cannot check it)
    // A serial device to serve, such as /dev/ttyUSB1; empty for a new pseudo-terminal.
    std::string device{};
    std::array<double, 3> values{21.5, 1.0, -2.0};
    SensorFault fault = SensorFault::None;
    // Called on the sensor's own thread for every request, after it is logged.
    std::function<void(const SensorRequest&)> onRequest{};
};

class VirtualSensor {
public:
    explicit VirtualSensor(SensorOptions options);
    ~VirtualSensor();  // stops serving and closes the pseudo-terminal or the device
    VirtualSensor(const VirtualSensor&) = delete;
    VirtualSensor& operator=(const VirtualSensor&) = delete;

    // Creates the pseudo-terminal, or opens the device exclusively and sets it to the
    // sensor's speed and parity, and starts answering on a thread of its own; false when the
    // options are out of range or the line or libmodbus cannot be set up.
    bool Start();
    // Returns within about 100 ms; the device path stays valid until destruction.
    void Stop();

    // The device path the tool opens, such as /dev/pts/3, or the device served.
    std::string DevicePath() const;

    // Every request received at the sensor's speed so far, whether or not it was for this
    // sensor or answered, in order; each is logged before its reply goes out. Requests at another
    // speed are not understood and not logged, as on a real line.
    std::vector<SensorRequest> Requests() const;
    void ClearRequests();

    // The settings the sensor works with now. A written address takes effect at once on
    // profile 1; everything else written takes effect at Restart, as at a power cycle.
    // False when a served device refuses the new speed or parity.
    uint8_t Address() const;
    unsigned Baud() const;
    uint8_t Parity() const;
    bool Restart();

    void SetFault(SensorFault fault);

private:
    struct State;
    std::unique_ptr<State> state;
};

// One request as a log line: "fc=16 slave=0 start=0 qty=1 values=10".
std::string FormatRequest(const SensorRequest& request);

// The fault mode of a command-line name such as "first-only"; false for an unknown name.
bool ParseFault(const std::string& name, SensorFault& fault);
