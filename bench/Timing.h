#pragma once
// What the journal benchmarks measure alike: milliseconds, percentiles, and
// the floor that every synced commit stands on.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace tagwright::bench {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double Percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// The median of one append of pageBytes plus fdatasync, in dir: no commit
// on that file system can be faster.
inline double SyncFloor(const std::string& dir, std::size_t pageBytes) {
    const std::string path = dir + "/sync-floor";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return 0;
    std::vector<double> times;
    const std::string page(pageBytes, 'x');
    for (int i = 0; i < 50; ++i) {
        const Clock::time_point start = Clock::now();
        if (::write(fd, page.data(), page.size()) < 0 || ::fdatasync(fd) != 0) break;
        times.push_back(MsSince(start));
    }
    ::close(fd);
    ::unlink(path.c_str());
    return times.empty() ? 0 : Percentile(times, 0.5);
}

}  // namespace tagwright::bench
