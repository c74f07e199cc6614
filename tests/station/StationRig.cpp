#include "station/StationRig.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "core/app/StationSettings.h"
#include "core/config/SetStore.h"
#include "support/CounterSet.h"
#include "support/ScriptedMessages.h"

extern char** environ;

namespace tagwright::test {

namespace fs = std::filesystem;

std::string ProgramDirectory() {
    return fs::read_symlink("/proc/self/exe").parent_path().string();
}

ParameterSet CounterSet(const fs::path& dir) {
    ParameterSet set = BaseCounterSet(dir);
    set.carrierId = "1";
    set.typeNorvik = true;
    set.lockPage[0] = set.lockPage[1] = true;
    set.verifyAfterWrite = true;
    set.retries = 2;
    return set;
}

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const fs::path& cwd, const fs::path& out, const fs::path& err) {
    std::vector<std::string> all{ProgramDirectory() + "/" + program};
    all.insert(all.end(), args.begin(), args.end());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
    Signal(SIGKILL);
    Wait();
}

void Process::Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);  // never -1: that signals everything
}

int Process::Wait() {
    int status = 0;
    const pid_t pid = std::exchange(pid_, -1);
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

StationRig::StationRig(const std::vector<std::string>& simArgs, const ParameterSet* set,
                       const std::string& max) {
    RestartReader(simArgs);
    WriteSet(set != nullptr ? *set : CounterSet(dir.Path()));
    WriteSettings(Link(), max);
}

void StationRig::RestartReader(const std::vector<std::string>& simArgs) {
    if (sim_ != nullptr) sim_->Signal(SIGTERM);
    delete sim_;
    fs::remove(dir / "sim.out");
    std::vector<std::string> args{"--link", Link(), "--tor", "1"};
    args.insert(args.end(), simArgs.begin(), simArgs.end());
    sim_ = new Process("tagwright-reader-sim", args, dir.Path(), dir / "sim.out", dir / "sim.err");
    // The Reader prints its link once the line is served.
    while (ReadBytes(dir / "sim.out").empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

StationRig::~StationRig() {
    delete station_;
    if (sim_ != nullptr) sim_->Signal(SIGTERM);
    delete sim_;
}

void StationRig::WriteSet(const ParameterSet& set) {
    NameList names;
    RecordingMessageView view;
    fs::remove(SetFilePath(dir.Path(), "Line"));  // replaced without the question
    ASSERT_EQ(SaveSet(dir.Path(), "Line", set, names, view), SaveSetResult::Saved);
}

void StationRig::WriteSettings(const std::string& port, const std::string& max) {
    StationSettings settings;
    settings.port = PortSettings{port, 115200, 8, 0, 0, 0};
    settings.selectConfig = 1;
    settings.currentSetName = "Line";
    settings.carrierIdMax = max;
    TransponderImage image;
    ASSERT_TRUE(SaveStationSettingsFile(dir.Path(), settings, image));
}

void StationRig::ShareJournal(const std::string& connection) {
    const std::string settings = ReadBytes(SettingsFilePath(dir.Path()));
    ASSERT_EQ(settings.find("[Journal]"), std::string::npos);
    dir.Write(SettingsFilePath(dir.Path()).filename().string(),
              settings + "[Journal]\r\nConnection=" + connection + "\r\n");
}

Process& StationRig::Start(const std::vector<std::string>& args) {
    delete station_;
    fs::remove(dir / "station.out");
    fs::remove(dir / "station.err");
    station_ = new Process("tagwright-station", args, dir.Path(), dir / "station.out",
                           dir / "station.err");
    return *station_;
}

RunResult StationRig::Finish() {
    RunResult r;
    r.code = station_->Wait();
    r.out = ReadBytes(dir / "station.out");
    r.err = ReadBytes(dir / "station.err");
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) r.lines.push_back(line);
    return r;
}

RunResult StationRig::Run(const std::vector<std::string>& args) {
    Start(args);
    return Finish();
}

void StationRig::AwaitLines(std::size_t n) const {
    for (;;) {
        const std::string out = ReadBytes(dir / "station.out");
        if (static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')) >= n) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

long long StationRig::Query(const std::string& sql) const {
    sqlite3* db = nullptr;
    long long value = -1;
    if (sqlite3_open_v2(Journal().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            value = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return value;
}

bool StationRig::Exec(const std::string& sql) const {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(Journal().c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

}  // namespace tagwright::test
