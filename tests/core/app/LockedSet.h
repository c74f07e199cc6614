#pragma once
// The set most cycle tests program with: type TI, a carrier ID of three
// digits at byte 0 from a counter, pages 1 and 2 written and locked ("F"
// bytes beside the ID, "-" in pages 3 to 17), rows to dir/record.xml.

#include <filesystem>

#include "core/config/ParameterSet.h"

namespace tagwright::test {

inline ParameterSet LockedCounterSet(const std::filesystem::path& dir) {
    ParameterSet set;
    for (std::size_t k = 0; k < kImageBytes; ++k) set.hex[k] = k < 16 ? "46" : "2D";
    DeriveAsciiTexts(set);
    set.useDecimalCounter = true;
    set.carrierIdOffset = "0";
    set.carrierIdLength = "3";
    set.typeTI = true;
    set.lockPage[0] = set.lockPage[1] = true;
    set.logEnabled = true;
    set.logFileName = (dir / "record.xml").string();
    return set;
}

}  // namespace tagwright::test
