#include "core/reader/OpenFailure.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/reader/PosixSerialBackend.h"
#include "support/TempDir.h"

namespace tagwright {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A pseudo-terminal pair; the slave's path stands in for a serial device.
struct Pty {
    Pty() : master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
    }
    ~Pty() { ::close(master); }
    int master;
    std::string slave;
};

TEST(OpenFailureTest, DeniedDeviceNamesUserGroupAndBothWaysToAccess) {
    Pty pty;
    ASSERT_EQ(::chmod(pty.slave.c_str(), 0), 0);
    // Root opens any device whatever its mode: try it as nobody for a moment,
    // in this thread alone (glibc's seteuid signals every thread, a
    // sanitizer's own ones too).
    const bool root = geteuid() == 0;
    const passwd* nobody = getpwnam("nobody");
    ASSERT_TRUE(!root || (nobody != nullptr &&
                          ::syscall(SYS_setresuid, -1, nobody->pw_uid, -1) == 0));
    PosixSerialBackend backend;
    const int error = backend.Open(pty.slave);
    const std::string text = ExplainOpenFailure(pty.slave, error);
    const std::string user = getpwuid(geteuid())->pw_name;
    ASSERT_TRUE(!root || ::syscall(SYS_setresuid, -1, 0, -1) == 0);

    EXPECT_EQ(error, EACCES);
    EXPECT_TRUE(Contains(text, "denied for user " + user)) << text;
    EXPECT_TRUE(Contains(text, "mode ---------")) << text;
    EXPECT_TRUE(Contains(text, "sudo adduser " + user + " ")) << text;
    EXPECT_TRUE(Contains(text, "70-tagwright-serial.rules")) << text;
}

// A missing device is not plugged in; services that grab adapters are named
// when they run.
TEST(OpenFailureTest, MissingDeviceIsNotPluggedInAndGrabbersAreNamed) {
    PosixSerialBackend backend;
    EXPECT_EQ(backend.Open("/dev/serial/by-id/usb-Nobody_Reader_0000-if00-port0"), ENOENT);
    EXPECT_TRUE(Contains(ExplainOpenFailure("", EISDIR), "No port is chosen"));
    TempDir proc;
    const auto explained = [&] { return ExplainOpenFailure("ttyUSB0", ENOENT, proc.Path()); };
    EXPECT_TRUE(RunningPortGrabbers(proc.Path()).empty());
    EXPECT_FALSE(Contains(explained(), "is running")) << explained();
    int pid = 100;
    for (const char* name : {"ModemManager", "sshd", "brltty"}) {
        const fs::path dir = proc.Path() / std::to_string(pid++);
        fs::create_directories(dir);
        std::ofstream(dir / "comm") << name << "\n";
    }
    fs::create_directories(proc.Path() / "self");  // not a process of its own
    EXPECT_EQ(RunningPortGrabbers(proc.Path()),
              (std::vector<std::string>{"brltty", "ModemManager"}));
    const std::string text = explained();
    EXPECT_TRUE(Contains(text, "No device /dev/ttyUSB0: the Reader's adapter is not plugged"));
    EXPECT_TRUE(Contains(text, "brltty is running") && Contains(text, "ModemManager is running"));
}

}  // namespace
}  // namespace tagwright
