// The tagwright-reader-sim program as an operator starts it: beside this test
// binary, with a link in a temporary directory, ended by SIGTERM.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "sim/StationPort.h"
#include "support/TempDir.h"

extern char** environ;

namespace tagwright::test {
namespace {

std::filesystem::path ProgramPath() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "tagwright-reader-sim";
}

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args) {
        args.insert(args.begin(), ProgramPath().string());
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        out_ = out[0];
    }
    ~SimProcess() {
        if (pid_ > 0) StopWith(SIGKILL);
        if (out_ >= 0) ::close(out_);
    }

    // The first line the program prints, without its LF.
    std::string FirstLine() {
        std::string line;
        char c;
        pollfd p{out_, POLLIN, 0};
        while (::poll(&p, 1, static_cast<int>(kPatience.count())) > 0 && ::read(out_, &c, 1) == 1) {
            if (c == '\n') break;
            line += c;
        }
        return line;
    }

    // The exit status after the signal, or -1 when it did not end normally.
    int StopWith(int signal) {
        if (pid_ > 0) ::kill(pid_, signal);  // never -1: that would signal everything
        return Wait();
    }
    int Wait() {
        int status = 0;
        const pid_t pid = std::exchange(pid_, -1);
        if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

class ProgramTest : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(ProgramTest, ServesItsLinkAndRemovesItOnSigterm) {
    ASSERT_TRUE(std::filesystem::exists(ProgramPath())) << "build tagwright-reader-sim";
    const std::string link = (dir_ / "ttyReader").string();
    SimProcess sim({"--link", link, "--uid", "CAFE0042", "--page", "3=0102030405060708",
                    "--lock", "3", "--tor", "42"});
    ASSERT_EQ(sim.FirstLine(), link);
    {
        StationPort port(link);
        ASSERT_TRUE(port.IsOpen());
        EXPECT_EQ(port.Ask("RUID"), "CAFE0042\r");
        EXPECT_EQ(port.Ask("RD 3"), "0102030405060708\r");
        EXPECT_EQ(port.Ask("WD 3 0000000000000000"), "NAK\r");
        EXPECT_EQ(port.Ask("TOR"), "42\r");
    }
    EXPECT_EQ(sim.StopWith(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST_F(ProgramTest, WithoutLinkPrintsTheDeviceAndKeepsStateAcrossRuns) {
    const std::string state = (dir_ / "reader.state").string();
    {
        SimProcess sim({"--state", state, "--crlf"});
        const std::string path = sim.FirstLine();
        ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
        StationPort port(path);
        port.Send("WD 7 0011223344556677\rLD 7\r");
        EXPECT_EQ(port.ReadUntil("\r\n"), "ACK\r\n");
        EXPECT_EQ(port.ReadUntil("\r\n"), "ACK\r\n");
        EXPECT_EQ(sim.StopWith(SIGINT), 0);
    }
    SimProcess sim({"--state", state});
    StationPort port(sim.FirstLine());
    EXPECT_EQ(port.Ask("RD 7"), "0011223344556677\r");
    EXPECT_EQ(port.Ask("WD 7 FFFFFFFFFFFFFFFF"), "NAK\r");
    EXPECT_EQ(sim.StopWith(SIGTERM), 0);
}

TEST_F(ProgramTest, RefusesBadArgumentsAndAnUnreadableStateFile) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--page", "18=0011223344556677"}, {"--page", "3=00112233445566"},
             {"--uid", "ABC"}, {"--delay"}, {"--bogus"}}) {
        EXPECT_EQ(SimProcess(args).Wait(), 2) << args[0];
    }
    const auto state = dir_.Write("broken.state", "not a transponder\n");
    EXPECT_EQ(SimProcess({"--state", state.string()}).Wait(), 1);
    EXPECT_EQ(dir_.Read("broken.state"), "not a transponder\n");

    SimProcess help({"--help"});
    EXPECT_EQ(help.FirstLine().rfind("Usage: tagwright-reader-sim", 0), 0u);
    EXPECT_EQ(help.Wait(), 0);
}

}  // namespace
}  // namespace tagwright::test
