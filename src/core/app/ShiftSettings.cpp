#include "core/app/ShiftSettings.h"

namespace tagwright {

void LoadShiftSettings(const IniFile& file, ShiftSettings& shifts) {
    shifts = {};
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
