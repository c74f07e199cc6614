#include <gtest/gtest.h>

#include "core/domain/PageCodec.h"
#include "core/domain/TypedText.h"

namespace tagwright::test {
namespace {

using namespace PageCodec;
using std::string_literals::operator""s;
using Cases = std::initializer_list<std::pair<std::string, std::string>>;

TEST(PageCodec, AsciiToHexText) {
    for (const auto& [in, out] : Cases{
             {"", ""}, {"A B NUL D   F G H", "41 42 00 44 20 46 47 48"},
             {"NUL", "4E"},                                   // no space touches it
             {"A B C D E F G ", "41 42 43 44 45 46 47"},      // single trailing space: seven codes
             {"A B C D E F G  ", "41 42 43 44 45 46 47 20"},  // two: a space byte
             {"A   B", "41 20 42"}, {"A    B", "41 20 20 42"},  // the marker is not rescanned
             {"ANUL Bc", "41 42"},                            // first character of each token
             {"1 2 3 4 5 6 7 8 9", "31 32 33 34 35 36 37 38"}, {"\xE4 \x80 \xFF \x01", "E4 80 FF 01"},
             {"\xA0   \xA0 A", "A0 20 A0 41"},  // 0xA0 is a byte, never a separator
             {std::string(15, ' '), "20 20 20 20 20 20 20 20"},  // eight space bytes, by position
             {"      A NUL      ", "20 20 20 41 00 20 20 20"},
         }) {
        EXPECT_EQ(AsciiToHexText(in), out) << '"' << in << '"';
    }
}

// Whatever eight bytes a page holds, the ASCII form a read shows converts
// back to the same bytes, also for runs of space bytes and for "N U L".
TEST(PageCodec, EveryPageRoundTripsThroughItsAsciiForm) {
    const char alphabet[] = {'\0', ' ', 'N', 'L'};
    for (int code = 0; code < 1 << 16; ++code) {
        std::string hex;
        for (int i = 0; i < 8; ++i) {
            if (i > 0) hex += ' ';
            const char byte = alphabet[(code >> (2 * i)) & 3];
            hex += AsciiToHexText(byte == '\0' ? "NUL" : std::string(1, byte) + "  ").substr(0, 2);
        }
        const std::string ascii = HexToAsciiText(hex);
        ASSERT_EQ(CheckPageText(ascii, PageFormat::Ascii), 0) << hex;
        ASSERT_EQ(AsciiToHexText(ascii), hex) << '"' << ascii << '"';
    }
}

TEST(PageCodec, HexToAsciiText) {
    for (const auto& [in, out] : Cases{
             {"", ""}, {"41 42 00 44 20 46 47 48", "A B NUL D   F G H"}, {"7", "\x07"},
             {"A0 20 A0 41", "\xA0   \xA0 A"},
             {"ABC", "\xBC"}, {"4a", "J"}, {"  41   42  ", "A B"}, {"E4 ff", "\xE4 \xFF"},
             {"4 1 42 43 44 45 46 47 48", "\x04 \x01 B C D E F G H"},  // nine byte texts
             {"zz", "3"}, {"!!", "\x11"},  // any character is a digit: 122 - 55 = 67, 33 - 48 = -15
             {"\xFF\xFF", "\x88"},         // 255 - 55 = 200 -> 8, not a negative code
         }) {
        EXPECT_EQ(HexToAsciiText(in), out) << '"' << in << '"';
    }
    EXPECT_EQ(TextBeforeNul(HexDigitsToBytes("41420043")), "AB");
    EXPECT_EQ(HexDigitsToBytes("4142004aE4") + HexDigitsToBytes("414"), "AB\0J\xE4" "A\x04"s);
}

TEST(PageCodec, CheckPageText) {
    const std::tuple<std::string, PageFormat, int> cases[] = {
        {"4a 4b 4c 4d 4e 4f 40 41", PageFormat::Hex, 0},
        {"4 1 42 43 44 45 46 47 48", PageFormat::Hex, 0},
        {"41 42 43 44 45 46 47 4g", PageFormat::Hex, 1},
        {"41 42 43 44 45 46 47 48 49", PageFormat::Hex, 1},
        {"41\t42 43 44 45 46 47 48", PageFormat::Hex, 2},  // only blanks are removed
        {"", PageFormat::Hex, 1},
        {std::string(511, 'z'), PageFormat::Hex, 512},    // no wrap of the count
        {"A B NUL D   F G H", PageFormat::Ascii, 0},
        {"A B C D E F G ", PageFormat::Ascii, 0},  // the trailing space is the eighth
        {"A B C D E F G", PageFormat::Ascii, 1},
        {"NUL", PageFormat::Ascii, 1},
        {"", PageFormat::Ascii, 1},
    };
    for (const auto& [text, format, errors] : cases) {
        EXPECT_EQ(CheckPageText(text, format), errors) << '"' << text << '"';
    }
}

TEST(PageCodec, NormalisePageText) {
    EXPECT_EQ(NormalisePageText("4142434445464748", PageFormat::Hex), "41 42 43 44 45 46 47 48");
    EXPECT_EQ(NormalisePageText("41424344454647484", PageFormat::Hex), "41424344454647484");
    for (const auto& [in, out] : Cases{
             {"ABCDEFGH", "A B C D E F G H"}, {"ABC", "A B C "}, {"ABCDEFGHIJ", "A B C D E F G H"},
             {"\xE4\xF6\xFC\xDF\x80\xFF\x01\x7F", "\xE4 \xF6 \xFC \xDF \x80 \xFF \x01 \x7F"},
             {"A B C D E F G H ", "A B C D E F G H "},
             {"ABC DEF GHI JKL MNO PQR STU VWX", "ABC DEF GHI JKL MNO PQR STU VWX"},
             // Canonical texts as a read shows them stay what they are; others are reshaped.
             {"A NUL C D E F G H", "A NUL C D E F G H"}, {"A B NUL D   F G H", "A B NUL D   F G H"},
             {"A NUL C", "A   N U L   C "}, {"AB C D E F G H I", "A B   C   D   E"},
         }) {
        EXPECT_EQ(NormalisePageText(in, PageFormat::Ascii), out) << '"' << in << '"';
    }
}

TEST(PageCodec, PageTextMessage) {
    EXPECT_EQ(PageTextMessage(3, PageFormat::Hex),
              "change P3 to a length of 16 printable hexadecimal characters "
              "(20,21,22,...,7D,7E) with spaces in between");
    EXPECT_EQ(PageTextMessage(17, PageFormat::Ascii),
              "change P17 to a length of 8 characters with spaces in between; "
              "'NUL' is 0x00 in ASCII format");
}

// What a field's typed text gives: its bytes, and the first character no
// byte stands for, which is left out, never replaced.
TEST(TypedText, EveryCharacterIsItsByteOrIsRefused) {
    struct Case {
        std::string typed, bytes;
        char32_t refused;
    };
    const Case cases[] = {
        {"A B \xE2\x82\xAC D", "A B  D", 0x20AC},
        {"\xC3\xA4\xE2\x90\x80\xE2\x91\xA0\xE2\x8D\xBD", "\xE4"s + '\0' + "\x80\xA0", 0},  // pictures
        {"\xF0\x9F\x98\x80x\xC4\x80", "x", 0x1F600},  // the first one refused is named
        {"a\xFF", "a", 0xFFFD},                        // not UTF-8
    };
    for (const Case& c : cases) {
        std::string bytes = "old";
        const Refusal r = TakeTyped(c.typed, bytes);
        EXPECT_EQ(bytes, c.bytes) << c.typed;
        EXPECT_EQ(r.For(bytes), c.refused) << c.typed;
        EXPECT_EQ(r.For(bytes + "x"), 0u) << "a field filled anew is no longer refused";
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string back;
    EXPECT_EQ(TakeTyped(ShownText(all), back).character, 0u);
    EXPECT_EQ(back, all);
}

}  // namespace
}  // namespace tagwright::test
