// Times one traffic line: the receiver puts it on top and the window asks
// for what is new, at line 1,000 and at line 100,000 of a session. The text
// is bounded and neither step copies what is there, so the cost must not
// grow with the session: the target is a ratio of the two under 2.
//
// Usage: bench_traffic_lines [--quick]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "QuickMode.h"
#include "core/reader/TrafficText.h"

using namespace tagwright;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kLine = "RP 07 -> 0011223344556677 OK\r\n";

struct Run {
    int timed = 2000;  // lines timed per round
    int rounds = 7;
    bool lost = false;  // the window missed a line
};

// Microseconds per line for run.timed lines after `before` lines, median of rounds.
double UsPerLine(Run& run, int before) {
    std::vector<double> rounds;
    for (int r = 0; r < run.rounds; ++r) {
        TrafficText traffic;
        for (int i = 0; i < before; ++i) traffic.PutOnTop(kLine);
        std::uint64_t seen = traffic.Revision();
        std::size_t taken = 0;
        const auto start = Clock::now();
        for (int i = 0; i < run.timed; ++i) {
            traffic.PutOnTop(kLine);
            const TrafficChange change = traffic.ChangesSince(seen);
            seen = change.revision;
            taken += change.lines.size();
        }
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        if (taken != static_cast<std::size_t>(run.timed)) run.lost = true;
        rounds.push_back(us / run.timed);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    Run run;
    const bool quick = bench::TakeQuickFlag(argc, argv);
    if (quick) run = Run{200, 1, false};
    const int late = quick ? 10000 : 100000;
    const double small = UsPerLine(run, 1000);
    const double large = UsPerLine(run, late);
    std::printf("one traffic line at line %7d: %.3f us\n", 1000, small);
    std::printf("one traffic line at line %7d: %.3f us\n", late, large);
    std::printf("ratio: %.2f (target under 2: %s)\n", large / small,
                large / small < 2.0 ? "met" : "missed");
    if (run.lost) std::fprintf(stderr, "bench_traffic_lines: the window missed lines\n");
    return run.lost ? 1 : 0;
}
