#include "core/reader/OpenFailure.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "core/reader/PosixSerialBackend.h"

namespace tagwright {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUdevRule = "70-tagwright-serial.rules";

bool IsPid(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](unsigned char c) { return c >= '0' && c <= '9'; });
}

std::string CommandName(const fs::path& processDir) {
    std::ifstream in(processDir / "comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// The process directories under procRoot, in no particular order.
std::vector<fs::path> ProcessDirectories(const fs::path& procRoot) {
    std::vector<fs::path> dirs;
    std::error_code ec;
    for (fs::directory_iterator it(procRoot, ec), end; !ec && it != end; it.increment(ec)) {
        if (IsPid(it->path().filename().string())) dirs.push_back(it->path());
    }
    return dirs;
}

std::string UserName(uid_t uid) {
    const passwd* p = getpwuid(uid);
    return p ? p->pw_name : "uid " + std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    const group* g = getgrgid(gid);
    return g ? g->gr_name : "gid " + std::to_string(gid);
}

std::string ModeText(mode_t mode) {
    std::string text = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) {
        if ((mode & (0400u >> i)) == 0) text[static_cast<std::size_t>(i)] = '-';
    }
    return text;
}

// Names the user and the device's group, and the two ways to access: the
// group (dialout where the device's own group may not use it) or the udev rule.
std::string Denied(const std::string& path) {
    const std::string user = UserName(geteuid());
    std::string text = "Access to " + path + " denied for user " + user;
    std::string group = "dialout";
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        text += " (group " + GroupName(st.st_gid) + ", mode " + ModeText(st.st_mode) + ")";
        if ((st.st_mode & 060) == 060) group = GroupName(st.st_gid);
    }
    return text + ": add the user to the group " + group + " (sudo adduser " + user + " " +
           group + ", then log in again), or install the package's udev rule " + kUdevRule +
           ", which gives the logged-in user USB serial adapters.";
}

std::string Busy(const std::string& path, const fs::path& procRoot) {
    const std::vector<ProcessInfo> holders = ProcessesHolding(path, procRoot);
    if (holders.empty()) return path + " is in use by another program.";
    std::string text = path + " is in use by ";
    for (std::size_t i = 0; i < holders.size(); ++i) {
        if (i > 0) text += ", ";
        text += holders[i].name + " (PID " + std::to_string(holders[i].pid) + ")";
    }
    return text + ".";
}

std::string GrabberNote(const std::vector<std::string>& grabbers) {
    std::string text;
    for (const std::string& g : grabbers) {
        if (g == "brltty") {
            text += " brltty is running, which claims USB serial adapters for braille displays"
                    " (remove it if no braille display is used: sudo apt remove brltty).";
        } else {
            text += " ModemManager is running, which probes new serial ports (the package's"
                    " udev rule " + std::string(kUdevRule) + " tells it to leave them alone).";
        }
    }
    return text;
}

}  // namespace

std::vector<ProcessInfo> ProcessesHolding(const fs::path& device, const fs::path& procRoot) {
    std::error_code ec;
    fs::path target = fs::weakly_canonical(device, ec);
    if (ec) target = device;
    const std::string self = std::to_string(getpid());
    std::vector<ProcessInfo> holders;
    for (const fs::path& dir : ProcessDirectories(procRoot)) {
        if (dir.filename() == self) continue;
        std::error_code fdEc;
        for (fs::directory_iterator it(dir / "fd", fdEc), end; !fdEc && it != end;
             it.increment(fdEc)) {
            std::error_code linkEc;
            if (fs::read_symlink(it->path(), linkEc) != target || linkEc) continue;
            holders.push_back({static_cast<pid_t>(std::stol(dir.filename().string())),
                               CommandName(dir)});
            break;
        }
    }
    std::sort(holders.begin(), holders.end(),
              [](const ProcessInfo& a, const ProcessInfo& b) { return a.pid < b.pid; });
    return holders;
}

std::vector<std::string> RunningPortGrabbers(const fs::path& procRoot) {
    bool brltty = false;
    bool modemManager = false;
    for (const fs::path& dir : ProcessDirectories(procRoot)) {
        const std::string name = CommandName(dir);
        brltty = brltty || name == "brltty";
        modemManager = modemManager || name == "ModemManager";
    }
    std::vector<std::string> grabbers;
    if (brltty) grabbers.emplace_back("brltty");
    if (modemManager) grabbers.emplace_back("ModemManager");
    return grabbers;
}

std::string ExplainOpenFailure(const std::string& portName, int error, const fs::path& procRoot) {
    if (portName.empty()) {
        return "No port is chosen: choose the Reader's port in Interface > Settings.";
    }
    const std::string path = posix_serial::DevicePath(portName);
    std::string text;
    switch (error) {
    case EACCES:
    case EPERM: text = Denied(path); break;
    case EBUSY:
    case EWOULDBLOCK: text = Busy(path, procRoot); break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        text = "No device " + path + ": the Reader's adapter is not plugged in, or it came back"
               " under another name (choose it again in Interface > Settings).";
        break;
    default: text = path + ": " + std::strerror(error) + "."; break;
    }
    return text + GrabberNote(RunningPortGrabbers(procRoot));
}

}  // namespace tagwright
