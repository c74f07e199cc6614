// A station process killed in the middle of a cycle: this test program runs
// itself again as the station (the driver below, which presses "  One" in a
// loop against the virtual Reader), kills it with SIGKILL while it waits for
// the Reader's answer to a page write, and starts a station again on the
// same files.

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/app/ProgrammingCycle.h"
#include "core/production/JournalSqlite.h"
#include "reader-sim/VirtualReader.h"
#include "LockedSet.h"
#include "support/FakeClock.h"
#include "support/ReaderTestSupport.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

extern char** environ;

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

constexpr char kDirVariable[] = "TAGWRIGHT_TEST_STATION_DIR";
constexpr char kPortVariable[] = "TAGWRIGHT_TEST_STATION_PORT";
// Commands of one cycle on a TI transponder: TOR, WD 1, WD 2, TOR, LD 1, LD 2.
constexpr std::size_t kCycleCommands = 6;
constexpr std::size_t kCyclesBeforeKill = 3;

void Press(Station& station) {
    OneCommand(station);
    OnTimer(station, TimerId::Cycle);
}

// The station process: only when started by the test below.
TEST(StationProcessDriver, PressesOneUntilKilled) {
    const char* dir = std::getenv(kDirVariable);
    const char* port = std::getenv(kPortVariable);
    if (dir == nullptr || port == nullptr) GTEST_SKIP() << "run by StationKill only";
    CurrentDirectory cwd{dir};
    FakeClock clock;
    RecordingMainView view;
    std::unique_ptr<Station> station = StartCounterStation(view, clock, dir, port);
    ASSERT_TRUE(station);
    for (;;) Press(*station);
}

pid_t SpawnStation(const fs::path& dir, const std::string& port) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    env.push_back(std::string(kDirVariable) + "=" + dir.string());
    env.push_back(std::string(kPortVariable) + "=" + port);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string filter = "--gtest_filter=StationProcessDriver.*";
    std::string brief = "--gtest_brief=1";
    std::vector<char*> argv{const_cast<char*>(self.c_str()), filter.data(), brief.data(),
                            nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
        return -1;
    }
    return pid;
}

TEST(StationKill, KilledDuringAPageWriteThenRestartedIssuesNoIdTwice) {
    TempDir dir;
    // A long timing number: the station waits seconds for the write it is
    // killed in, while answered commands cost nothing.
    sim::VirtualReader sim{[] { sim::Options o; o.torValue = 40; return o; }()};
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    const std::size_t killedWrite = kCyclesBeforeKill * kCycleCommands + 2;
    sim.NoAnswerTo(killedWrite);
    // A fresh transponder for each of the driver's cycles.
    sim::TagSequence tags;
    tags.tags.resize(kCyclesBeforeKill + 1);
    tags.stayCommands = kCycleCommands;
    sim.SetSequence(tags);

    const pid_t pid = SpawnStation(dir.Path(), sim.SlavePath());
    ASSERT_GT(pid, 0);
    const bool reached = WaitUntil([&] { return sim.CommandLog().size() >= killedWrite; },
                                   std::chrono::seconds(60));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(reached);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WrittenIds(sim.CommandLog()), (std::vector<std::string>{"001", "002", "003", "004"}));

    // The restart: the interrupted ID is burned and skipped.
    CurrentDirectory cwd{dir.Path()};
    FakeClock clock;
    RecordingMainView view;
    std::unique_ptr<Station> station =
        StartCounterStation(view, clock, dir.Path(), sim.SlavePath());
    ASSERT_TRUE(station);
    station->reader.link.ResponseTimeBase = 250;
    sim.SetSequence(sim::TagSequence{});
    for (int i = 0; i < 2; ++i) {
        sim.SetTransponder(sim::Transponder{});
        Press(*station);
    }

    const std::vector<std::string> ids = WrittenIds(sim.CommandLog());
    EXPECT_EQ(ids, (std::vector<std::string>{"001", "002", "003", "004", "005", "006"}));
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
    JournalOpenResult journal = OpenSqliteJournal(dir.Path());
    ASSERT_TRUE(journal.journal) << journal.error;
    EXPECT_EQ(journal.journal->IsUsed("004").use, CarrierIdUse::Burned);
    for (const char* id : {"003", "005", "006"}) {
        EXPECT_EQ(journal.journal->IsUsed(id).use, CarrierIdUse::Programmed) << id;
    }
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "7");
}

}  // namespace
}  // namespace tagwright::test
