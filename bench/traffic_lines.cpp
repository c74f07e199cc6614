// Times one traffic line: the receiver puts it on top and the window asks
// for what is new, at line 1,000 and at line 100,000 of a session. The text
// is bounded and neither step copies what is there, so the cost must not
// grow with the session: the target is a ratio of the two under 2.
//
// Usage: bench_traffic_lines

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/reader/TrafficText.h"

using namespace tagwright;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTimed = 2000;
constexpr int kRounds = 7;
const std::string kLine = "RP 07 -> 0011223344556677 OK\r\n";

// Microseconds per line for kTimed lines after `before` lines, median of rounds.
double UsPerLine(int before) {
    std::vector<double> rounds;
    for (int r = 0; r < kRounds; ++r) {
        TrafficText traffic;
        for (int i = 0; i < before; ++i) traffic.PutOnTop(kLine);
        std::uint64_t seen = traffic.Revision();
        std::size_t taken = 0;
        const auto start = Clock::now();
        for (int i = 0; i < kTimed; ++i) {
            traffic.PutOnTop(kLine);
            const TrafficChange change = traffic.ChangesSince(seen);
            seen = change.revision;
            taken += change.lines.size();
        }
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        if (taken != static_cast<std::size_t>(kTimed)) std::printf("lost lines!\n");
        rounds.push_back(us / kTimed);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

}  // namespace

int main() {
    const double small = UsPerLine(1000);
    const double large = UsPerLine(100000);
    std::printf("one traffic line at line   1,000: %.3f us\n", small);
    std::printf("one traffic line at line 100,000: %.3f us\n", large);
    std::printf("ratio: %.2f (target under 2)\n", large / small);
    return large / small < 2.0 ? 0 : 1;
}
