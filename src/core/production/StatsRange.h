#pragma once
// The time ranges the production figures are asked for, in UTC as the
// journal stores its times, made from the local time of an injected clock:
// the current shift, the last 24 hours, or a range the operator chose.
//
// Shifts start at fixed local times of day; a shift runs to the next start,
// the last one of a day across midnight to the first of the next day. The
// default is one shift per calendar day, from 00:00.

#include <string>
#include <string_view>
#include <vector>

#include "core/base/Clock.h"

namespace tagwright {

struct ShiftStarts {
    std::vector<int> minutes{0};  // after local midnight, ascending, unique, 0..1439
};

// "06:00,14:00,22:00" (blanks allowed around the times, any order, "H:MM"
// too). False with *problem (a sentence for the operator) when the text is
// not such a list; *starts is then left as it was.
bool ParseShiftStarts(std::string_view text, ShiftStarts* starts, std::string* problem);
// The list as "06:00,14:00,22:00".
std::string ShiftStartsText(const ShiftStarts& starts);

struct StatsRange {
    std::string sinceUtc;    // inclusive
    std::string untilUtc;    // exclusive
    std::string sinceLocal;  // the same bounds in local time, for the heading
    std::string untilLocal;
};

// The shift that now is in. A local start that a DST change skips begins at
// the first minute after the gap.
StatsRange CurrentShiftRange(const LocalTime& now, const ShiftStarts& starts);
// The 24 hours up to now (until = now + 1 s, so that a row of this second counts).
StatsRange Last24HoursRange(const LocalTime& now);
// [from, to) in local time.
StatsRange LocalRange(const LocalTime& from, const LocalTime& to);

// Local time as the journal's UTC text "YYYY-MM-DD HH:MM:SS".
std::string UtcText(const LocalTime& local);

}  // namespace tagwright
