#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/base/CText.h"

namespace tagwright::test {
namespace {

constexpr std::int32_t kI32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::uint64_t kU64Max = std::numeric_limits<std::uint64_t>::max();

TEST(CText, AtolFollowsTheCLibrary) {
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"", 0},          {"abc", 0},        {"  42", 42},          {"\t\n\v\f\r 7", 7},
        {"+5", 5},        {"-5", -5},        {"12abc", 12},         {"1.5", 1},
        {"- 5", 0},       {"+-5", 0},        {"0009", 9},           {"\xA0" "5", 0},
        {"2147483647", kI32Max},             {"2147483648", kI32Max},
        {"99999999999999999999999", kI32Max}, {"-2147483648", kI32Min},
        {"-2147483649", kI32Min},            {"-99999999999999999999999", kI32Min},
    };
    for (const auto& c : cases) EXPECT_EQ(Atol(c.text), c.expected) << '"' << c.text << '"';
}

TEST(CText, ParseU64WrapsNegativesAndSaturatesOverflow) {
    const struct {
        const char* text;
        std::uint64_t expected;
    } cases[] = {
        {"", 0},          {"x1", 0},         {" \t123", 123},       {"+7", 7},
        {"000123abc", 123},                  {"-0", 0},             {"-1", kU64Max},
        {"-2", kU64Max - 1},                 {"-18446744073709551615", 1},
        {"18446744073709551615", kU64Max},   {"18446744073709551616", kU64Max},
        {"99999999999999999999", kU64Max},   {"-18446744073709551616", kU64Max},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseU64(c.text), c.expected) << '"' << c.text << '"';
}

TEST(CText, FormatsDecimal) {
    EXPECT_EQ(FormatU64(0) + " " + FormatU64(kU64Max), "0 18446744073709551615");
    EXPECT_EQ(FormatInt(-5) + " " + FormatInt(std::numeric_limits<std::int64_t>::min()),
              "-5 -9223372036854775808");
}

}  // namespace
}  // namespace tagwright::test
