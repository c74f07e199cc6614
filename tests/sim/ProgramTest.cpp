// The tagwright-reader-sim program as an operator starts it: beside this test
// binary, with a link in a temporary directory, ended by SIGTERM.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "sim/StationPort.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

std::filesystem::path ProgramPath() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "tagwright-reader-sim";
}

// The program run by a shell that prints its PID first and ends with its
// exit status.
class SimProcess {
public:
    explicit SimProcess(const std::string& args)
        : out_(::popen(("exec 2>/dev/null; '" + ProgramPath().string() + "' " + args +
                        " & echo $!; wait $!").c_str(), "r")),
          pid_(std::atoi(Line().c_str())) {}
    ~SimProcess() { Wait(SIGKILL); }

    // The next line the program prints, without its LF.
    std::string Line() {
        char buffer[4096];
        if (out_ == nullptr || std::fgets(buffer, sizeof buffer, out_) == nullptr) return {};
        return std::string(buffer, std::strcspn(buffer, "\n"));
    }
    // The exit status (after the signal), or -1 when it did not end normally.
    int Wait(int signal = 0) {
        if (out_ == nullptr) return -1;
        if (pid_ > 0 && signal != 0) ::kill(pid_, signal);  // never -1: that signals everything
        const int status = ::pclose(std::exchange(out_, nullptr));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    FILE* out_;
    pid_t pid_;
};

TEST(ProgramTest, ServesItsLinkKeepsStateAndRemovesTheLinkOnSigterm) {
    TempDir dir;
    ASSERT_TRUE(std::filesystem::exists(ProgramPath())) << "build tagwright-reader-sim";
    const std::string link = (dir / "ttyReader").string();
    const std::string state = (dir / "reader.state").string();
    {
        SimProcess sim("--link " + link + " --uid CAFE0042 --page 3=0102030405060708 --lock 3"
                       " --tor 42 --state " + state + " --flip-bit 7");
        ASSERT_EQ(sim.Line(), link);
        StationPort port(link);
        EXPECT_EQ(port.Ask("RUID"), "CAFE0042\r");
        EXPECT_EQ(port.Ask("WD 3 0000000000000000"), "NAK\r");
        EXPECT_EQ(port.Ask("WD 7 0011223344556677"), "ACK\r");
        EXPECT_EQ(port.Ask("RD 7"), "0011223344556676\r");  // the fault reached the Reader
        EXPECT_EQ(port.Ask("TOR"), "42\r");
        EXPECT_EQ(sim.Wait(SIGTERM), 0);
        EXPECT_FALSE(std::filesystem::is_symlink(link));
    }
    // Without a link it prints the device; the state came through the restart.
    SimProcess sim("--state " + state + " --crlf");
    const std::string path = sim.Line();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    StationPort port(path);
    port.Send("RD 3\r");
    EXPECT_EQ(port.ReadUntil("\r\n"), "0102030405060708\r\n");
    EXPECT_EQ(sim.Wait(SIGINT), 0);

    // Bad arguments and an unreadable state file are refused, the file kept.
    EXPECT_EQ(SimProcess("--fail many").Wait(), 2);
    const auto broken = dir.Write("broken.state", "not a transponder\n");
    EXPECT_EQ(SimProcess("--state " + broken.string()).Wait(), 1);
    EXPECT_EQ(dir.Read("broken.state"), "not a transponder\n");
}

}  // namespace
}  // namespace tagwright::test
