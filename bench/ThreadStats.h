#pragma once
// What /proc says about one thread of this process: found by its name, its
// CPU time and how often it went to sleep and woke up again.

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace tagwright::bench {

// The id of the thread named NAME (as /proc/self/task/*/comm shows it), or
// "" when there is none.
inline std::string FindTask(const std::string& name) {
    std::string found;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.') continue;
            std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
            std::string line;
            std::getline(comm, line);
            if (line == name) found = e->d_name;
        }
        closedir(d);
    }
    return found;
}

// User plus system time of one thread, in seconds; -1 when it is gone.
inline double TaskCpuSeconds(const std::string& tid) {
    std::ifstream in("/proc/self/task/" + tid + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    unsigned long long ticks = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14 || i == 15) ticks += std::stoull(f);
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// How often the thread gave up the processor to wait (its voluntary context
// switches): each is one sleep and one wake-up. -1 when it is gone.
inline long TaskWakeups(const std::string& tid) {
    std::ifstream in("/proc/self/task/" + tid + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("voluntary_ctxt_switches:")) return std::stol(line.substr(24));
    }
    return -1;
}

}  // namespace tagwright::bench
