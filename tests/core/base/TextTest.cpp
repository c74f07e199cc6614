// The C library's number texts, the 8-bit texts as UTF-8 and the clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/base/CText.h"
#include "core/base/Clock.h"
#include "core/base/Utf8.h"

namespace tagwright::test {
namespace {

constexpr std::int32_t kI32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::uint64_t kU64Max = std::numeric_limits<std::uint64_t>::max();

TEST(CText, AtolFollowsTheCLibrary) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"", 0},          {"abc", 0},        {"  42", 42},          {"\t\n\v\f\r 7", 7},
        {"+5", 5},        {"-5", -5},        {"12abc", 12},         {"1.5", 1},
        {"- 5", 0},       {"+-5", 0},        {"0009", 9},           {"\xA0" "5", 0},
        {"2147483647", kI32Max},             {"2147483648", kI32Max},
        {"99999999999999999999999", kI32Max}, {"-2147483648", kI32Min},
        {"-2147483649", kI32Min},            {"-99999999999999999999999", kI32Min},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Atol(text), expected) << '"' << text << '"';
}

TEST(CText, ParseU64WrapsNegativesAndSaturatesOverflow) {
    const std::pair<const char*, std::uint64_t> cases[] = {
        {"", 0},          {"x1", 0},         {" \t123", 123},       {"+7", 7},
        {"000123abc", 123},                  {"-0", 0},             {"-1", kU64Max},
        {"-2", kU64Max - 1},                 {"-18446744073709551615", 1},
        {"18446744073709551615", kU64Max},   {"18446744073709551616", kU64Max},
        {"99999999999999999999", kU64Max},   {"-18446744073709551616", kU64Max},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ParseU64(text), expected) << text;
    EXPECT_EQ(FormatU64(0) + " " + FormatU64(kU64Max), "0 18446744073709551615");
    EXPECT_EQ(FormatInt(-5) + " " + FormatInt(std::numeric_limits<std::int64_t>::min()),
              "-5 -9223372036854775808");
}

TEST(Utf8, ConvertsAsEachRuleSaysAndEveryLatin1ByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Latin1ToUtf8(all).size(), 128u + 2u * 128u);
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(all)), all);
    struct Case {
        std::string (*convert)(std::string_view);
        std::string in, out;
    };
    const Case cases[] = {
        {Latin1ToUtf8, "Gr\xFC\xDF", "Gr\xC3\xBC\xC3\x9F"},
        {Utf8ToLatin1, "\xE2\x82\xAC 5", "\xE2\x82\xAC 5"},  // no Latin-1 character: kept
        {Utf8ToLatin1, "A\xC3", "A\xC3"},                    // a lone lead byte is no pair
        {Cp1252ToUtf8, "\x80\x8A\x9F", "\xE2\x82\xAC\xC5\xA0\xC5\xB8"},
        {Cp1252ToUtf8, "\x81\xE4", "\xEF\xBF\xBD\xC3\xA4"},  // a hole in the code page
        // A path into a message: what the code page lacks is named, a byte
        // that is not UTF-8 stays.
        {Utf8ToCp1252, "/x/\xC3\xA4/\xE2\x82\xAC\xE4\xB8\xAD", "/x/\xE4/\x80<U+4E2D>"},
        {Utf8ToCp1252, "\xE4" "b\xC3", "\xE4" "b\xC3"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.convert(c.in), c.out) << c.in;
}

TEST(SystemClock, GivesAPlausibleLocalTime) {
    const LocalTime t = SystemClock{}.Now();
    EXPECT_GE(t.year, 2024);
    EXPECT_TRUE(t.month >= 1 && t.month <= 12 && t.second <= 60);
}

}  // namespace
}  // namespace tagwright::test
