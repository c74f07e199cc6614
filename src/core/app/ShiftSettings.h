#pragma once
// The [Shifts] section of the station settings file: when the shifts start.
//
//   [Shifts]
//   Starts=06:00,14:00,22:00
//   StallMinutes=10
//
// Read only: the station never writes the section back. A missing key gives
// one shift per calendar day; a text that is not a list of times gives the
// same, and the problem says so. StallMinutes: how long continuous mode may
// run without a programmed tag before the Production window warns.

#include <string>

#include "core/base/IniFile.h"
#include "core/production/StatsRange.h"

namespace tagwright {

inline constexpr int kDefaultStallMinutes = 10;

struct ShiftSettings {
    ShiftStarts starts;
    int stallMinutes = kDefaultStallMinutes;
    std::string problem;  // "" or why Starts was not used, for the operator
    std::string stallProblem;  // "" or why StallMinutes was not used
};

void LoadShiftSettings(const IniFile& file, ShiftSettings& shifts);

}  // namespace tagwright
