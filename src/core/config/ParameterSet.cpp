#include "core/config/ParameterSet.h"

#include "core/domain/ByteText.h"

namespace tagwright {

void DeriveAsciiTexts(ParameterSet& set) {
    for (std::size_t k = 0; k < set.hex.size(); ++k) {
        set.ascii[k] = ByteText::HexToAsciiByte(set.hex[k]);
    }
}

}  // namespace tagwright
