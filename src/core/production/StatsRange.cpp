#include "core/production/StatsRange.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace tagwright {

namespace {

std::tm TmOf(const LocalTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return tm;
}

std::string Text(const std::tm& tm) {
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// Seconds since the epoch of a local time; mktime normalises day and minute
// overflows, and moves a time inside a skipped DST hour past the gap.
std::time_t EpochOf(const LocalTime& t) {
    std::tm tm = TmOf(t);
    return std::mktime(&tm);
}

std::string UtcOfEpoch(std::time_t t) {
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    return Text(tm);
}

std::string LocalOfEpoch(std::time_t t) {
    std::tm tm{};
    ::localtime_r(&t, &tm);
    return Text(tm);
}

StatsRange RangeOf(std::time_t since, std::time_t until) {
    return {UtcOfEpoch(since), UtcOfEpoch(until), LocalOfEpoch(since), LocalOfEpoch(until)};
}

// The local time `minutes` after the midnight of day `day` (days from now's date).
LocalTime AtMinute(const LocalTime& now, int day, int minutes) {
    LocalTime t = now;
    t.day += day;  // mktime carries into months and years
    t.hour = minutes / 60;
    t.minute = minutes % 60;
    t.second = 0;
    return t;
}

// "H:MM" or "HH:MM" to minutes after midnight, or -1.
int MinutesOf(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3) {
        return -1;
    }
    int value[2] = {0, 0};
    const std::string_view parts[2] = {text.substr(0, colon), text.substr(colon + 1)};
    for (int i = 0; i < 2; ++i) {
        for (char c : parts[i]) {
            if (c < '0' || c > '9') return -1;
            value[i] = value[i] * 10 + (c - '0');
        }
    }
    if (value[0] > 23 || value[1] > 59) return -1;
    return value[0] * 60 + value[1];
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

bool ParseShiftStarts(std::string_view text, ShiftStarts* starts, std::string* problem) {
    std::vector<int> minutes;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view item = Trimmed(text.substr(start, end - start));
        const int m = MinutesOf(item);
        if (m < 0) {
            *problem = "\"" + std::string(item) + "\" is not a time of day (HH:MM from 00:00 to 23:59)";
            return false;
        }
        if (std::find(minutes.begin(), minutes.end(), m) != minutes.end()) {
            *problem = std::string(item) + " is given twice";
            return false;
        }
        minutes.push_back(m);
        start = end + 1;
    }
    std::sort(minutes.begin(), minutes.end());
    starts->minutes = std::move(minutes);
    return true;
}

std::string ShiftStartsText(const ShiftStarts& starts) {
    std::string text;
    for (int m : starts.minutes) {
        char item[8];
        std::snprintf(item, sizeof item, "%02d:%02d", m / 60, m % 60);
        if (!text.empty()) text += ',';
        text += item;
    }
    return text;
}

StatsRange CurrentShiftRange(const LocalTime& now, const ShiftStarts& starts) {
    const std::vector<int>& m = starts.minutes.empty() ? ShiftStarts{}.minutes : starts.minutes;
    const std::time_t at = EpochOf(now);
    // The latest start at or before now: today's, else the last of yesterday.
    std::time_t since = EpochOf(AtMinute(now, -1, m.back()));
    for (int s : m) {
        const std::time_t t = EpochOf(AtMinute(now, 0, s));
        if (t <= at) since = t;
    }
    // The first start after it: later today, else the first of tomorrow.
    std::time_t until = EpochOf(AtMinute(now, 1, m.front()));
    for (auto it = m.rbegin(); it != m.rend(); ++it) {
        const std::time_t t = EpochOf(AtMinute(now, 0, *it));
        if (t > at) until = t;
    }
    return RangeOf(since, until);
}

StatsRange Last24HoursRange(const LocalTime& now) {
    const std::time_t at = EpochOf(now);
    return RangeOf(at + 1 - 24 * 3600, at + 1);
}

StatsRange LocalRange(const LocalTime& from, const LocalTime& to) {
    return RangeOf(EpochOf(from), EpochOf(to));
}

std::string UtcText(const LocalTime& local) { return UtcOfEpoch(EpochOf(local)); }

}  // namespace tagwright
