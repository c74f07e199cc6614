// Reply latency and idle cost of the Reader link against the virtual Reader
// answering at once: the time from writing a command to its judged reply over
// 1,000 exchanges, and the receiver thread's CPU time while the line is idle.
//
//   bench_reader_exchange [idle seconds, default 10]
//
// Targets: median under 1 ms; idle receiver under 0.5 % of a core.

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "reader-sim/VirtualReader.h"
#include "core/reader/ReaderLink.h"
#include "core/reader/SerialPort.h"

namespace {

using namespace tagwright;
using Clock = std::chrono::steady_clock;

// The receiver's thread id, found by its name.
std::string FindReceiverTask() {
    std::string found;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.') continue;
            std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
            std::string name;
            std::getline(comm, name);
            if (name == SerialPort::kReceiverThreadName) found = e->d_name;
        }
        closedir(d);
    }
    return found;
}

// User plus system time of one thread, in seconds.
double TaskCpuSeconds(const std::string& tid) {
    std::ifstream in("/proc/self/task/" + tid + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::stoull(f);
        if (i == 15) stime = std::stoull(f);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Times RUID exchanges, prints the spread and returns the median in us.
double MeasureExchanges(ReaderLink& link, TrafficText& traffic, int& failed) {
    constexpr int kExchanges = 1000;
    std::vector<double> micros;
    micros.reserve(kExchanges);
    for (int i = 0; i < kExchanges; ++i) {
        traffic.Clear();  // as every operation does
        const auto t0 = Clock::now();
        const JudgedReply r = link.ReadUid();
        const auto t1 = Clock::now();
        if (!r.good) ++failed;
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    std::sort(micros.begin(), micros.end());
    const double median = micros[micros.size() / 2];
    const double p99 = micros[micros.size() * 99 / 100];
    std::printf("exchange RUID -> judged reply, %d runs: median %.1f us, p99 %.1f us, max %.1f us"
                " (%d failed)\n",
                kExchanges, median, p99, micros.back(), failed);
    return median;
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const sim::Options options;
    sim::VirtualReader reader(options);
    std::string error;
    if (!reader.Start(&error)) {
        std::fprintf(stderr, "no virtual Reader: %s\n", error.c_str());
        return 1;
    }
    SerialPort port;
    PortSettings settings;
    settings.portName = reader.SlavePath();
    settings.baudRate = 115200;
    settings.dataBits = 8;
    const PortOpenResult opened = port.OpenPort(settings);
    if (!opened.opened) {
        std::fprintf(stderr, "cannot open %s\n", settings.portName.c_str());
        return 1;
    }
    TrafficText traffic;
    ReaderLink link(port, traffic);
    link.ResponseTimeBase = 1000;

    for (int i = 0; i < 50; ++i) link.ReadUid();  // warm up
    int failed = 0;

    const double median = MeasureExchanges(link, traffic, failed);
    const std::string tid = FindReceiverTask();
    if (tid.empty()) {
        std::printf("receiver thread not found\n");
        return 1;
    }
    const double cpu0 = TaskCpuSeconds(tid);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double cpu1 = TaskCpuSeconds(tid);
    std::printf("receiver idle for %d s: %.3f s CPU = %.3f %% of a core\n", idleSeconds,
                cpu1 - cpu0, 100.0 * (cpu1 - cpu0) / idleSeconds);
    std::printf("targets: median < 1000 us: %s; idle < 0.5 %%: %s\n",
                median < 1000 ? "met" : "MISSED",
                100.0 * (cpu1 - cpu0) / idleSeconds < 0.5 ? "met" : "MISSED");
    port.ClosePort();
    return failed == 0 ? 0 : 1;
}
