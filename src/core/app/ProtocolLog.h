#pragma once
// The protocol log: one time-stamped line per automatic cycle, appended to
// IntProt_<logIndex>.txt in the current directory. A file above 10,000,000
// bytes is left for the next number; logIndex never goes back within a run.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/Clock.h"

namespace tagwright {

struct AutomaticRun;
struct ProtocolLogState;

inline constexpr std::uintmax_t kProtocolLogLimit = 10'000'000;

// "DD/MM/YY;HH:MM:SS".
std::string ProtocolTimestamp(const LocalTime& time);

// Appends timestamp;text CR LF to the log file of log.index (moved on past
// full files). False when the log cannot be opened or written; the first
// such failure of a run leaves a message for the 500 ms tick in run, later
// ones stay quiet so that the station keeps running without asking at every
// cycle.
bool WriteProtocolLine(ProtocolLogState& log, AutomaticRun& run, const Clock& clock,
                       std::string_view text);

}  // namespace tagwright
