// Reply latency and idle cost of the Reader link against the virtual Reader
// answering at once: the time from writing a command to its judged reply over
// 1,000 exchanges, and the receiver thread's CPU time while the line is idle.
//
//   bench_reader_exchange [--quick] [idle seconds, default 10; 1 with --quick]
//
// Targets: median under 1 ms; idle receiver under 0.5 % of a core.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "QuickMode.h"
#include "ThreadStats.h"
#include "reader-sim/VirtualReader.h"
#include "core/reader/ReaderLink.h"
#include "core/reader/SerialPort.h"

namespace {

using namespace tagwright;
using Clock = std::chrono::steady_clock;

// Times RUID exchanges, prints the spread and returns the median in us.
double MeasureExchanges(ReaderLink& link, TrafficText& traffic, int exchanges, int& failed) {
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(exchanges));
    for (int i = 0; i < exchanges; ++i) {
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
                exchanges, median, p99, micros.back(), failed);
    return median;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = bench::TakeQuickFlag(argc, argv);
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : quick ? 1 : 10;

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

    const double median = MeasureExchanges(link, traffic, quick ? 50 : 1000, failed);
    const std::string tid = bench::FindTask(SerialPort::kReceiverThreadName);
    if (tid.empty()) {
        std::fprintf(stderr, "bench_reader_exchange: receiver thread not found\n");
        return 1;
    }
    const double cpu0 = bench::TaskCpuSeconds(tid);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double cpu1 = bench::TaskCpuSeconds(tid);
    std::printf("receiver idle for %d s: %.3f s CPU = %.3f %% of a core\n", idleSeconds,
                cpu1 - cpu0, 100.0 * (cpu1 - cpu0) / idleSeconds);
    std::printf("targets: median < 1000 us: %s; idle < 0.5 %%: %s\n",
                median < 1000 ? "met" : "MISSED",
                100.0 * (cpu1 - cpu0) / idleSeconds < 0.5 ? "met" : "MISSED");
    port.ClosePort();
    if (failed != 0) std::fprintf(stderr, "bench_reader_exchange: %d exchanges failed\n", failed);
    return failed == 0 ? 0 : 1;
}
