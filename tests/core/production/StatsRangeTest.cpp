// The current shift: the start at or before now, to the next start, across
// midnight and across a DST change; and the [Shifts] times that are refused.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "core/production/StatsRange.h"

namespace tagwright::test {
namespace {

// Central European time with its DST rule, without the zone database.
class StatsRangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        saved_ = tz != nullptr ? tz : "";
        hadTz_ = tz != nullptr;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
    }
    void TearDown() override {
        hadTz_ ? ::setenv("TZ", saved_.c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string saved_;
    bool hadTz_ = false;
};

ShiftStarts Starts(const char* text) {
    ShiftStarts starts;
    std::string problem;
    EXPECT_TRUE(ParseShiftStarts(text, &starts, &problem)) << problem;
    return starts;
}

TEST_F(StatsRangeTest, CurrentShiftInUtc) {
    const struct {
        const char* starts;
        LocalTime now;
        const char* since;  // UTC
        const char* until;
    } cases[] = {
        // One shift per calendar day (winter: UTC+1).
        {"00:00", {2026, 12, 7, 10, 0, 0}, "2026-12-06 23:00:00", "2026-12-07 23:00:00"},
        // Three shifts: late evening, after midnight, and a start to the second.
        {"22:00,06:00,14:00", {2026, 12, 7, 23, 30, 0}, "2026-12-07 21:00:00", "2026-12-08 05:00:00"},
        {"06:00,14:00,22:00", {2026, 12, 8, 3, 0, 0}, "2026-12-07 21:00:00", "2026-12-08 05:00:00"},
        {"06:00,14:00,22:00", {2026, 12, 8, 6, 0, 0}, "2026-12-08 05:00:00", "2026-12-08 13:00:00"},
        {"06:00,14:00,22:00", {2026, 12, 31, 22, 0, 0}, "2026-12-31 21:00:00", "2027-01-01 05:00:00"},
        // The night the clocks go forward at 02:00: the night shift lasts 7 h.
        {"06:00,14:00,22:00", {2026, 3, 29, 4, 0, 0}, "2026-03-28 21:00:00", "2026-03-29 04:00:00"},
        // A start inside the skipped hour begins after the gap.
        {"02:30", {2026, 3, 29, 12, 0, 0}, "2026-03-29 01:30:00", "2026-03-30 00:30:00"},
    };
    for (const auto& c : cases) {
        const StatsRange range = CurrentShiftRange(c.now, Starts(c.starts));
        EXPECT_EQ(range.sinceUtc, c.since) << c.starts << " at " << c.now.day << " " << c.now.hour;
        EXPECT_EQ(range.untilUtc, c.until) << c.starts << " at " << c.now.day << " " << c.now.hour;
    }
}

TEST_F(StatsRangeTest, ShiftTimesParsed) {
    EXPECT_EQ(ShiftStartsText(Starts(" 14:00, 6:00 ,22:00")), "06:00,14:00,22:00");
    for (const char* bad : {"", "25:00", "06:60", "06:00;14:00", "06:00,,14:00", "6", "06:00,06:00",
                            "06:00 14:00"}) {
        ShiftStarts starts;
        std::string problem;
        EXPECT_FALSE(ParseShiftStarts(bad, &starts, &problem)) << bad;
        EXPECT_FALSE(problem.empty()) << bad;
        EXPECT_EQ(ShiftStartsText(starts), "00:00") << bad;
    }
}

}  // namespace
}  // namespace tagwright::test
