#include "core/app/ShiftSettings.h"

#include "core/base/CText.h"

namespace tagwright {

namespace {

// A day at most: a longer wait would never warn within a shift.
constexpr int kMaxStallMinutes = 24 * 60;

void LoadStallMinutes(const IniFile& file, ShiftSettings& shifts) {
    const std::string text = file.Get("Shifts", "StallMinutes");
    if (text.empty()) return;
    const std::int32_t minutes = Atol(text);
    if (minutes >= 1 && minutes <= kMaxStallMinutes) {
        shifts.stallMinutes = minutes;
        return;
    }
    shifts.stallProblem = "The stall time in the station settings ([Shifts] StallMinutes=" +
                          text + ") is not a number of minutes from 1 to 1440; " +
                          FormatInt(kDefaultStallMinutes) + " is used instead.";
}

}  // namespace

void LoadShiftSettings(const IniFile& file, ShiftSettings& shifts) {
    shifts = {};
    LoadStallMinutes(file, shifts);
    const std::string text = file.Get("Shifts", "Starts");
    if (text.empty()) return;
    std::string why;
    if (!ParseShiftStarts(text, &shifts.starts, &why)) {
        shifts.problem = "The shift start times in the station settings ([Shifts] Starts=" +
                         text + ") cannot be used: " + why +
                         ". One shift per calendar day, from 00:00, is used instead.";
    }
}

}  // namespace tagwright
