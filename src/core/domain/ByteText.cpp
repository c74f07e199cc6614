#include "core/domain/ByteText.h"


#include "core/domain/Hex.h"
#include "core/domain/PageCodec.h"

namespace tagwright::ByteText {

namespace {

// Page texts and byte texts share the Reader's nibble rule, kept in the page
// codec; a run of digit pairs decodes byte by byte there.
std::string DecodePairs(std::string_view evenDigits) {
    return PageCodec::HexDigitsToBytes(evenDigits);
}

}  // namespace

std::string AsciiToHex(std::string_view ascii) {
    if (ascii == "NUL") return "00";
    return HexDigits(ascii);
}

unsigned char HexToByte(std::string_view hex) {
    std::string pair(hex.substr(0, 2));
    pair.insert(0, 2 - pair.size(), '0');
    const std::string bytes = DecodePairs(pair);
    return bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
}

std::string ByteToAscii(unsigned char byte) {
    if (byte == 0) return "NUL";
    return std::string(1, static_cast<char>(byte));
}

std::string HexToAsciiByte(std::string_view hex) { return ByteToAscii(HexToByte(hex)); }

std::string HexToAscii(std::string_view hex) {
    std::string digits;
    if (hex.size() % 2 != 0) digits = "0";
    digits += hex;
    std::string ascii;
    for (char byte : DecodePairs(digits)) ascii += ByteToAscii(static_cast<unsigned char>(byte));
    return ascii;
}

}  // namespace tagwright::ByteText
