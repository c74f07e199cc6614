#pragma once
// Field rules that every journal stores alike: time stamps, host name, the
// carrier ID as a number and the list of locked pages.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/production/Journal.h"

namespace tagwright {

struct JournalStamp {
    std::string utc;    // "YYYY-MM-DD HH:MM:SS"
    std::string local;
};

JournalStamp JournalNow();
std::string JournalHostName();

// Decimal carrier IDs are also kept as numbers, so that "0100" sorts above
// "0099" and "42" above "9" when the highest is asked for.
std::optional<std::int64_t> CarrierNumber(std::string_view id);

// Locked pages as "1 2 17".
std::string LockList(const std::array<bool, kJournalPages>& locked);

}  // namespace tagwright
