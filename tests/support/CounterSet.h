#pragma once
// The counter set the station tests program with: carrier IDs of three
// digits from byte 0, "F" bytes beside them, "-" in pages 3 to 17, rows to
// record.xml in dir. Each rig adds its type, locks, start and checks.

#include <filesystem>

#include "core/config/ParameterSet.h"

namespace tagwright::test {

inline ParameterSet BaseCounterSet(const std::filesystem::path& dir) {
    ParameterSet set;
    for (std::size_t k = 0; k < kImageBytes; ++k) set.hex[k] = k < 16 ? "46" : "2D";
    DeriveAsciiTexts(set);
    set.useDecimalCounter = true;
    set.carrierIdOffset = "0";
    set.carrierIdLength = "3";
    set.logEnabled = true;
    set.logFileName = (dir / "record.xml").string();
    return set;
}

}  // namespace tagwright::test
