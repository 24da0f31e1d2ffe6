// Opening and closing the port: the 19-character path limit, exclusivity against another
// process and another object, and the exclusive flag cleared again on close.
#include "pty_pair.h"
#include "uPort.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A directory in /tmp whose name makes paths of exact lengths possible.
class ShortTempDir {
public:
    ShortTempDir()
    {
        char pattern[] = "/tmp/tpXXXXXX";
        if (mkdtemp(pattern))
            path = pattern;
    }
    ~ShortTempDir()
    {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
    std::string path;
};

bool ExclusiveFlag(int fd)
{
    int flag = -1;
    return ioctl(fd, TIOCGEXCL, &flag) == 0 && flag != 0;
}

}  // namespace

TEST(PortOpen, PathsUpToNineteenCharactersOpenLongerOnesAreCutAndRefused)
{
    PtyPair pty;
    ShortTempDir dir;
    ASSERT_TRUE(pty.Ok());
    ASSERT_LT(dir.path.size(), 18u);
    const struct {
        size_t pathLength;
        bool opens;
    } cases[] = {{19, true}, {20, false}, {40, false}};
    for (const auto& c : cases) {
        // A link to the slave, so a refusal can only come from the length.
        const std::string path =
            dir.path + "/" + std::string(c.pathLength - dir.path.size() - 1, 'p');
        std::filesystem::create_symlink(pty.SlavePath(), path);
        MyRs232Port port(1024, 1024);
        EXPECT_EQ(port.Open(path.c_str()), c.opens) << path;
        EXPECT_EQ(port.PortName(), path.substr(0, 19));
        EXPECT_EQ(port.OpenError(), c.opens ? 0 : ENAMETOOLONG);
        EXPECT_EQ(port.IsOpen(), c.opens);
        port.Close();
    }
}

TEST(PortOpen, AMissingDeviceFails)
{
    MyRs232Port port(1024, 1024);
    EXPECT_FALSE(port.Open("/dev/ttyUSB99"));
    EXPECT_EQ(port.OpenError(), ENOENT);
    EXPECT_FALSE(port.IsOpen());
}

TEST(PortOpen, APortHeldByAnotherObjectOrProcessIsBusyEvenForRoot)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    const char* path = pty.SlavePath().c_str();

    MyRs232Port holder(1024, 1024);
    ASSERT_TRUE(holder.Open(path));
    MyRs232Port second(1024, 1024);
    EXPECT_FALSE(second.Open(path));
    EXPECT_EQ(second.OpenError(), EBUSY);
    EXPECT_TRUE(ExclusiveFlag(pty.Slave())) << "the refused open must leave the holder's claim";
    holder.Close();

    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        MyRs232Port held(1024, 1024);
        const char opened = held.Open(path) ? 'y' : 'n';
        (void)!write(ready[1], &opened, 1);
        char done;
        (void)!read(release[0], &done, 1);
        held.Close();
        _exit(0);
    }
    char opened = 0;
    ASSERT_EQ(read(ready[0], &opened, 1), 1);
    EXPECT_EQ(opened, 'y');
    MyRs232Port parent(1024, 1024);
    EXPECT_FALSE(parent.Open(path));
    EXPECT_EQ(parent.OpenError(), EBUSY);
    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);

    EXPECT_TRUE(parent.Open(path)) << "the claim must end with the holder";
}

TEST(PortOpen, CloseClearsTheExclusiveFlagOfATerminalThatStaysOpenElsewhere)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    MyRs232Port port(1024, 1024);
    ASSERT_TRUE(port.Open(pty.SlavePath().c_str()));
    EXPECT_TRUE(ExclusiveFlag(pty.Slave()));
    port.Close();
    EXPECT_FALSE(ExclusiveFlag(pty.Slave()));
    EXPECT_FALSE(port.IsOpen());
    port.Close();  // harmless when already closed
    EXPECT_TRUE(port.Open(pty.SlavePath().c_str()));
}

TEST(PortOpen, OpeningAnOpenPortIsRefusedAndKeepsTheHandle)
{
    PtyPair pty, other;
    ASSERT_TRUE(pty.Ok() && other.Ok());
    MyRs232Port port(1024, 1024);
    ASSERT_TRUE(port.Open(pty.SlavePath().c_str()));
    EXPECT_FALSE(port.Open(other.SlavePath().c_str()));
    EXPECT_EQ(port.OpenError(), EBUSY);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PortName(), pty.SlavePath());
}

TEST(PortOpen, WriteOnAClosedPortFails)
{
    MyRs232Port port(1024, 1024);
    const uint8_t byte = 0x55;
    EXPECT_FALSE(port.Write(&byte, 1));
}

TEST(PortOpen, NoOpenOrCloseLeavesADescriptorBehind)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    MyRs232Port holder(1024, 1024);
    const auto before = openDescriptors();
    for (int round = 0; round < 20; ++round) {
        MyRs232Port port(1024, 1024);
        ASSERT_TRUE(port.Open(pty.SlavePath().c_str()));
        EXPECT_TRUE(port.Configure(9600, 2));
        port.Close();
        EXPECT_FALSE(port.Open("/dev/null"));      // refused after the check
        EXPECT_FALSE(port.Open("/dev/ttyUSB99"));  // missing
        EXPECT_FALSE(port.Open("/tmp/far/too/long/a/path"));
        ASSERT_TRUE(holder.Open(pty.SlavePath().c_str()));
        EXPECT_FALSE(port.Open(pty.SlavePath().c_str()));  // busy after the open
        holder.Close();
    }
    EXPECT_EQ(openDescriptors(), before);
}
