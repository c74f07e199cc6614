// tagwright-reader-sim: a virtual Reader on a pseudo-terminal, for demos and
// operator training without the device. Prints the path to open as the
// station's port and answers until SIGINT or SIGTERM.

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "reader-sim/Arguments.h"
#include "reader-sim/TransponderFile.h"
#include "reader-sim/VirtualReader.h"

namespace {

using tagwright::sim::ProgramSettings;

int Fail(const std::string& error) {
    std::fprintf(stderr, "tagwright-reader-sim: %s\n", error.c_str());
    return 1;
}

// 0 when the arguments and the state file are good, else the exit status.
int Prepare(int argc, char** argv, ProgramSettings* settings) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string problem = tagwright::sim::ParseArguments(args, settings);
    if (!problem.empty()) {
        std::fprintf(stderr, "tagwright-reader-sim: %s\n\n%s", problem.c_str(),
                     tagwright::sim::kUsage);
        return 2;
    }
    const std::string& state = settings->options.stateFile;
    std::string error;
    if (!state.empty() && std::filesystem::exists(state) &&
        !tagwright::sim::LoadTransponderFile(state, &settings->options.transponder, &error)) {
        return Fail(error);  // refuse rather than overwrite a file we cannot read
    }
    tagwright::sim::ApplyStartState(settings);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    ProgramSettings settings;
    if (const int status = Prepare(argc, argv, &settings); status != 0) return status;
    if (settings.help) {
        std::fputs(tagwright::sim::kUsage, stdout);
        return 0;
    }

    // Blocked before the worker starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    tagwright::sim::VirtualReader reader(settings.options);
    std::string error;
    if (!reader.Start(&error)) return Fail(error);
    // Writes the state file at once, with the command line's pages applied.
    if (!settings.options.stateFile.empty()) reader.SetTransponder(settings.options.transponder);
    if (!settings.link.empty() && !reader.CreateLink(settings.link, &error)) return Fail(error);
    std::printf("%s\n", settings.link.empty() ? reader.SlavePath().c_str() : settings.link.c_str());
    std::fflush(stdout);

    int caught = 0;
    sigwait(&stopSignals, &caught);
    reader.Stop();
    return 0;
}
