#pragma once
// The programs as a line engineer runs them: tagwright-station and the
// virtual Reader (both beside this test binary) in a temporary working
// directory holding the settings file, the set "Line" and its record file.
// Stations on a PostgreSQL journal need the Reader as a program of its own:
// one is killed mid-cycle and its Reader power-cycled. (tagwright-station
// on one journal file: tests/e2e, StationScenarios*.)

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/app/StationSettings.h"
#include "core/config/SetStore.h"
#include "support/CounterSet.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

extern char** environ;

namespace tagwright::test {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// A Norvik set with verify on: a three-digit carrier ID from 1 at byte 0 of
// pages 1 and 2, both written and locked, rows to record.xml.
inline ParameterSet CounterSet(const fs::path& dir) {
    ParameterSet set = BaseCounterSet(dir);
    set.carrierId = "1";
    set.typeNorvik = true;
    set.lockPage[0] = set.lockPage[1] = true;
    set.verifyAfterWrite = true;
    set.retries = 2;
    return set;
}

// A program beside this one, started in cwd; its stdout and stderr go to
// <name>.out and <name>.err there.
class Process {
public:
    Process(const std::string& program, Args args, const fs::path& cwd, const std::string& name) {
        args.insert(args.begin(), fs::read_symlink("/proc/self/exe").parent_path() / program);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
        for (const auto& [fd, ext] : {std::pair{STDOUT_FILENO, ".out"}, {STDERR_FILENO, ".err"}}) {
            fs::remove(cwd / (name + ext));
            posix_spawn_file_actions_addopen(&actions, fd, (cwd / (name + ext)).c_str(),
                                             O_WRONLY | O_CREAT | O_APPEND, 0644);
        }
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Process() {
        Signal(SIGKILL);
        Wait();
    }
    void Signal(int signal) {
        if (pid_ > 0) ::kill(pid_, signal);  // never -1: that signals everything
    }
    // The exit code; -1 when it was ended by a signal.
    int Wait() {
        int status = 0;
        const pid_t pid = std::exchange(pid_, -1);
        if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

private:
    pid_t pid_ = -1;
};

struct RunResult {
    int code = -1;
    std::string out, err;
    std::vector<std::string> lines;  // out, a line each
};

struct StationRig {
    // The virtual Reader started with simArgs, the set, and settings with
    // the port at the Reader's link.
    explicit StationRig(const Args& simArgs, const std::string& max = "999") {
        RestartReader(simArgs);
        WriteSet(CounterSet(dir.Path()));
        WriteSettings(Link(), max);
    }
    ~StationRig() {
        station.reset();
        if (sim) sim->Signal(SIGTERM);
    }

    // A fresh virtual Reader on the same link (a power cycle: no replies left
    // in the line for a station that was killed).
    void RestartReader(const Args& simArgs) {
        if (sim) sim->Signal(SIGTERM);
        sim.reset();
        Args args{"--link", Link(), "--tor", "1"};
        args.insert(args.end(), simArgs.begin(), simArgs.end());
        sim = std::make_unique<Process>("tagwright-reader-sim", args, dir.Path(), "sim");
        while (dir.Read("sim.out").empty()) {  // it prints its link once the line is served
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    // Starts tagwright-station without waiting; Finish collects what it wrote.
    Process& Start(const Args& args) {
        station = std::make_unique<Process>("tagwright-station", args, dir.Path(), "station");
        return *station;
    }
    RunResult Finish() {
        RunResult r{station->Wait(), dir.Read("station.out"), dir.Read("station.err"), {}};
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) r.lines.push_back(line);
        return r;
    }
    RunResult Run(const Args& args) {
        Start(args);
        return Finish();
    }
    // Waits until the station's stdout has n lines.
    void AwaitLines(std::size_t n) const {
        while (static_cast<std::size_t>(std::ranges::count(dir.Read("station.out"), '\n')) < n) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    void WriteSet(const ParameterSet& set) const {
        NameList names;
        RecordingMessageView view;
        fs::remove(SetFilePath(dir.Path(), "Line"));  // replaced without the question
        ASSERT_EQ(SaveSet(dir.Path(), "Line", set, names, view), SaveSetResult::Saved);
    }
    void WriteSettings(const std::string& port, const std::string& max) const {
        StationSettings settings;
        settings.port = PortSettings{port, 115200, 8, 0, 0, 0};
        settings.selectConfig = 1;
        settings.currentSetName = "Line";
        settings.carrierIdMax = max;
        TransponderImage image;
        ASSERT_TRUE(SaveStationSettingsFile(dir.Path(), settings, image));
    }
    // Points the station at a journal on a server: the [Journal] section the
    // line engineer adds by hand to the settings file.
    void ShareJournal(const std::string& connection) const {
        const fs::path path = SettingsFilePath(dir.Path());
        dir.Write(path.filename().string(),
                  ReadBytes(path) + "[Journal]\r\nConnection=" + connection + "\r\n");
    }
    std::string Link() const { return (dir / "ttyReader").string(); }

    TempDir dir;
    std::unique_ptr<Process> sim, station;
};

}  // namespace tagwright::test
