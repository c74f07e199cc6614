#include "core/production/JournalFields.h"

#include <chrono>
#include <ctime>

#include <unistd.h>

namespace tagwright {

JournalStamp JournalNow() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{}, local{};
    ::gmtime_r(&t, &utc);
    ::localtime_r(&t, &local);
    char a[32], b[32];
    std::strftime(a, sizeof a, "%Y-%m-%d %H:%M:%S", &utc);
    std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S", &local);
    return {a, b};
}

std::string JournalHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
    return name;
}

std::optional<std::int64_t> CarrierNumber(std::string_view id) {
    if (id.empty() || id.size() > 18) return std::nullopt;
    std::int64_t n = 0;
    for (char c : id) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::string LockList(const std::array<bool, kJournalPages>& locked) {
    std::string list;
    for (int p = 0; p < kJournalPages; ++p) {
        if (!locked[static_cast<std::size_t>(p)]) continue;
        if (!list.empty()) list += ' ';
        list += std::to_string(p + 1);
    }
    return list;
}

}  // namespace tagwright
