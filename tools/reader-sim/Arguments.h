#pragma once
// The command line of tagwright-reader-sim, read into the Reader's options.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "reader-sim/ReaderOptions.h"

namespace tagwright::sim {

struct ProgramSettings {
    Options options;
    std::string link;
    bool help = false;
    // Laid over the transponder at start.
    std::string uid;
    std::vector<std::pair<int, std::array<std::uint8_t, 8>>> pages;  // index, bytes
    std::vector<int> locks;                                          // indexes
    std::vector<std::string> tagUids;                                // the sequence
};

extern const char kUsage[];

// Reads args (without the program's name) on top of settings. Empty when they
// are good, otherwise what is wrong. A state file named by --state is loaded
// by the caller before ApplyStartState.
std::string ParseArguments(const std::vector<std::string>& args, ProgramSettings* settings);

// Lays --page, --lock and --uid over options.transponder (which may have come
// from the state file), and builds the sequence tags from it.
void ApplyStartState(ProgramSettings* settings);

}  // namespace tagwright::sim
