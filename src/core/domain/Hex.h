#pragma once
// Hexadecimal digits as the pages and byte texts write them: upper case on
// the way out, either case accepted on the way in.

#include <string>
#include <string_view>

namespace tagwright {

constexpr bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The two digits of one byte.
std::string HexByte(unsigned char byte);
// Two digits for every byte of bytes, concatenated.
std::string HexDigits(std::string_view bytes);

}  // namespace tagwright
