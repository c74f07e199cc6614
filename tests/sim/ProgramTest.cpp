// The tagwright-reader-sim program as an operator starts it: beside this test
// binary, with a link in a temporary directory, ended by SIGTERM; and its
// command line read into the Reader's options.

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

#include "reader-sim/Arguments.h"
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
        Wait(SIGKILL);
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

    // The exit status (after the signal), or -1 when it did not end normally.
    int Wait(int signal = 0) {
        if (pid_ > 0 && signal != 0) ::kill(pid_, signal);  // never -1: that signals everything
        int status = 0;
        const pid_t pid = std::exchange(pid_, -1);
        if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

TEST(ProgramTest, ServesItsLinkKeepsStateAndRemovesTheLinkOnSigterm) {
    TempDir dir;
    ASSERT_TRUE(std::filesystem::exists(ProgramPath())) << "build tagwright-reader-sim";
    const std::string link = (dir / "ttyReader").string();
    const std::string state = (dir / "reader.state").string();
    {
        SimProcess sim({"--link", link, "--uid", "CAFE0042", "--page", "3=0102030405060708",
                        "--lock", "3", "--tor", "42", "--state", state, "--flip-bit", "7"});
        ASSERT_EQ(sim.FirstLine(), link);
        StationPort port(link);
        EXPECT_EQ(port.Ask("RUID"), "CAFE0042\r");
        EXPECT_EQ(port.Ask("WD 3 0000000000000000"), "NAK\r");
        EXPECT_EQ(port.Ask("WD 7 0011223344556677"), "ACK\r");
        EXPECT_EQ(port.Ask("RD 7"), "0011223344556676\r");  // the fault reached the Reader
        EXPECT_EQ(port.Ask("TOR"), "42\r");
        port.Close();
        EXPECT_EQ(sim.Wait(SIGTERM), 0);
        EXPECT_FALSE(std::filesystem::is_symlink(link));
    }
    // Without a link it prints the device; the state came through the restart.
    SimProcess sim({"--state", state, "--crlf"});
    const std::string path = sim.FirstLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    StationPort port(path);
    port.Send("RD 3\r");
    EXPECT_EQ(port.ReadUntil("\r\n"), "0102030405060708\r\n");
    EXPECT_EQ(sim.Wait(SIGINT), 0);
}

TEST(ProgramTest, RefusesBadArgumentsAndAnUnreadableStateFile) {
    TempDir dir;
    EXPECT_EQ(SimProcess({"--fail", "many"}).Wait(), 2);
    const auto state = dir.Write("broken.state", "not a transponder\n");
    EXPECT_EQ(SimProcess({"--state", state.string()}).Wait(), 1);
    EXPECT_EQ(dir.Read("broken.state"), "not a transponder\n");
}

TEST(ProgramArguments, SetEachFaultAndRefuseWhatIsWrong) {
    sim::ProgramSettings s;
    ASSERT_EQ(sim::ParseArguments({"--drop-write", "2", "--flip-bit", "all", "--fake-lock", "17",
                                   "--fail-silent", "3", "--remove-after", "5", "--short-page",
                                   "--tags", "00C0FFEE,12345678", "--stay", "4", "--gap", "0"},
                                  &s),
              "");
    sim::ApplyStartState(&s);
    const sim::Faults& f = s.options.faults;
    EXPECT_EQ(f.dropWrite.to_ulong(), 0b10u);
    EXPECT_TRUE(f.flipWrite.all());
    EXPECT_TRUE(f.fakeLock.test(16) && f.fakeLock.count() == 1);
    EXPECT_TRUE(f.failSilently && f.failNext == 3);
    EXPECT_EQ(f.removeAfterPage, 5);
    EXPECT_EQ(f.badReply, sim::BadReply::ShortPage);
    const sim::TagSequence& q = s.options.sequence;
    ASSERT_EQ(q.tags.size(), 2u);
    EXPECT_EQ(q.tags[1].uid, "12345678");
    EXPECT_EQ(q.stayCommands + q.gapCommands + q.gapTime.count(), 4u);

    sim::ProgramSettings counted;
    ASSERT_EQ(sim::ParseArguments({"--tags", "12"}, &counted), "");
    sim::ApplyStartState(&counted);
    EXPECT_EQ(counted.options.sequence.tags.back().uid, "0000000C");
    EXPECT_EQ(counted.options.sequence.stayTime.count(), 3000);  // defaults for a demo
    EXPECT_EQ(counted.options.sequence.gapTime.count(), 1000);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--page", "18=0011223344556677"}, {"--uid", "ABC"}, {"--delay"}, {"--bogus"},
             {"--drop-write", "18"}, {"--fail", "-1"}, {"--tags", "ABC"},
             {"--tags", "2", "--state", "x"}, {"--remove-after"}}) {
        sim::ProgramSettings ignored;
        EXPECT_NE(sim::ParseArguments(bad, &ignored), "") << bad[0];
    }
}

}  // namespace
}  // namespace tagwright::test
