#include "core/base/DataPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace tagwright {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSubdirectory = "tagwright";

// Written once by SetUpDataPaths before any other thread starts.
DataPaths g_paths;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeDirectory() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

fs::path BaseDirectory(const std::string& variable, const std::string& home, const char* fallback) {
    if (!variable.empty() && fs::path(variable).is_absolute()) return variable;
    return fs::path(home) / fallback;
}

}  // namespace

fs::path InstalledMarker(const fs::path& executableDirectory) {
    return executableDirectory.parent_path() / "share" / kSubdirectory / "installed";
}

DataPaths ResolveDataPaths(const DataPathsInput& input) {
    DataPaths paths;
    std::error_code ec;
    if (input.executableDirectory.empty() ||
        !fs::is_regular_file(InstalledMarker(input.executableDirectory), ec)) {
        return paths;
    }
    paths.rule = FileRule::UserDirectories;
    paths.configDirectory =
        BaseDirectory(input.xdgConfigHome, input.home, ".config") / kSubdirectory;
    paths.dataDirectory =
        BaseDirectory(input.xdgDataHome, input.home, ".local/share") / kSubdirectory;
    return paths;
}

const DataPaths& SetUpDataPaths(bool createDirectories) {
    DataPathsInput input;
    std::error_code ec;
    input.executableDirectory = fs::read_symlink("/proc/self/exe", ec).parent_path();
    input.xdgConfigHome = Environment("XDG_CONFIG_HOME");
    input.xdgDataHome = Environment("XDG_DATA_HOME");
    input.home = HomeDirectory();
    g_paths = ResolveDataPaths(input);
    if (createDirectories && g_paths.rule == FileRule::UserDirectories) {
        // A failure shows later, where a file cannot be written and says so.
        fs::create_directories(g_paths.configDirectory, ec);
        fs::create_directories(g_paths.dataDirectory, ec);
    }
    return g_paths;
}

const DataPaths& CurrentDataPaths() { return g_paths; }

fs::path StationSettingsDirectory(std::error_code& ec) {
    ec.clear();
    if (g_paths.rule == FileRule::UserDirectories) return g_paths.configDirectory;
    return fs::current_path(ec);
}

fs::path StationRecordDirectory(const fs::path& fallback) {
    return g_paths.rule == FileRule::UserDirectories ? g_paths.dataDirectory : fallback;
}

fs::path StationJournalDirectory(std::error_code& ec) {
    ec.clear();
    if (g_paths.rule == FileRule::UserDirectories) return g_paths.dataDirectory;
    return fs::current_path(ec);
}

std::string DescribeDataPaths(const DataPaths& paths) {
    if (paths.rule == FileRule::UserDirectories) {
        return "Installed program: the settings file and the parameter sets are kept in " +
               paths.configDirectory.string() +
               ", record files and the protocol log in " + paths.dataDirectory.string() +
               " (record files named with a path in a parameter set stay where it says).";
    }
    return "Program run from a build or portable folder: the settings file, the parameter "
           "sets, record files and the protocol log are kept in the working directory.";
}

}  // namespace tagwright
