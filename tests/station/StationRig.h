#pragma once
// The programs as a line engineer runs them: tagwright-station and the
// virtual Reader (both beside this test binary) in a temporary working
// directory holding the settings file, the set "Line" and its record file.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/config/ParameterSet.h"
#include "support/TempDir.h"

namespace tagwright::test {

// A Norvik set with verify on: a three-digit carrier ID from a counter at
// byte 0 of pages 1 and 2, both written and locked, rows to record.xml.
ParameterSet CounterSet(const std::filesystem::path& dir);

// A program started in the background; its stdout and stderr go to files.
class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::filesystem::path& cwd, const std::filesystem::path& out,
            const std::filesystem::path& err);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    void Signal(int signal);
    // The exit code; -1 when it was ended by a signal.
    int Wait();

private:
    pid_t pid_ = -1;
};

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
    std::vector<std::string> lines;  // out, a line each
};

class StationRig {
public:
    // Starts the virtual Reader with simArgs and writes the settings (port
    // at its link) and the set.
    explicit StationRig(const std::vector<std::string>& simArgs,
                        const ParameterSet* set = nullptr, const std::string& max = "999");
    ~StationRig();

    // A fresh virtual Reader on the same link (a power cycle: no replies left
    // in the line for a station that was killed).
    void RestartReader(const std::vector<std::string>& simArgs);

    // Runs tagwright-station to its end.
    RunResult Run(const std::vector<std::string>& args);
    // Starts it without waiting; Finish collects what it wrote.
    Process& Start(const std::vector<std::string>& args);
    RunResult Finish();
    // Waits until its stdout has n lines.
    void AwaitLines(std::size_t n) const;

    void WriteSet(const ParameterSet& set);
    void WriteSettings(const std::string& port, const std::string& max);
    // Points the station at a journal on a server: the [Journal] section the
    // line engineer adds by hand to the settings file.
    void ShareJournal(const std::string& connection);
    std::filesystem::path Journal() const { return dir / "Tagwright-journal.sqlite"; }
    // The first integer a query of the journal gives (-1 on failure).
    long long Query(const std::string& sql) const;
    // Changes the journal behind the station's back.
    bool Exec(const std::string& sql) const;
    std::string Link() const { return (dir / "ttyReader").string(); }

    TempDir dir;

private:
    Process* sim_ = nullptr;
    Process* station_ = nullptr;
};

std::string ProgramDirectory();

}  // namespace tagwright::test
