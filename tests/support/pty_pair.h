// A pseudo-terminal pair for the tests: the port under test opens the slave by its path,
// and the test plays the line's far end on the master.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class PtyPair {
public:
    PtyPair();  // check Ok() before use
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master != -1; }
    const std::string& SlavePath() const { return slavePath; }
    int Master() const { return master; }
    // A descriptor of the slave that the pair keeps open, as the virtual sensor does.
    int Slave() const { return slave; }

    bool WriteToSlave(const std::vector<uint8_t>& bytes);
    // Reads what the slave sent until count bytes arrived or wait passed.
    std::vector<uint8_t> ReadFromSlave(size_t count, std::chrono::milliseconds wait);
    // Closes the master: the slave sees a hang-up.
    void HangUp();

private:
    int master = -1;
    int slave = -1;
    std::string slavePath;
};

using Bytes = std::vector<uint8_t>;

// The Modbus CRC by the plain bitwise loop, independent of the table-driven routine.
uint16_t ReferenceCrc(const uint8_t* data, size_t length);
// bytes followed by their CRC, low byte first.
Bytes WithCrc(Bytes bytes);

// Milliseconds taken by f.
template <typename F> long long MillisecondsOf(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}
