// The sensor's life on its line: libmodbus reads each request from the pseudo-terminal's
// master side, or from the device served, and builds the reply from the register mapping;
// the sensor then decides what goes back on the line (nothing, the reply, or a fault's
// bytes) and logs what it heard.
#include "virtual_sensor.h"

#include <fcntl.h>
#include <modbus/modbus.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "line_faults.h"
#include "request_log.h"
#include "sensor_map.h"

namespace {

using Clock = std::chrono::steady_clock;

// A request arrives in one piece on a pseudo-terminal; this only bounds how long a torn
// frame can hold the sensor, and with it how late Stop is noticed.
constexpr uint32_t byteTimeoutUs = 50'000;
// libmodbus pauses this long before flushing after some exception replies.
constexpr uint32_t responseTimeoutUs = 20'000;
constexpr auto streamChunkPeriod = std::chrono::milliseconds(10);
constexpr auto streamLimit = std::chrono::seconds(10);

void CloseFd(int& fd)
{
    if (fd != -1)
        close(fd);
    fd = -1;
}

}  // namespace

struct VirtualSensor::State {
    explicit State(SensorOptions o)
        : options(std::move(o))
        , map(MapOfProfile(options.profile))
    {
    }

    const SensorOptions options;
    const SensorMap& map;

    mutable std::mutex mutex;
    // Guarded by mutex.
    std::vector<SensorRequest> log;
    SensorFault fault = SensorFault::None;
    uint8_t address = 0;
    unsigned baud = 0;
    uint8_t parity = 0;
    unsigned powerCycles = 0;
    modbus_mapping_t* registers = nullptr;

    // Owned by the serving thread while it runs.
    modbus_t* modbus = nullptr;
    int master = -1;  // the pseudo-terminal's master, or the device served
    int slave = -1;   // held open so the master never sees a hang-up between the tool's ticks
    int wake = -1;
    int captureRead = -1;  // libmodbus writes its replies here, so faults can reshape them
    int captureWrite = -1;
    std::string path;
    std::thread thread;

    struct Stream {
        bool active = false;
        bool leftovers = false;  // bytes the tool may not have read yet
        unsigned sent = 0;
        unsigned powerCycle = 0;
        Clock::time_point next;
        Clock::time_point end;
    } stream;

    bool OnDevice() const { return !options.device.empty(); }
    bool OpenTerminal();
    bool OpenDevice();
    bool ConfigureDevice(unsigned lineBaud, uint8_t lineParity) const;
    bool OpenPipes();
    bool NewModbus();
    void Serve();
    bool Receive(uint8_t* frame);
    bool LineAtOwnSpeed(unsigned ownBaud) const;
    std::vector<uint8_t> Answer(const uint8_t* frame, int length, bool& startStream);
    std::vector<uint8_t> Captured();
    void Send(const std::vector<uint8_t>& bytes) const;
    void StreamChunk();
    void EndStream(bool discard);
    int MillisecondsToNextChunk() const;
};

bool VirtualSensor::State::OpenTerminal()
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master == -1 || grantpt(master) != 0 || unlockpt(master) != 0)
        return false;
    char name[PATH_MAX];
    if (ptsname_r(master, name, sizeof name) != 0)
        return false;
    path = name;
    slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave == -1)
        return false;

    // Transparent from the start: an echoing line would hand the sensor its own replies
    // before the tool has configured the port.
    termios settings{};
    speed_t speed;
    if (tcgetattr(slave, &settings) != 0 || !SpeedOfBaud(baud, speed))
        return false;
    cfmakeraw(&settings);
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    if (tcsetattr(slave, TCSANOW, &settings) != 0)
        return false;

    // Non-blocking, so a tool that stopped reading can never stall the sensor.
    const int flags = fcntl(master, F_GETFL);
    return flags != -1 && fcntl(master, F_SETFL, flags | O_NONBLOCK) != -1;
}

// Exclusive as the tool's own port is: TIOCEXCL keeps others from opening the device and
// flock() also stops root and a second sensor in this process. A device held by someone
// else is closed at once, so the destructor never clears their TIOCEXCL.
bool VirtualSensor::State::OpenDevice()
{
    path = options.device;
    master = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master == -1)
        return false;
    if (flock(master, LOCK_EX | LOCK_NB) != 0) {
        CloseFd(master);
        return false;
    }
    return ioctl(master, TIOCEXCL) == 0 && ConfigureDevice(baud, parity);
}

// Raw, 8 data bits and 1 stop bit. Bytes with a parity or framing error are dropped, so a
// request at the wrong speed or parity fails its CRC and goes unanswered, as on a sensor.
bool VirtualSensor::State::ConfigureDevice(unsigned lineBaud, uint8_t lineParity) const
{
    termios settings{};
    speed_t speed;
    if (tcgetattr(master, &settings) != 0 || !SpeedOfBaud(lineBaud, speed))
        return false;
    cfmakeraw(&settings);
    settings.c_iflag |= INPCK | IGNPAR;
    settings.c_cflag &= ~(CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    settings.c_cflag |= CREAD | CLOCAL;
    if (lineParity == 1)
        settings.c_cflag |= PARENB;
    if (lineParity == 2)
        settings.c_cflag |= PARENB | PARODD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    if (tcsetattr(master, TCSANOW, &settings) == 0)
        return true;
    // A pseudo-terminal given as the device drops the parity bit, and glibc reports that as
    // EINVAL though everything else took; such a line is served all the same.
    termios applied{};
    return errno == EINVAL && tcgetattr(master, &applied) == 0 &&
        applied.c_iflag == settings.c_iflag && applied.c_oflag == settings.c_oflag &&
        applied.c_lflag == settings.c_lflag &&
        (applied.c_cflag | PARENB) == (settings.c_cflag | PARENB);
}

bool VirtualSensor::State::OpenPipes()
{
    int capture[2];
    if (pipe2(capture, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    captureRead = capture[0];
    captureWrite = capture[1];
    wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return wake != -1;
}

// libmodbus 3.1.6 expects the foreign slave's reply after a request that is not for it
// and swallows the next frame as that reply. On our line nobody else answers, so the
// frame it would swallow is the tool's next request; a fresh context forgets the
// expectation. The device name is never opened: the context works on our line.
bool VirtualSensor::State::NewModbus()
{
    if (modbus != nullptr)
        modbus_free(modbus);
    modbus = modbus_new_rtu("/dev/null", 9600, 'E', 8, 1);
    if (modbus == nullptr)
        return false;
    modbus_set_socket(modbus, master);
    modbus_set_byte_timeout(modbus, 0, byteTimeoutUs);
    modbus_set_response_timeout(modbus, 0, responseTimeoutUs);
    return true;
}

void VirtualSensor::State::Serve()
{
    uint8_t frame[MODBUS_RTU_MAX_ADU_LENGTH];
    for (;;) {
        pollfd fds[2] = {{wake, POLLIN, 0}, {master, POLLIN, 0}};
        const int ready = poll(fds, 2, MillisecondsToNextChunk());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents != 0)
            return;
        if (fds[1].revents & POLLIN) {
            if (!Receive(frame))
                return;
        } else if (fds[1].revents != 0) {
            // A held pseudo-terminal never hangs up; a device may (unplugged). Never spin.
            return;
        } else if (stream.active) {
            StreamChunk();
        }
    }
}

// False only when the sensor can no longer serve.
bool VirtualSensor::State::Receive(uint8_t* frame)
{
    uint8_t ownAddress;
    unsigned ownBaud;
    {
        std::lock_guard lock(mutex);
        ownAddress = address;
        ownBaud = baud;
    }
    modbus_set_slave(modbus, ownAddress);
    const int length = modbus_receive(modbus, frame);
    if (length < 0)
        return true;  // torn or corrupt: nothing a sensor could understand
    if (length == 0 && !NewModbus())
        return false;
    // A device's line garbles requests at another speed by itself.
    if (!OnDevice() && !LineAtOwnSpeed(ownBaud))
        return true;

    if (stream.active || stream.leftovers)
        EndStream(true);
    const SensorRequest request = DecodeRequest(frame, MODBUS_RTU_MAX_ADU_LENGTH);
    std::vector<uint8_t> reply;
    bool startStream = false;
    {
        std::lock_guard lock(mutex);
        log.push_back(request);
        if (length > 0)
            reply = Answer(frame, length, startStream);
    }
    Send(reply);
    if (startStream) {
        stream.active = true;
        stream.sent = 0;
        stream.next = Clock::now();
        stream.end = stream.next + streamLimit;
        std::lock_guard lock(mutex);
        stream.powerCycle = powerCycles;
    }
    if (options.onRequest)
        options.onRequest(request);
    return true;
}

// On Linux the master reports the slave's settings: the speed the tool configured.
bool VirtualSensor::State::LineAtOwnSpeed(unsigned ownBaud) const
{
    termios settings{};
    speed_t own;
    return tcgetattr(master, &settings) == 0 && SpeedOfBaud(ownBaud, own) &&
        cfgetospeed(&settings) == own;
}

// Called with the mutex held.
std::vector<uint8_t> VirtualSensor::State::Answer(const uint8_t* frame, int length,
                                                  bool& startStream)
{
    const uint8_t function = frame[1];
    const uint16_t start = static_cast<uint16_t>(frame[2] << 8 | frame[3]);
    const bool broadcast = frame[0] == 0;

    if (fault == SensorFault::ExceptionReply) {
        if (broadcast)
            return {};
        modbus_set_socket(modbus, captureWrite);
        modbus_reply_exception(modbus, frame, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
        modbus_set_socket(modbus, master);
        return ShapeReply(fault, address, Captured());
    }

    uint16_t* config = registers->tab_registers;
    std::vector<uint16_t> stored(config, config + map.configCount);
    if (fault == SensorFault::ReadbackDiffers && function == 3) {
        for (uint16_t i = 0; i < map.configCount; ++i) {
            config[i] = static_cast<uint16_t>((config[i] & 0xFF00) | ((config[i] + 1) & 0xFF));
        }
    }
    modbus_set_socket(modbus, captureWrite);
    modbus_reply(modbus, frame, length, registers);
    modbus_set_socket(modbus, master);
    if (fault == SensorFault::ReadbackDiffers && function == 3) {
        std::copy(stored.begin(), stored.end(), config);
    }
    std::vector<uint8_t> reply = Captured();

    const uint16_t written = config[map.addressRegister - map.configStart];
    if (options.profile == 1 && written >= 1 && written <= 247) {
        address = static_cast<uint8_t>(written);
    }

    if (broadcast || fault == SensorFault::Silent)
        return {};
    if (fault == SensorFault::FirstRequestOnly && function == 4 && start != map.measurementStart) {
        return {};
    }
    if (fault == SensorFault::EndlessStream) {
        startStream = true;
        return {};
    }
    return ShapeReply(fault, frame[0], reply);
}

std::vector<uint8_t> VirtualSensor::State::Captured()
{
    uint8_t bytes[MODBUS_RTU_MAX_ADU_LENGTH];
    const ssize_t count = read(captureRead, bytes, sizeof bytes);
    if (count <= 0)
        return {};
    return {bytes, bytes + count};
}

void VirtualSensor::State::Send(const std::vector<uint8_t>& bytes) const
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = write(master, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;  // the tool's side is full: those bytes are lost on the line
        done += static_cast<size_t>(count);
    }
}

void VirtualSensor::State::StreamChunk()
{
    uint8_t ownAddress;
    unsigned ownBaud;
    bool interrupted;
    {
        std::lock_guard lock(mutex);
        ownAddress = address;
        ownBaud = baud;
        interrupted = fault != SensorFault::EndlessStream || powerCycles != stream.powerCycle;
    }
    if (interrupted) {
        EndStream(true);
        return;
    }
    // About one byte per ten bit times, the pace of the real line.
    std::vector<uint8_t> chunk(std::max(1u, ownBaud / 1000));
    for (uint8_t& byte : chunk)
        byte = StreamByte(ownAddress, stream.sent++);
    Send(chunk);
    stream.leftovers = true;
    stream.next += streamChunkPeriod;
    if (stream.next >= stream.end)
        EndStream(false);
}

// Discarding drops what the tool has not read yet, so a stream cannot outlive the fault
// in the tool's input and spoil the replies that follow. On a device only the bytes not
// yet sent are still ours to drop.
void VirtualSensor::State::EndStream(bool discard)
{
    stream.active = false;
    if (discard) {
        if (OnDevice()) {
            tcflush(master, TCOFLUSH);
        } else {
            tcflush(slave, TCIFLUSH);
        }
        stream.leftovers = false;
    }
}

int VirtualSensor::State::MillisecondsToNextChunk() const
{
    if (!stream.active)
        return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(stream.next - Clock::now());
    return static_cast<int>(std::max<long long>(0, wait.count()));
}

VirtualSensor::VirtualSensor(SensorOptions options)
    : state(std::make_unique<State>(std::move(options)))
{
}

VirtualSensor::~VirtualSensor()
{
    Stop();
    if (state->modbus != nullptr)
        modbus_free(state->modbus);
    if (state->registers != nullptr)
        modbus_mapping_free(state->registers);
    // TIOCEXCL outlives our descriptor while others hold the device open.
    if (state->OnDevice() && state->master != -1)
        ioctl(state->master, TIOCNXCL);
    CloseFd(state->master);
    CloseFd(state->slave);
    CloseFd(state->wake);
    CloseFd(state->captureRead);
    CloseFd(state->captureWrite);
}

bool VirtualSensor::Start()
{
    State& s = *state;
    const SensorOptions& o = s.options;
    uint16_t baudIndex;
    if (s.thread.joinable() || (o.profile != 1 && o.profile != 2) || o.address < 1 ||
        o.address > 247 || !BaudIndex(o.baud, baudIndex) || o.parity >= parityIndexCount) {
        return false;
    }
    s.fault = o.fault;
    s.address = o.address;
    s.baud = o.baud;
    s.parity = o.parity;

    const SensorMap& map = s.map;
    s.registers = modbus_mapping_new_start_address(0, 0, 0, 0, map.configStart, map.configCount,
                                                   map.measurementStart, map.measurementCount);
    if (s.registers == nullptr)
        return false;
    uint16_t* config = s.registers->tab_registers;
    config[map.addressRegister - map.configStart] = o.address;
    config[map.baudRegister - map.configStart] = baudIndex;
    config[map.parityRegister - map.configStart] = o.parity;
    EncodeMeasurements(o.profile, o.values, s.registers->tab_input_registers);

    const bool lineOpen = o.device.empty() ? s.OpenTerminal() : s.OpenDevice();
    if (!lineOpen || !s.OpenPipes() || !s.NewModbus())
        return false;
    s.thread = std::thread([&s] { s.Serve(); });
    return true;
}

void VirtualSensor::Stop()
{
    if (!state->thread.joinable())
        return;
    const uint64_t one = 1;
    if (write(state->wake, &one, sizeof one) != sizeof one)
        std::abort();
    state->thread.join();
}

std::string VirtualSensor::DevicePath() const
{
    return state->path;
}

std::vector<SensorRequest> VirtualSensor::Requests() const
{
    std::lock_guard lock(state->mutex);
    return state->log;
}

void VirtualSensor::ClearRequests()
{
    std::lock_guard lock(state->mutex);
    state->log.clear();
}

uint8_t VirtualSensor::Address() const
{
    std::lock_guard lock(state->mutex);
    return state->address;
}

unsigned VirtualSensor::Baud() const
{
    std::lock_guard lock(state->mutex);
    return state->baud;
}

uint8_t VirtualSensor::Parity() const
{
    std::lock_guard lock(state->mutex);
    return state->parity;
}

// Settings that are out of range keep the previous ones, as a sensor's firmware would
// rather than brick itself.
bool VirtualSensor::Restart()
{
    State& s = *state;
    std::lock_guard lock(s.mutex);
    ++s.powerCycles;
    if (s.registers == nullptr)
        return true;
    const uint16_t* config = s.registers->tab_registers;
    const uint16_t address = config[s.map.addressRegister - s.map.configStart];
    const uint16_t baudIndex = config[s.map.baudRegister - s.map.configStart];
    const uint16_t parity = config[s.map.parityRegister - s.map.configStart];
    if (address >= 1 && address <= 247)
        s.address = static_cast<uint8_t>(address);
    BaudOfIndex(baudIndex, s.baud);
    if (parity < parityIndexCount)
        s.parity = static_cast<uint8_t>(parity);
    return !s.OnDevice() || s.ConfigureDevice(s.baud, s.parity);
}

void VirtualSensor::SetFault(SensorFault fault)
{
    std::lock_guard lock(state->mutex);
    state->fault = fault;
}
