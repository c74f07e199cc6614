#include "core/domain/Hex.h"

namespace tagwright {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
}

std::string HexByte(unsigned char byte) { return {kDigits[byte >> 4], kDigits[byte & 0x0F]}; }

std::string HexDigits(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    }
    return out;
}

}  // namespace tagwright
