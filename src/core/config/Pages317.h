#pragma once
// What the Config dialog hands to the Pages 3-17 dialog and takes back on OK.

#include <array>
#include <string>

#include "core/config/ParameterSet.h"

namespace tagwright {

struct Pages317Data {
    std::array<std::string, kImageBytes> hex{};
    std::array<std::string, kImageBytes> ascii{};
    // Index 0 is page 1; only pages 3-17 are shown and changed.
    std::array<bool, kPageCount> editPage{};
    std::array<bool, kPageCount> lockPage{};
    int mode = 0;  // 1 = ASCII, 0 = HEX
    bool viewOnly = false;  // shown, not to be taken back: OK is disabled
};

}  // namespace tagwright
