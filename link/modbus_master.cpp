// The Modbus RTU master: requests built in txBuffer, replies read byte by byte into rxBuffer
// and checked for address, function and CRC. Nothing here allocates; the buffers are the
// port's own.
#include "uPort.h"

#include <algorithm>

namespace {

constexpr uint8_t kReadHoldingRegisters = 3;
constexpr uint8_t kReadInputRegisters = 4;
constexpr uint8_t kWriteMultipleRegisters = 16;
constexpr int kReadRequestLength = 8;
constexpr int kShortestReadReply = 5;  // address, function, byte count, CRC
constexpr int kWriteReplyLength = 8;
constexpr uint16_t kMaxWriteQuantity = 123;
// A longer reply would exceed the 255 bytes the CRC routine's 8-bit length covers.
constexpr int kMaxReplyByteCount = 250;

void PutBigEndian(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value & 0xFF);
}

}  // namespace

bool MyRs232Port::SendFrame(int length)
{
    if (length < 2 || length > txSize || length - 2 > 255)
        return false;
    const uint16_t crc = Crc16(txBuffer.get(), static_cast<uint8_t>(length - 2));
    txBuffer[length - 2] = static_cast<uint8_t>(crc & 0xFF);
    txBuffer[length - 1] = static_cast<uint8_t>(crc >> 8);
    return Write(txBuffer.get(), length);
}

bool MyRs232Port::ReadHoldingRegisters(uint8_t slave, uint16_t start, uint16_t quantity)
{
    return ReadRegisters(kReadHoldingRegisters, slave, start, quantity);
}

bool MyRs232Port::ReadInputRegisters(uint8_t slave, uint16_t start, uint16_t quantity)
{
    return ReadRegisters(kReadInputRegisters, slave, start, quantity);
}

bool MyRs232Port::ReadRegisters(uint8_t function, uint8_t slave, uint16_t start, uint16_t quantity)
{
    // Registers the reply does not reach then read as 0xFFFF.
    std::fill_n(rxBuffer.get(), rxSize, 0xFF);
    if (txSize < kReadRequestLength || rxSize < kShortestReadReply)
        return false;
    txBuffer[0] = slave;
    txBuffer[1] = function;
    PutBigEndian(&txBuffer[2], start);
    PutBigEndian(&txBuffer[4], quantity);
    if (!SendFrame(kReadRequestLength) || !AwaitReplyStart(slave, function) ||
        !ReadReplyBytes(2, 3))
        return false;
    // The byte count is not compared with the quantity asked for; the CRC judges the reply.
    const int replyLength = rxBuffer[2] + 5;
    if (rxBuffer[2] > kMaxReplyByteCount || replyLength > rxSize || !ReadReplyBytes(3, replyLength))
        return false;
    return Crc16(rxBuffer.get(), static_cast<uint8_t>(replyLength)) == 0;
}

bool MyRs232Port::WriteMultipleRegisters(uint8_t slave, uint16_t start, uint16_t quantity,
                                         const uint8_t* data)
{
    const int byteCount = 2 * quantity;
    const int requestLength = byteCount + 9;
    if (quantity > kMaxWriteQuantity || requestLength > txSize ||
        (byteCount > 0 && data == nullptr))
        return false;
    txBuffer[0] = slave;
    txBuffer[1] = kWriteMultipleRegisters;
    PutBigEndian(&txBuffer[2], start);
    PutBigEndian(&txBuffer[4], quantity);
    txBuffer[6] = static_cast<uint8_t>(byteCount);
    std::copy_n(data, byteCount, &txBuffer[7]);
    if (!SendFrame(requestLength))
        return false;
    if (slave == 0)
        return true;  // nobody answers a broadcast
    std::fill_n(rxBuffer.get(), rxSize, 0xFF);
    // The echoed start and quantity are not compared with the request; the CRC judges them.
    return rxSize >= kWriteReplyLength && AwaitReplyStart(slave, kWriteMultipleRegisters) &&
        ReadReplyBytes(2, kWriteReplyLength) && Crc16(rxBuffer.get(), kWriteReplyLength) == 0;
}

bool MyRs232Port::AwaitReplyStart(uint8_t slave, uint8_t function)
{
    if (rxSize < 2)
        return false;
    // Leading noise and other slaves' replies are dropped byte by byte; the bound keeps a line
    // that never stops talking from holding the transaction for ever.
    bool synchronised = false;
    for (int skipped = 0; skipped < rxSize && !synchronised; ++skipped) {
        if (!Read(&rxBuffer[0], 1))
            return false;
        synchronised = rxBuffer[0] == slave;
    }
    // An exception reply carries function + 0x80 and fails here.
    return synchronised && ReadReplyBytes(1, 2) && rxBuffer[1] == function;
}

bool MyRs232Port::ReadReplyBytes(int first, int end)
{
    // One byte per read, so each read's time-out bounds the silence after the previous byte.
    for (int at = first; at < end; ++at) {
        if (!Read(&rxBuffer[at], 1))
            return false;
    }
    return true;
}

uint16_t MyRs232Port::GetRegister(uint16_t index) const
{
    const int low = 4 + 2 * index;
    if (low >= rxSize)
        return 0xFFFF;  // beyond the buffer: as a register the reply did not reach
    return static_cast<uint16_t>(rxBuffer[low - 1] << 8 | rxBuffer[low]);
}
