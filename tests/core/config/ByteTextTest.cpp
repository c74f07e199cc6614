#include <gtest/gtest.h>

#include <string>

#include "config/ByteText.h"

namespace tagwright::test {
namespace {

struct Case {
    std::string in, out;
};

TEST(ByteText, ConversionsFollowTheByteTextRules) {
    for (const Case& c : {Case{"NUL", "00"}, {"J", "4A"}, {"\xE4", "E4"}, {"", ""},
                          {"AB", "4142"}, {"NULL", "4E554C4C"}, {"nul", "6E756C"}}) {
        EXPECT_EQ(ByteText::AsciiToHex(c.in), c.out) << c.in;
    }
    // One byte: the first two characters, "0" in front of a shorter text.
    for (const Case& c : {Case{"4a", "J"}, {"4A", "J"}, {"A", "\x0A"}, {"00", "NUL"},
                          {"", "NUL"}, {"4A7", "J"}, {"E4", "\xE4"}, {"G1", "\x01"}}) {
        EXPECT_EQ(ByteText::HexToAsciiByte(c.in), c.out) << c.in;
    }
    // Several bytes: an odd text gets its "0" at the front, not the back.
    for (const Case& c : {Case{"414243", "ABC"}, {"14243", std::string("\x01") + "BC"},
                          {"4100", "ANUL"}, {"", ""}, {"a", "\x0A"}}) {
        EXPECT_EQ(ByteText::HexToAscii(c.in), c.out) << c.in;
    }
}

TEST(ByteText, EveryByteSurvivesTheRoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const std::string ascii = ByteText::ByteToAscii(static_cast<unsigned char>(b));
        EXPECT_EQ(ByteText::HexToAsciiByte(ByteText::AsciiToHex(ascii)), ascii) << b;
    }
}

}  // namespace
}  // namespace tagwright::test
