#include "core/config/ParameterSet.h"

#include <algorithm>
#include <limits>

#include "core/base/CText.h"
#include "core/domain/ByteText.h"

namespace tagwright {

void DeriveAsciiTexts(ParameterSet& set) {
    for (std::size_t k = 0; k < set.hex.size(); ++k) {
        set.ascii[k] = ByteText::HexToAsciiByte(set.hex[k]);
    }
}

std::uint64_t LastCarrierId(std::string_view firstId, std::string_view quantity) {
    const std::uint64_t first = ParseU64(firstId);
    const std::uint64_t count = ParseU64(quantity);
    if (count == 0) return first == 0 ? 0 : first - 1;
    constexpr std::uint64_t kTop = std::numeric_limits<std::uint64_t>::max();
    return count - 1 > kTop - first ? kTop : first + (count - 1);
}

std::vector<LayoutCut> CarrierIdLayoutCuts(const ParameterSet& set) {
    // Each value on its own has to fit the 16 bytes before their sum can.
    const int offset = std::clamp(Atol(set.carrierIdOffset), 0, kCarrierIdBytes);
    int length = std::clamp(Atol(set.carrierIdLength), 0, kCarrierIdBytes);
    length = std::min(length, kCarrierIdBytes - offset);
    std::vector<LayoutCut> cuts;
    if (Atol(set.carrierIdOffset) != offset) {
        cuts.push_back(
            {&ParameterSet::carrierIdOffset, "Carrier ID Offset", set.carrierIdOffset, offset});
    }
    if (Atol(set.carrierIdLength) != length) {
        cuts.push_back(
            {&ParameterSet::carrierIdLength, "Carrier ID Length", set.carrierIdLength, length});
    }
    return cuts;
}

std::string CarrierIdLayoutRefusal(const ParameterSet& set) {
    const std::vector<LayoutCut> cuts = CarrierIdLayoutCuts(set);
    if (cuts.empty()) return {};
    std::string text = std::string(kOffsetLengthMessage) + "\r\nThe parameter set holds ";
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        if (i != 0) text += "; ";
        text += std::string(cuts[i].key) + " \"" + cuts[i].text + "\" does not fit, \"" +
                FormatInt(cuts[i].fitted) + "\" would";
    }
    return text + ".\r\nNothing is programmed with it: mend it in the Config dialog.";
}

}  // namespace tagwright
