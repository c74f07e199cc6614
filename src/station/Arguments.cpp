#include "station/Arguments.h"

#include <cerrno>
#include <cstdlib>
#include <regex>

namespace tagwright::station {

const char kUsage[] =
    "Usage: tagwright-station COMMAND [options]\n"
    "Runs the programming station without its window, on the same settings\n"
    "file, parameter sets, record file and production journal.\n"
    "\n"
    "Commands:\n"
    "  program --set NAME [--count N | --continuous] [--port P] [--json]\n"
    "          [--wait SECONDS] [--interval MS] [--yes]\n"
    "      programs N transponders (default 1), each newly laid on the antenna,\n"
    "      or runs until SIGINT or SIGTERM; one line per transponder\n"
    "  read [--set NAME] [--port P] [--json]\n"
    "      reads the UID and the 17 pages of the transponder on the antenna\n"
    "  journal export --csv|--json [--since TIME] [--set NAME]\n"
    "      writes the production journal's rows (TIME in UTC,\n"
    "      \"YYYY-MM-DD\" or \"YYYY-MM-DD HH:MM:SS\")\n"
    "  journal check [--set NAME]\n"
    "      no carrier ID twice, and no burned or reserved ID in a record row\n"
    "  journal report [--since TIME] [--until TIME] [--shift] [--work-order W]\n"
    "                 [--json|--csv] [--set NAME]\n"
    "      the production figures of the journal (all of it, the range from\n"
    "      --since to before --until, or the current shift), for one work order\n"
    "      or all; the progress of W, or of the set's work order\n"
    "\n"
    "Options:\n"
    "  --set NAME       the parameter set (default: the settings file's)\n"
    "  --port P         the Reader's serial port instead of the settings file's\n"
    "  --wait SECONDS   give up when no new transponder came for so long\n"
    "                   (default 10)\n"
    "  --interval MS    between two looks for a transponder (default 500)\n"
    "  --yes            answer questions (program a UID again?) with Yes;\n"
    "                   without it the answer is No\n"
    "  --json           one JSON object per line\n"
    "\n"
    "Exit codes:\n"
    "   0  success (N transponders programmed; check passed)\n"
    "   1  another step failed (e.g. a UID programmed before, answered No)\n"
    "   2  bad arguments: unknown command, option or set\n"
    "   3  no transponder\n"
    "   4  write refused, or the lock step failed\n"
    "   5  verify failed\n"
    "   6  maximum carrier ID reached, or the list file used up\n"
    "   7  the port did not open (the reason is printed)\n"
    "   8  production journal error\n"
    "   9  record file error\n"
    "  10  the set is refused, or the counter could not be saved in it\n"
    "  11  interrupted by SIGINT or SIGTERM before N transponders\n"
    "  12  journal check found faults\n";

namespace {

bool ParseLong(const std::string& text, long low, long high, long* value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

bool IsFlag(const std::string& option) {
    return option == "--continuous" || option == "--json" || option == "--csv" ||
           option == "--yes" || option == "--shift";
}

std::optional<Command> CommandOf(const std::vector<std::string>& args, std::size_t* next) {
    *next = 1;
    if (args.empty() || args[0] == "--help" || args[0] == "-h") return Command::Help;
    if (args[0] == "program") return Command::Program;
    if (args[0] == "read") return Command::Read;
    if (args[0] != "journal" || args.size() < 2) return std::nullopt;
    *next = 2;
    if (args[1] == "export") return Command::JournalExport;
    if (args[1] == "check") return Command::JournalCheck;
    if (args[1] == "report") return Command::JournalReport;
    return std::nullopt;
}

// The options each command takes.
bool Allowed(Command command, const std::string& option) {
    static const std::regex program(
        "--(set|count|continuous|port|json|wait|interval|yes)");
    static const std::regex read("--(set|port|json)");
    static const std::regex exportOptions("--(csv|json|since|set)");
    static const std::regex report("--(csv|json|since|until|shift|work-order|set)");
    switch (command) {
        case Command::Program: return std::regex_match(option, program);
        case Command::Read: return std::regex_match(option, read);
        case Command::JournalExport: return std::regex_match(option, exportOptions);
        case Command::JournalCheck: return option == "--set";
        case Command::JournalReport: return std::regex_match(option, report);
        case Command::Help: return false;
    }
    return false;
}

// Applies one option (and its value); what is wrong, or "".
std::string Apply(Options& o, const std::string& option, const std::string* value) {
    const bool flag = IsFlag(option);
    if (!flag && value == nullptr) return option + " needs a value";
    if (option == "--continuous") o.continuous = true;
    if (option == "--json") o.json = true;
    if (option == "--csv") o.csv = true;
    if (option == "--yes") o.yes = true;
    if (option == "--shift") o.shift = true;
    if (flag) return {};
    const std::string& v = *value;
    if (option == "--set") o.set = v;
    if (option == "--work-order") o.workOrder = v;
    if (option == "--port") o.port = v;
    if (option == "--count" && !ParseLong(v, 1, 1000000000, &o.count)) {
        return "--count needs a number from 1";
    }
    if (option == "--wait" && !ParseLong(v, 1, 86400, &o.waitSeconds)) {
        return "--wait needs seconds from 1 to 86400";
    }
    if (option == "--interval" && !ParseLong(v, 10, 60000, &o.intervalMs)) {
        return "--interval needs milliseconds from 10 to 60000";
    }
    static const std::regex time(R"(\d{4}-\d{2}-\d{2}( \d{2}:\d{2}:\d{2})?)");
    if (option == "--since" || option == "--until") {
        if (!std::regex_match(v, time)) return option + " needs \"YYYY-MM-DD[ HH:MM:SS]\" (UTC)";
        (option == "--since" ? o.since : o.until) = v;
    }
    return {};
}

std::string Check(const Options& o, bool countGiven) {
    if (o.command == Command::Program) {
        if (o.set.empty()) return "program needs --set NAME";
        if (o.continuous && countGiven) return "--count and --continuous exclude each other";
    }
    if (o.command == Command::JournalExport && o.csv == o.json) {
        return "journal export needs --csv or --json";
    }
    if (o.command == Command::JournalReport) {
        if (o.csv && o.json) return "--csv and --json exclude each other";
        if (o.shift && (!o.since.empty() || !o.until.empty())) {
            return "--shift and --since or --until exclude each other";
        }
    }
    return {};
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    std::size_t i = 0;
    const std::optional<Command> command = CommandOf(args, &i);
    if (!command) {
        parsed.error = args.empty() ? "no command" : "unknown command: " + args[0];
        return parsed;
    }
    Options& o = parsed.options;
    o.command = *command;
    bool countGiven = false;
    for (; i < args.size() && o.command != Command::Help; ++i) {
        const std::string& option = args[i];
        if (!Allowed(o.command, option)) {
            parsed.error = "unknown option: " + option;
            return parsed;
        }
        const bool hasValue = i + 1 < args.size();
        countGiven = countGiven || option == "--count";
        parsed.error = Apply(o, option, hasValue ? &args[i + 1] : nullptr);
        if (!parsed.error.empty()) return parsed;
        if (!IsFlag(option)) ++i;
    }
    parsed.error = Check(o, countGiven);
    parsed.ok = parsed.error.empty();
    return parsed;
}

}  // namespace tagwright::station
