// MyPort as a file: the buffers it owns, and opening and closing the device exclusively.
//
// Exclusivity takes two locks because neither suffices alone: TIOCEXCL makes the kernel
// refuse other opens of the terminal, but root bypasses it; a non-blocking flock() also
// stops root and a second MyPort in this same process. TIOCEXCL outlives our descriptor when
// someone else keeps the terminal open (the virtual sensor holds its own pseudo-terminal
// slave), so Close clears it again.
#include "terminal_device.h"
#include "uPort.h"

#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

MyPort::MyPort(int rxSize, int txSize)
    : rxSize(std::max(rxSize, 0))
    , txSize(std::max(txSize, 0))
    , rxBuffer(std::make_unique<uint8_t[]>(this->rxSize))
    , txBuffer(std::make_unique<uint8_t[]>(this->txSize))
{
    std::fill(std::begin(portName), std::end(portName), '\0');
    // Registers read before any reply then show as absent (0xFFFF), as after a short reply.
    std::fill_n(rxBuffer.get(), this->rxSize, 0xFF);
}

// Closing here as well costs nothing when the owner has closed, and otherwise keeps the
// descriptor and the exclusive claim from outliving the object.
MyPort::~MyPort()
{
    Close();
}

bool MyPort::Open(const char* path)
{
    // Opening over an open handle would either leak it or take it away from its user.
    if (handle != -1) {
        openError = EBUSY;
        return false;
    }
    if (path == nullptr)
        path = "";
    size_t copied = 0;
    for (; copied < sizeof portName; ++copied) {
        portName[copied] = path[copied];
        if (path[copied] == '\0')
            break;
    }
    if (copied == sizeof portName) {
        portName[sizeof portName - 1] = '\0';
        openError = ENAMETOOLONG;
        return false;
    }

    const int fd = OpenTerminalDevice(path, openError);
    if (fd == -1)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        openError = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);  // the other holder's TIOCEXCL is left alone
        return false;
    }
    if (ioctl(fd, TIOCEXCL) != 0) {
        openError = errno;
        close(fd);
        return false;
    }
    handle = fd;
    openError = 0;
    return true;
}

void MyPort::Close()
{
    if (handle == -1)
        return;
    // Both claims go before close(): once the descriptor is gone nobody can clear TIOCEXCL.
    ioctl(handle, TIOCNXCL);
    flock(handle, LOCK_UN);
    close(handle);
    handle = -1;
    arrivedStart = arrivedEnd = 0;
}
