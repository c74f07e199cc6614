#pragma once
// Page texts: the HEX and ASCII forms of one 8-byte transponder page, their
// conversions and the check of a typed page text. One character is one byte;
// 0x80-0xFF are ordinary characters. No conversion fails.

#include <string>
#include <string_view>

namespace tagwright {

enum class PageFormat : int { Hex = 0, Ascii = 1 };

namespace PageCodec {

std::string AsciiToHexText(std::string_view text);
std::string HexToAsciiText(std::string_view text);
std::string HexDigitsToBytes(std::string_view digits);
// Raw bytes as a field shows them: up to the first 0x00 byte.
std::string TextBeforeNul(std::string_view bytes);
int CheckPageText(std::string_view text, PageFormat format);
std::string NormalisePageText(std::string_view text, PageFormat format);
std::string PageTextMessage(int page, PageFormat format);

}  // namespace PageCodec
}  // namespace tagwright
