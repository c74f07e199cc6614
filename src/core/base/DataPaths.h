#pragma once
// Where the station keeps its files. Two rules:
//
// - Started from the directory it was installed to, it follows the XDG base
//   directories: settings and parameter sets in $XDG_CONFIG_HOME/tagwright,
//   record files and journals in $XDG_DATA_HOME/tagwright. A package puts the
//   program where nobody may write, and a menu starts it in the home
//   directory, so neither the program's directory nor the working directory
//   is a place for operator data.
// - Started from anywhere else (a build tree, a folder carried on a stick),
//   everything stays in the working directory, as it always has.
//
// The install puts a marker file, share/tagwright/installed, beside the bin
// directory; a program with the marker beside it counts as installed. Being
// a file rather than a path compiled in, it holds wherever the tree is moved
// to (a package's root, /opt) and never matches a build tree.
//
// The rule is chosen once per process (SetUpDataPaths); until then, and in
// tests that never call it, the working directory rule applies.

#include <filesystem>
#include <string>
#include <system_error>

namespace tagwright {

enum class FileRule { WorkingDirectory, UserDirectories };

struct DataPaths {
    FileRule rule = FileRule::WorkingDirectory;
    std::filesystem::path configDirectory;  // settings file and parameter sets
    std::filesystem::path dataDirectory;    // record files and journals
};

// What the choice depends on, gathered from the process by SetUpDataPaths and
// handed in directly by tests.
struct DataPathsInput {
    std::filesystem::path executableDirectory;  // of /proc/self/exe
    std::string xdgConfigHome;                  // the variables as found, may be empty
    std::string xdgDataHome;
    std::string home;
};

// The marker's path for a program in executableDirectory.
std::filesystem::path InstalledMarker(const std::filesystem::path& executableDirectory);

// The rule and directories for the input; the directories stay empty under
// the working directory rule. Relative XDG variables are ignored, as the
// base directory rules ask.
DataPaths ResolveDataPaths(const DataPathsInput& input);

// Chooses the rule for this process and, under the XDG rule and when asked,
// creates the two directories. Returns what applies; call it before the
// station starts.
const DataPaths& SetUpDataPaths(bool createDirectories = true);

// The rule in force for this process.
const DataPaths& CurrentDataPaths();

// Where the settings file and the parameter sets are: the configuration
// directory, or the working directory (ec tells when it cannot be had).
std::filesystem::path StationSettingsDirectory(std::error_code& ec);

// Where a record file without a path of its own goes: the data directory,
// or `fallback` (the directory the station used so far).
std::filesystem::path StationRecordDirectory(const std::filesystem::path& fallback);

// The record file's name when the set names none; it goes to the record
// directory.
inline constexpr const char* kStationRecordFileName = "Tagwright.xml";

// Where the protocol log and the production journal are written: the data
// directory, or the working directory.
std::filesystem::path StationJournalDirectory(std::error_code& ec);

// One paragraph for --help and the About box naming the rule and the
// directories.
std::string DescribeDataPaths(const DataPaths& paths);

}  // namespace tagwright
