#include "core/production/RecordNames.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <string_view>

#include "core/base/CText.h"

namespace tagwright {

namespace fs = std::filesystem;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsValidTime(const LocalTime& t) {
    return t.year >= 0 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= 31 && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 60;
}

}  // namespace

std::string NextRecordFileName(const std::string& path) {
    fs::path p(path);
    const std::string name = p.filename().string();
    const std::size_t underscore = name.rfind('_');
    const std::size_t dot = name.rfind('.');
    std::string next;
    bool numbered = underscore != std::string::npos && dot != std::string::npos && dot > underscore;
    for (std::size_t i = underscore + 1; numbered && i < dot; ++i) numbered = IsDigit(name[i]);
    if (numbered) {
        const std::string_view digits =
            std::string_view(name).substr(underscore + 1, dot - underscore - 1);
        std::uint64_t number = ParseU64(digits);
        if (number != std::numeric_limits<std::uint64_t>::max()) ++number;
        next = name.substr(0, underscore + 1) + FormatU64(number) + ".xml";
    } else {
        next = name.substr(0, dot) + "_1.xml";
    }
    return p.replace_filename(next).string();
}

std::string TimestampedName(const std::string& path, const LocalTime& now) {
    std::string stamp = "JJMMDDHHMMSS";
    if (IsValidTime(now)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%02d%02d%02d%02d%02d%02d", now.year % 100, now.month,
                      now.day, now.hour, now.minute, now.second);
        stamp = buffer;
    }
    fs::path p(path);
    std::string name = p.filename().string();
    const std::size_t xml = name.find(".xml");
    if (xml == std::string::npos) {
        name += "_" + stamp;
    } else {
        name.insert(xml, "_" + stamp);
    }
    return p.replace_filename(name).string();
}

}  // namespace tagwright
