#pragma once
// Why a serial port did not open, in one line an operator can act on. The
// same few causes come back on every Linux station: no access to the device,
// another program holding it, an adapter that is not there, and the two
// system services that grab USB serial adapters (brltty takes common
// adapter chips for braille displays, ModemManager probes every new port).

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tagwright {

struct ProcessInfo {
    pid_t pid = 0;
    std::string name;  // the command name as /proc/PID/comm gives it
};

// Processes other than this one with the device open, found through the
// descriptor links under procRoot/PID/fd. Processes of other users are
// visible only to root.
std::vector<ProcessInfo> ProcessesHolding(const std::filesystem::path& device,
                                          const std::filesystem::path& procRoot = "/proc");

// The running services known to take serial adapters away: "brltty",
// "ModemManager".
std::vector<std::string> RunningPortGrabbers(const std::filesystem::path& procRoot = "/proc");

// The line that follows the port's open failure message: the reason for the
// errno-style code `error`, for the port as the station names it.
std::string ExplainOpenFailure(const std::string& portName, int error,
                               const std::filesystem::path& procRoot = "/proc");

}  // namespace tagwright
