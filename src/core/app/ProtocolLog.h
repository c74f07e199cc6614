#pragma once
// The protocol log: one time-stamped line per automatic cycle, appended to
// IntProt_<logIndex>.txt in the current directory. A file above 10,000,000
// bytes is left for the next number; logIndex never goes back within a run.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/Clock.h"

namespace tagwright {

class Station;

inline constexpr std::uintmax_t kProtocolLogLimit = 10'000'000;

// "DD/MM/YY;HH:MM:SS".
std::string ProtocolTimestamp(const LocalTime& time);

// Appends timestamp;text CR LF. False when the log cannot be opened or
// written; the first such failure of a run leaves a message for the 500 ms
// tick (station.pendingMessage), later ones stay quiet so that the station
// keeps running without asking at every cycle.
bool WriteProtocolLine(Station& station, std::string_view text);

}  // namespace tagwright
