#pragma once
// The command line of tagwright-station: a command, then its options.

#include <optional>
#include <string>
#include <vector>

namespace tagwright::station {

enum class Command { Help, Program, Read, JournalExport, JournalCheck, JournalReport };

struct Options {
    Command command = Command::Help;
    std::string set;                  // --set: the parameter set to run
    long count = 1;                   // --count
    bool continuous = false;          // --continuous
    std::optional<std::string> port;  // --port: instead of the settings file's
    bool json = false;                // --json (program, read, journal export)
    bool csv = false;                 // --csv (journal export, journal report)
    std::string since;                // --since: UTC time, "YYYY-MM-DD[ HH:MM:SS]"
    std::string until;                // --until (journal report): as --since, exclusive
    bool shift = false;               // --shift (journal report): the current shift
    std::string workOrder;            // --work-order (journal report)
    long waitSeconds = 10;            // --wait: for the next transponder
    long intervalMs = 500;            // --interval: between two looks
    bool yes = false;                 // --yes: answer questions with Yes
};

struct ParsedArguments {
    bool ok = false;
    Options options;
    std::string error;  // when not ok
};

ParsedArguments ParseArguments(const std::vector<std::string>& args);

extern const char kUsage[];

}  // namespace tagwright::station
