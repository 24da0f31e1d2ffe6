// The serial line as the tool sees it: MyPort is one serial device opened as a file with
// deadline-bounded reads and writes; MyRs232Port adds the line settings and the Modbus RTU
// master (functions 3, 4 and 16) that builds its frames in the port's own buffers.
//
// Every operation reports success as a bool and leaves the object usable after a failure.
// The port is opened, configured, used and closed within one tick of the window's cycle;
// nothing here keeps the device open between ticks, and nothing here allocates after
// construction.
#pragma once

#include <cstdint>
#include <memory>

class MyPort {
public:
    // Buffer sizes: the receive buffer's first, the transmit buffer's second.
    MyPort(int rxSize, int txSize);
    virtual ~MyPort();
    MyPort(const MyPort&) = delete;
    MyPort& operator=(const MyPort&) = delete;

    // Opens a terminal device exclusively for reading and writing. The path (at most 19
    // characters) is first copied into portName; a longer one is cut there and refused
    // without touching the system. A path that is not a serial or pseudo-terminal device
    // is refused before any driver's open runs. While the port is open, Open is refused
    // (EBUSY): the open handle is neither closed nor lost.
    virtual bool Open(const char* path);

    // Writes count bytes within the write time-out; true only if all of them went out.
    // False without a system call when the port is not open.
    virtual bool Write(const uint8_t* data, int count);

    // Reads exactly count bytes within the read time-outs; a time-out, an error or a
    // hang-up yields false.
    bool Read(uint8_t* buffer, int count);

    // Closes the handle, whether or not it was open, and gives up the exclusive claim.
    void Close();

    // The reason of the last failed Open, as errno (0 when the last Open succeeded),
    // kept only so the window can tell the technician why a port cannot be opened.
    int OpenError() const { return openError; }

    const char* PortName() const { return portName; }
    bool IsOpen() const { return handle != -1; }

protected:
    // Time-outs in milliseconds with the meaning of the classic serial time-out record:
    // a read of n bytes may take readTotalMultiplier * n + readTotalConstant in all and
    // readInterval between two bytes; a write of n bytes writeTotalMultiplier * n +
    // writeTotalConstant. Configure sets them from the baud rate.
    struct Timeouts {
        unsigned readInterval = 32;
        unsigned readTotalMultiplier = 132;
        unsigned readTotalConstant = 200;
        unsigned writeTotalMultiplier = 1000;
        unsigned writeTotalConstant = 20;
    };

    char portName[20];
    int handle = -1;
    int rxSize;
    int txSize;
    std::unique_ptr<uint8_t[]> rxBuffer;
    std::unique_ptr<uint8_t[]> txBuffer;
    Timeouts timeouts;
    int openError = 0;

    // Bytes the driver handed over with an earlier read() that Read has not given out yet:
    // a reply that has already arrived costs one system call rather than one per byte, and
    // the time-outs still bound the silence after the last byte. Dropped at Close, as a
    // serial driver drops its input when the port is closed.
    uint8_t arrived[64];
    int arrivedStart = 0;
    int arrivedEnd = 0;

private:
    // Read when more is asked for than has arrived: reads the driver and waits within the
    // time-outs.
    bool ReadWaiting(uint8_t* buffer, int count);
};

class MyRs232Port : public MyPort {
public:
    MyRs232Port(int rxSize, int txSize);

    bool Open(const char* path) override;

    // Sets baud, 8 data bits, the driver's parity code (0 none, 1 odd, 2 even), 1 stop bit
    // and a transparent line, and derives the time-outs from the baud rate.
    bool Configure(uint32_t baud, uint8_t parityCode);

    // Modbus CRC-16 (reflected 0xA001, initial 0xFFFF) over at most 255 bytes.
    static uint16_t Crc16(const uint8_t* data, uint8_t length);

    // Sends the first length bytes of txBuffer after putting the CRC of the first
    // length - 2 into the last two, low byte first.
    bool SendFrame(int length);

    bool ReadHoldingRegisters(uint8_t slave, uint16_t start, uint16_t quantity);
    bool ReadInputRegisters(uint8_t slave, uint16_t start, uint16_t quantity);
    // data holds 2 * quantity bytes in wire order; slave 0 broadcasts and reads nothing.
    bool WriteMultipleRegisters(uint8_t slave, uint16_t start, uint16_t quantity,
                                const uint8_t* data);

    // Register index of the last read reply, taken from rxBuffer as it stands.
    uint16_t GetRegister(uint16_t index) const;

private:
    bool ReadRegisters(uint8_t function, uint8_t slave, uint16_t start, uint16_t quantity);
    // Skips bytes until the slave's address (at most rxSize of them), then expects function.
    bool AwaitReplyStart(uint8_t slave, uint8_t function);
    // Reads reply bytes first to end - 1 into rxBuffer, one read each.
    bool ReadReplyBytes(int first, int end);
};
