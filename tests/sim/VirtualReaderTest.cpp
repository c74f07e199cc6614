// The virtual Reader: its answers, the faults and tag sequences its command
// line sets, its worker on a pseudo-terminal, and the tagwright-reader-sim
// program as an operator starts it.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "reader-sim/Arguments.h"
#include "reader-sim/ReaderLogic.h"
#include "reader-sim/TransponderFile.h"
#include "reader-sim/VirtualReader.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;
using sim::Options;
using sim::Transponder;
using Lines = std::vector<std::string>;
// Commands and their replies without the line end; "": no reply at all.
using Script = std::vector<std::pair<std::string, std::string>>;

void Play(sim::ReaderLogic& logic, Options& o, const Script& script) {
    for (const auto& [command, reply] : script) {
        const sim::Answer a = logic.Respond(command, o, {});
        EXPECT_EQ(a.text, reply) << command;
        EXPECT_EQ(a.silent, reply.empty()) << command;
    }
}

// The Reader's options as its command line sets them.
Options Started(const Lines& args) {
    sim::ProgramSettings s;
    EXPECT_EQ(sim::ParseArguments(args, &s), "") << args[0];
    sim::ApplyStartState(&s);
    return s.options;
}

std::string Page(const Transponder& t, int page) { return sim::FormatPageHex(t.pages[page - 1]); }

// The station's end of the line as plain POSIX calls; the Reader keeps its
// line in raw mode, so bytes come as they were sent.
struct StationPort {
    explicit StationPort(const std::string& path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~StationPort() { ::close(fd); }

    bool Send(const std::string& bytes) {
        return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Everything up to and including `end`; whatever came when nothing more
    // comes for 20 s, a limit that only keeps a broken build from hanging.
    std::string ReadUntil(const std::string& end) {
        std::string text;
        pollfd p{fd, POLLIN, 0};
        char c;
        while (text.find(end) == std::string::npos && ::poll(&p, 1, 20000) > 0 &&
               ::read(fd, &c, 1) == 1) {
            text += c;
        }
        return text;
    }
    // Sends the command with its CR; the reply line with its CR.
    std::string Ask(const std::string& command) {
        return Send(command + "\r") ? ReadUntil("\r") : "not sent";
    }

    int fd;
};

TEST(ReaderLogicTest, FaultsSetOnTheCommandLineMisbehaveAsSet) {
    const std::string kData = "0011223344556677";
    const std::string zero(16, '0');
    Options o = Started({"--drop-write", "3", "--flip-bit", "4", "--fake-lock", "17",
                         "--remove-after", "5"});
    sim::ReaderLogic logic;
    Play(logic, o, {{"WD 3 " + kData, "ACK"}, {"RD 3", zero}, {"WD 4 " + kData, "ACK"},
                    {"RD 4", "0011223344556676"}, {"LD 17", "ACK"}, {"WD 17 " + kData, "ACK"},
                    {"RD 17", kData}, {"WD 5 " + kData, "ACK"}, {"RUID", "No Read"}});
    // Failed commands change nothing; silent ones are not answered at all.
    o = Started({"--fail", "4", "--flip-bit", "all"});
    Play(logic, o, {{"RD 1", "No Read"}, {"WD 3 " + kData, "NAK"}, {"TOR", "ERR"},
                    {"RUID", "No Read"}, {"LD 3", "ACK"}, {"WD 3 " + kData, "NAK"},
                    {"RD 3", zero}, {"WD 2 " + kData, "ACK"}, {"RD 2", "0011223344556676"}});
    o = Started({"--fail-silent", "1"});
    Play(logic, o, {{"WD 3 " + kData, ""}, {"TOR", "10"}, {"RD 3", zero}});
    // A Reader that refuses with its own error line, and a tag that leaves
    // once page 2 is locked, to a Reader that then answers "No Read".
    o = Started({"--locked-reply", "#09 locked", "--leave-after-lock", "2", "--no-tag-reply",
                 "No Read"});
    Play(logic, o, {{"LD 1", "ACK"}, {"WD 1 " + kData, "#09 locked"}, {"LD 2", "ACK"},
                    {"WD 2 " + kData, "No Read"}, {"LD 3", "No Read"}, {"RD 1", "No Read"}});
    for (const Lines& bad : std::vector<Lines>{
             {"--page", "18=0011223344556677"}, {"--uid", "ABC"}, {"--delay"}, {"--bogus"},
             {"--drop-write", "18"}, {"--fail", "-1"}, {"--tags", "ABC"},
             {"--tags", "2", "--state", "x"}, {"--remove-after"},
             {"--locked-reply", ""}, {"--leave-after-lock", "0"}}) {
        sim::ProgramSettings ignored;
        EXPECT_NE(sim::ParseArguments(bad, &ignored), "") << bad[0];
    }
}

TEST(ReaderLogicTest, BadRepliesAndLineEndsSetOnTheCommandLine) {
    struct Case { const char* flag; const char* command; std::string bytes; };
    const Case cases[] = {
        {"--crlf", "RD 1", "0000000000000000\r\n"},
        {"--nul", "RUID", std::string("1A2B\0" "3C4D\r", 10)},
        {"--long-line", "TOR", std::string(sim::kJunkBytes, 'F') + "10\r"},
        {"--short-page", "RD 1", "00000000000000\r"},
        {"--short-page", "RUID", "1A2B3C4D\r"},
    };
    for (const Case& c : cases) {
        Options o = Started({c.flag});
        sim::ReaderLogic logic;
        EXPECT_EQ(sim::ReaderLogic::Bytes(c.command, logic.Respond(c.command, o, {}), o), c.bytes)
            << c.flag << " " << c.command;
    }
}

TEST(ReaderLogicTest, TagsComeAndGoInTurnByCountOrByTheClock) {
    Options o = Started({"--tags", "00000001,00000002", "--stay", "2", "--gap", "1"});
    sim::ReaderLogic logic;
    Play(logic, o, {{"RUID", "00000001"}, {"WD 1 1111111111111111", "ACK"}, {"RUID", "No Read"},
                    {"RUID", "00000002"}, {"RD 1", std::string(16, '0')}, {"RUID", "No Read"},
                    {"RUID", "No Read"}, {"RUID", "No Read"}});  // after the last, empty for good
    const std::vector<Transponder> tags = logic.Tags(o);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(Page(tags[0], 1), "1111111111111111");
    EXPECT_EQ(Page(tags[1], 1), std::string(16, '0'));

    EXPECT_EQ(Started({"--tags", "2", "--gap", "0"}).sequence.gapTime.count(), 0);  // as given
    // Counted tags have hexadecimal UIDs; each stays 3 s, then 1 s without.
    Options timed = Started({"--tags", "12"});
    sim::ReaderLogic clock;
    const auto t0 = std::chrono::steady_clock::time_point{};
    const std::pair<int, const char*> looks[] = {  // ms after the first command, reply
        {0, "00000001"}, {2999, "00000001"}, {3000, "No Read"}, {3999, "No Read"},
        {4000, "00000002"}, {6999, "00000002"}, {7000, "No Read"}, {44000, "0000000C"},
        {60000, "No Read"},
    };
    for (const auto& [ms, reply] : looks) {
        EXPECT_EQ(clock.Respond("RUID", timed, t0 + std::chrono::milliseconds(ms)).text, reply)
            << ms;
    }
}

TEST(VirtualReaderTest, SavesEachChangeBeforeItsReplyAndKeepsItsLinkToItself) {
    TempDir dir;
    Options o;
    o.stateFile = (dir / "reader.state").string();
    o.faults.failNext = 1;
    o.faults.failSilently = true;
    sim::VirtualReader reader(o);
    ASSERT_TRUE(reader.Start());
    StationPort port(reader.SlavePath());
    // A station ending its lines with CR LF, a command split across writes,
    // and no reply at all to the first.
    port.Send("TOR\r\nRU");
    port.Send("ID\r");
    EXPECT_EQ(port.ReadUntil("\r"), "1A2B3C4D\r");
    EXPECT_EQ(reader.CommandLog(), (Lines{"TOR", "RUID"}));
    EXPECT_EQ(reader.ReceivedBytes(), "TOR\r\nRUID\r");
    for (const char* command : {"WD 2 FEDCBA9876543210", "LD 2"}) {
        EXPECT_EQ(port.Ask(command), "ACK\r");
        EXPECT_EQ(dir.Read("reader.state"), sim::FormatTransponder(reader.GetTransponder()));
    }
    // No temporary file left beside it; read back as written, or as an editor
    // on another system saved it; a malformed one refused by its line.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    const std::string text = dir.Read("reader.state");
    EXPECT_EQ(text.substr(19, 19) + text.substr(text.size() - 13),
              "FEDCBA9876543210 1\nUID 1A2B3C4D\n");
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Transponder back;
    ASSERT_TRUE(sim::ParseTransponder(crlf, &back));
    EXPECT_EQ(sim::FormatTransponder(back), text);
    std::string error;
    EXPECT_FALSE(sim::ParseTransponder(text.substr(0, 15) + "G" + text.substr(16), &back, &error));
    EXPECT_EQ(error.rfind("line 1:", 0), 0u) << error;
    EXPECT_EQ(sim::FormatTransponder(back), text);  // left alone

    const std::string link = (dir / "ttyReader").string();
    ASSERT_EQ(::symlink("/nonexistent/stale", link.c_str()), 0);
    EXPECT_FALSE(reader.CreateLink(o.stateFile, &error));
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
    ASSERT_TRUE(reader.CreateLink(link, &error)) << error;  // a stale one goes
    EXPECT_EQ(fs::read_symlink(link).string(), reader.SlavePath());
    fs::remove(link);  // another Reader took the name: ours must not remove theirs
    fs::create_symlink("/dev/null", link);

    reader.SetReplyDelay(std::chrono::hours(1));
    port.Send("TOR\r");
    ASSERT_TRUE(reader.WaitForCommands(5, std::chrono::seconds(20)));
    // A hang here means Stop sleeps through the delay.
    auto stopped = std::async(std::launch::async, [&] { reader.Stop(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(dir.Read("reader.state"), sim::FormatTransponder(reader.GetTransponder()));
}

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
        SimProcess sim("--link " + link + " --uid CAFE0042 --page 3=0102030405060708 --state " +
                       state + " --flip-bit 7");
        ASSERT_EQ(sim.Line(), link);
        StationPort port(link);
        EXPECT_EQ(port.Ask("RUID"), "CAFE0042\r");
        EXPECT_EQ(port.Ask("WD 7 0011223344556677"), "ACK\r");
        EXPECT_EQ(port.Ask("RD 7"), "0011223344556676\r");  // the fault reached the Reader
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
