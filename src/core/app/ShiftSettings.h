#pragma once
// The [Shifts] section of the station settings file: when the shifts start.
//
//   [Shifts]
//   Starts=06:00,14:00,22:00
//
// Read only: the station never writes the section back. A missing key gives
// one shift per calendar day; a text that is not a list of times gives the
// same, and the problem says so.

#include <string>

#include "core/base/IniFile.h"
#include "core/production/StatsRange.h"

namespace tagwright {

struct ShiftSettings {
    ShiftStarts starts;
    std::string problem;  // "" or why Starts was not used, for the operator
};

void LoadShiftSettings(const IniFile& file, ShiftSettings& shifts);

}  // namespace tagwright
