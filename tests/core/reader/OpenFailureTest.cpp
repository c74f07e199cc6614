#include "core/reader/OpenFailure.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            slave_ = ptsname(master_);
        }
    }
    ~Pty() {
        if (master_ >= 0) ::close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    const std::string& SlavePath() const { return slave_; }

private:
    int master_ = -1;
    std::string slave_;
};

// Reads what a child wrote to the pipe until it closes it.
std::string ReadAll(int fd) {
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// Runs body in a forked child as an unprivileged user (root opens any
// device whatever its mode) and returns what body wrote to its descriptor.
std::string AsUnprivilegedChild(void (*body)(int out, const std::string&), const std::string& arg) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const passwd* nobody = getpwnam("nobody");
        if (geteuid() == 0 && (!nobody || setgid(nobody->pw_gid) != 0 ||
                               setuid(nobody->pw_uid) != 0)) {
            _exit(2);
        }
        body(fds[1], arg);
        _exit(0);
    }
    ::close(fds[1]);
    std::string text = ReadAll(fds[0]);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return text;
}

void OpenAndExplain(int out, const std::string& path) {
    PosixSerialBackend backend;
    const int error = backend.Open(path);
    const std::string text = std::to_string(error) + "|" + ExplainOpenFailure(path, error);
    (void)!::write(out, text.data(), text.size());
}

TEST(OpenFailureTest, DeniedDeviceNamesUserGroupAndBothWaysToAccess) {
    Pty pty;
    ASSERT_FALSE(pty.SlavePath().empty());
    ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0), 0);
    const std::string result = AsUnprivilegedChild(OpenAndExplain, pty.SlavePath());
    const std::string user = geteuid() == 0 ? "nobody" : getpwuid(geteuid())->pw_name;

    ASSERT_EQ(result.substr(0, result.find('|')), std::to_string(EACCES)) << result;
    EXPECT_TRUE(Contains(result, "denied for user " + user)) << result;
    EXPECT_TRUE(Contains(result, "mode ---------")) << result;
    EXPECT_TRUE(Contains(result, "sudo adduser " + user + " ")) << result;
    EXPECT_TRUE(Contains(result, "70-tagwright-serial.rules")) << result;
}

TEST(OpenFailureTest, BusyDeviceNamesTheProcessThatHoldsIt) {
    Pty pty;
    ASSERT_FALSE(pty.SlavePath().empty());
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        PosixSerialBackend backend;
        const char ok = backend.Open(pty.SlavePath()) == 0 ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        char byte;
        (void)!::read(release[0], &byte, 1);  // until the test closes its end
        _exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char ok = '0';
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');

    PosixSerialBackend backend;
    const int error = backend.Open(pty.SlavePath());
    const std::string text = ExplainOpenFailure(pty.SlavePath(), error);
    ::close(release[1]);
    ::close(ready[0]);
    ::waitpid(holder, nullptr, 0);

    EXPECT_EQ(error, EBUSY);
    EXPECT_TRUE(Contains(text, "in use by ")) << text;
    EXPECT_TRUE(Contains(text, "(PID " + std::to_string(holder) + ")")) << text;
}

// A missing device is not plugged in; services that grab adapters are named
// when they run.
TEST(OpenFailureTest, MissingDeviceIsNotPluggedInAndGrabbersAreNamed) {
    PosixSerialBackend backend;
    EXPECT_EQ(backend.Open("/dev/serial/by-id/usb-Nobody_Reader_0000-if00-port0"), ENOENT);
    EXPECT_TRUE(Contains(ExplainOpenFailure("", EISDIR), "No port is chosen"));
    struct Case {
        std::vector<std::string> running;
        std::vector<std::string> grabbers;
    };
    const Case cases[] = {
        {{"bash", "systemd"}, {}},
        {{"bash", "brltty"}, {"brltty"}},
        {{"ModemManager"}, {"ModemManager"}},
        {{"ModemManager", "sshd", "brltty"}, {"brltty", "ModemManager"}},
    };
    for (const Case& c : cases) {
        TempDir proc;
        int pid = 100;
        for (const std::string& name : c.running) {
            const fs::path dir = proc.Path() / std::to_string(pid++);
            fs::create_directories(dir);
            std::ofstream(dir / "comm") << name << "\n";
        }
        fs::create_directories(proc.Path() / "self");  // not a process of its own
        EXPECT_EQ(RunningPortGrabbers(proc.Path()), c.grabbers);
        const std::string text = ExplainOpenFailure("ttyUSB0", ENOENT, proc.Path());
        EXPECT_TRUE(Contains(text, "No device /dev/ttyUSB0: the Reader's adapter is not plugged"));
        for (const std::string& g : c.grabbers) EXPECT_TRUE(Contains(text, g + " is running"));
        if (c.grabbers.empty()) {
            EXPECT_FALSE(Contains(text, "is running")) << text;
        }
    }
}

}  // namespace
}  // namespace tagwright
