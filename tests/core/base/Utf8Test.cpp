// The 8-bit texts as UTF-8 for databases, terminals and export files.

#include <gtest/gtest.h>

#include "core/base/Utf8.h"

namespace tagwright {
namespace {

TEST(Utf8, EveryLatin1ByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = Latin1ToUtf8(all);
    EXPECT_EQ(utf8.size(), 128u + 2u * 128u);
    EXPECT_EQ(Utf8ToLatin1(utf8), all);
}

TEST(Utf8, ConvertsAsEachRuleSays) {
    struct Case {
        std::string (*convert)(std::string_view);
        std::string in, out;
    };
    const Case cases[] = {
        {Latin1ToUtf8, "Gr\xFC\xDF", "Gr\xC3\xBC\xC3\x9F"},
        // Not a Latin-1 character (the euro sign): kept as it is.
        {Utf8ToLatin1, "\xE2\x82\xAC 5", "\xE2\x82\xAC 5"},
        // A lone lead byte at the end is not a pair.
        {Utf8ToLatin1, "A\xC3", "A\xC3"},
        {Cp1252ToUtf8, "\x80\x8A\x9F", "\xE2\x82\xAC\xC5\xA0\xC5\xB8"},
        {Cp1252ToUtf8, "\x81\xE4", "\xEF\xBF\xBD\xC3\xA4"},  // a hole in the code page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(c.convert(c.in), c.out);
    }
}

}  // namespace
}  // namespace tagwright
