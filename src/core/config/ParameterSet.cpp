#include "core/config/ParameterSet.h"

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

}  // namespace tagwright
