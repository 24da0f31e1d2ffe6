// The port list from a sysfs tree of the test's own, laid out as the kernel lays out
// /sys/class/tty.
#include "serial_ports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FakeTtyClass : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ttyclassXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override { fs::remove_all(root); }

    // hardware: whether a device link stands behind the tty; type: a serial-core UART type.
    void AddTty(const std::string& name, bool hardware, const char* type = nullptr)
    {
        const fs::path devices = fs::path(root) / "devices" / name;
        fs::create_directories(devices);
        if (hardware) {
            fs::create_directories(fs::path(root) / "devices" / "parents" / name);
            fs::create_directory_symlink(fs::path(root) / "devices" / "parents" / name,
                                         devices / "device");
        }
        if (type)
            std::ofstream(devices / "type") << type << "\n";
        fs::create_directories(fs::path(root) / "class" / "tty");
        fs::create_directory_symlink(devices, fs::path(root) / "class" / "tty" / name);
    }

    fs::path root;
};

}  // namespace

TEST_F(FakeTtyClass, ListsPortsWithHardwareInNaturalOrder)
{
    AddTty("ttyS10", true, "4");
    AddTty("ttyS2", true, "4");
    AddTty("ttyS0", true, "4");
    AddTty("ttyS1", true, "0");  // a placeholder of the 8250 driver
    AddTty("ttyS3", true, "0");
    AddTty("ttyUSB10", true);
    AddTty("ttyUSB9", true);
    AddTty("ttyACM0", true);
    AddTty("ttyAMA0", true, "126");
    AddTty("tty0", false);
    AddTty("tty12", false);
    AddTty("console", false);
    AddTty("ptmx", false);
    AddTty("ttyprintk", false);
    EXPECT_EQ(ListSerialPorts(root.string()),
              (std::vector<std::string>{"ttyACM0", "ttyAMA0", "ttyS0", "ttyS2", "ttyS10", "ttyUSB9",
                                        "ttyUSB10"}));
}

TEST_F(FakeTtyClass, ADanglingDeviceLinkOrAMissingTreeGivesNoPorts)
{
    AddTty("ttyUSB0", true);
    fs::remove_all(root / "devices" / "parents");  // the adapter was pulled out meanwhile
    EXPECT_TRUE(ListSerialPorts(root.string()).empty());
    EXPECT_TRUE(ListSerialPorts((root / "nowhere").string()).empty());
}

TEST_F(FakeTtyClass, APortTheKernelConsoleRunsOnIsNotOffered)
{
    AddTty("ttyS0", true, "4");
    AddTty("ttyS1", true, "4");
    AddTty("ttyUSB0", true);
    AddTty("tty0", false);
    AddTty("console", false);
    std::ofstream(root / "devices" / "console" / "active") << "tty0 ttyS0\n";
    EXPECT_EQ(ListSerialPorts(root.string()), (std::vector<std::string>{"ttyS1", "ttyUSB0"}));
}
