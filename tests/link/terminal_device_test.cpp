// Only terminals are ever opened: the check on the device numbers against a sysfs tree of
// the test's own, and names on this machine that must be refused without an open().
#include "terminal_device.h"
#include "uPort.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class FakeSysfs {
public:
    FakeSysfs()
    {
        char pattern[] = "/tmp/sysfsXXXXXX";
        if (mkdtemp(pattern))
            root = pattern;
    }
    ~FakeSysfs() { fs::remove_all(root); }

    // A node under dev/char as the kernel lays it out: a subsystem link, maybe a device
    // link, maybe a UART type.
    void AddCharDevice(const std::string& majorMinor, const std::string& subsystem, bool device,
                       const char* type = nullptr)
    {
        const fs::path dir = fs::path(root) / "dev" / "char" / majorMinor;
        fs::create_directories(dir);
        fs::create_symlink("../../../class/" + subsystem, dir / "subsystem");
        if (device)
            fs::create_directory(dir / "device");
        if (type)
            std::ofstream(dir / "type") << type << "\n";
    }

    std::string root;
};

struct stat CharDevice(unsigned deviceMajor, unsigned deviceMinor)
{
    struct stat info { };
    info.st_mode = S_IFCHR | 0660;
    info.st_rdev = makedev(deviceMajor, deviceMinor);
    return info;
}

}  // namespace

TEST(TerminalDevice, AcceptsSerialTtysWithHardwareAndPseudoTerminalSlavesOnly)
{
    FakeSysfs sysfs;
    ASSERT_FALSE(sysfs.root.empty());
    sysfs.AddCharDevice("188:0", "tty", true);      // ttyUSB0
    sysfs.AddCharDevice("166:0", "tty", true);      // ttyACM0
    sysfs.AddCharDevice("4:64", "tty", true, "4");  // ttyS0, a 16550A
    sysfs.AddCharDevice("4:65", "tty", true, "0");  // ttyS1, a placeholder of the 8250 driver
    sysfs.AddCharDevice("4:1", "tty", false);       // tty1, a virtual console
    sysfs.AddCharDevice("5:3", "tty", false);       // ttyprintk
    sysfs.AddCharDevice("10:130", "misc", true);    // watchdog
    sysfs.AddCharDevice("1:3", "mem", false);       // null
    sysfs.AddCharDevice("5:0", "tty", true);        // /dev/tty, even if sysfs claimed hardware

    struct stat block = CharDevice(254, 0);
    block.st_mode = S_IFBLK | 0660;
    struct stat fifo { };
    fifo.st_mode = S_IFIFO | 0600;
    struct stat file { };
    file.st_mode = S_IFREG | 0600;

    const struct {
        const char* what;
        struct stat info;
        int expected;
    } cases[] = {
        {"ttyUSB0", CharDevice(188, 0), 0},
        {"ttyACM0", CharDevice(166, 0), 0},
        {"ttyS0 with a UART", CharDevice(4, 64), 0},
        {"/dev/pts/0", CharDevice(136, 0), 0},
        {"/dev/pts/1048575", CharDevice(143, 0xFFFFF), 0},
        {"ttyS1 placeholder", CharDevice(4, 65), ENOTTY},
        {"tty1", CharDevice(4, 1), ENOTTY},
        {"ttyprintk", CharDevice(5, 3), ENOTTY},
        {"/dev/tty", CharDevice(5, 0), ENOTTY},
        {"/dev/console", CharDevice(5, 1), ENOTTY},
        {"/dev/ptmx", CharDevice(5, 2), ENOTTY},
        {"watchdog", CharDevice(10, 130), ENOTTY},
        {"null", CharDevice(1, 3), ENOTTY},
        {"a device sysfs does not know", CharDevice(180, 7), ENOTTY},
        {"major 144 beyond the pseudo-terminals", CharDevice(144, 0), ENOTTY},
        {"a block device", block, ENOTTY},
        {"a FIFO", fifo, ENOTTY},
        {"a regular file", file, ENOTTY},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckTerminalDevice(c.info, sysfs.root), c.expected) << c.what;
}

TEST(TerminalDevice, NonTerminalsAreRefusedWithoutBeingOpened)
{
    char pattern[] = "/tmp/ntXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    const std::string fifo = (dir / "f").string();
    const std::string file = (dir / "r").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(file) << "untouched";

    // Any open() of these, even one that failed later, would show up as an inotify event; a
    // read-write open of the FIFO would not even block, so only the events can tell.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_NE(watch, -1);
    inotify_add_watch(watch, fifo.c_str(), IN_ALL_EVENTS);
    inotify_add_watch(watch, file.c_str(), IN_ALL_EVENTS);

    for (const std::string& path : {fifo, file, dir.string()}) {
        MyRs232Port port(1024, 1024);
        EXPECT_FALSE(port.Open(path.c_str())) << path;
        EXPECT_EQ(port.OpenError(), ENOTTY) << path;
    }
    char events[4096];
    EXPECT_EQ(read(watch, events, sizeof events), -1) << "something opened or touched the files";
    close(watch);
    std::string content;
    std::ifstream(file) >> content;
    EXPECT_EQ(content, "untouched");
    fs::remove_all(dir);
}

TEST(TerminalDevice, DeviceNodesThatAreNotSerialPortsAreRefused)
{
    // Opening any of these would have effects: a new pseudo-terminal, the technician's own
    // terminal or console, or (for the ttyS placeholders) a port without hardware.
    int refused = 0;
    for (const char* path : {"/dev/null", "/dev/zero", "/dev/tty", "/dev/console", "/dev/ptmx",
                             "/dev/tty1", "/dev/tty0", "/dev/loop0", "/dev/vda"}) {
        if (access(path, F_OK) != 0)
            continue;
        MyRs232Port port(1024, 1024);
        EXPECT_FALSE(port.Open(path)) << path;
        EXPECT_EQ(port.OpenError(), ENOTTY) << path;
        ++refused;
    }
    EXPECT_GT(refused, 0);
}
