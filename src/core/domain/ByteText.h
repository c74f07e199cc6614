#pragma once
// The texts of single bytes as parameter sets and their dialogs hold them:
// HEX "4A" and ASCII "J", with "NUL" standing for 0x00. No conversion fails.

#include <string>
#include <string_view>

namespace tagwright::ByteText {

// "NUL" gives "00"; otherwise "%02X" of every character, concatenated, so one
// character gives two digits and "" gives "".
std::string AsciiToHex(std::string_view ascii);

// The byte of a HEX text: its first two characters, "0" put in front of a
// shorter text. Digits of either case decode; other characters give some
// nibble without complaint.
unsigned char HexToByte(std::string_view hex);

// One byte: "NUL" for 0x00, else the one character with that code.
std::string ByteToAscii(unsigned char byte);

// ByteToAscii(HexToByte(hex)).
std::string HexToAsciiByte(std::string_view hex);

// Several bytes: an odd-length text gets one "0" in front, then every pair is
// converted as one byte and the results are concatenated.
std::string HexToAscii(std::string_view hex);

}  // namespace tagwright::ByteText
