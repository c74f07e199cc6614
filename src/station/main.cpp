// tagwright-station: the programming station without a window, for scripts,
// test rigs and PLC cells. See --help and tagwright-station(1).

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "core/base/DataPaths.h"
#include "station/Arguments.h"
#include "station/ExitCodes.h"
#include "station/JournalCommands.h"
#include "station/ReportCommand.h"
#include "station/StationRun.h"

namespace {

// Set by SIGINT and SIGTERM; the run looks at it between tags and before it
// reserves a carrier ID.
std::atomic<bool> g_stop{false};

extern "C" void OnStopSignal(int) { g_stop.store(true); }

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tagwright::station;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedArguments parsed = ParseArguments(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "tagwright-station: %s\n%s", parsed.error.c_str(), kUsage);
        return kBadArguments;
    }
    const Options& o = parsed.options;
    if (o.command == Command::Help) {
        std::fputs(kUsage, stdout);
        std::printf("\n%s\n", tagwright::DescribeDataPaths(tagwright::SetUpDataPaths(false)).c_str());
        return kSuccess;
    }
    tagwright::SetUpDataPaths();
    InstallStopSignals();
    switch (o.command) {
        case Command::Program: return RunProgram(o, g_stop);
        case Command::Read: return RunRead(o);
        case Command::JournalExport: return RunJournalExport(o);
        case Command::JournalCheck: return RunJournalCheck(o);
        case Command::JournalReport: return RunJournalReport(o);
        case Command::Help: break;
    }
    return kSuccess;
}
