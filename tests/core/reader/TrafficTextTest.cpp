// The traffic text: newest on top, bounded, and the changes a view asks for.

#include <string>

#include <gtest/gtest.h>

#include "core/reader/TrafficText.h"

namespace tagwright::test {
namespace {

std::string Joined(const std::vector<TrafficLine>& lines) {
    std::string text;
    for (const TrafficLine& line : lines) text += line.text;
    return text;
}

TEST(TrafficTextTest, KeepsTheNewestLinesWithinTheBound) {
    TrafficText traffic(3);
    for (const char* line : {"1\r\n", "2\r\n", "3\r\n", "4\r\n", "5\r\n"}) traffic.PutOnTop(line);
    EXPECT_EQ(traffic.Text(), "5\r\n4\r\n3\r\n");
    EXPECT_EQ(traffic.LineCount(), 3u);
    traffic.Set("a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(traffic.Text(), "a\r\nb\r\nc\r\n");
    traffic.Set("no end");
    EXPECT_EQ(traffic.Text(), "no end");
}

TEST(TrafficTextTest, ChangesSinceARevision) {
    struct Case {
        const char* name;
        int putBefore;   // lines there when the view looked
        bool reset;      // a Clear after it looked
        int putAfter;    // lines that came since
        bool whole;
        std::string lines;
    };
    const Case cases[] = {
        {"nothing new", 2, false, 0, false, ""},
        {"two new lines", 2, false, 2, false, "b\r\na\r\n"},
        {"more than the bound", 1, false, 5, true, "e\r\nd\r\nc\r\nb\r\n"},
        {"cleared, then one", 2, true, 1, true, "a\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrafficText traffic(4);
        for (int i = 0; i < c.putBefore; ++i) traffic.PutOnTop("old\r\n");
        const std::uint64_t seen = traffic.Revision();
        if (c.reset) traffic.Clear();
        for (int i = 0; i < c.putAfter; ++i) {
            traffic.PutOnTop(std::string(1, static_cast<char>('a' + i)) + "\r\n");
        }
        const TrafficChange change = traffic.ChangesSince(seen);
        EXPECT_EQ(change.whole, c.whole);
        EXPECT_EQ(Joined(change.lines), c.lines);
        EXPECT_EQ(change.revision, traffic.Revision());
        EXPECT_TRUE(traffic.ChangesSince(change.revision).lines.empty());
    }
}

TEST(TrafficTextTest, TimestampHasMilliseconds) {
    const auto time = std::chrono::system_clock::time_point{} + std::chrono::milliseconds(7);
    const std::string stamp = TrafficTimestamp(time);
    ASSERT_EQ(stamp.size(), 13u);
    EXPECT_EQ(stamp.substr(8), ".007 ");
    EXPECT_EQ(stamp[2], ':');
}

}  // namespace
}  // namespace tagwright::test
