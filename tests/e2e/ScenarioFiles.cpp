#include "e2e/ScenarioFiles.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "../support/StationFiles.h"
#include "core/base/IniFile.h"

namespace tagwright::test {

namespace fs = std::filesystem;

fs::path ScenarioDir::Path(const std::string& name) const {
    return name.empty() ? dir_.Path() : dir_ / name;
}

void ScenarioDir::Write(const std::string& name, const std::string& bytes) const {
    dir_.Write(name, bytes);
}

std::string ScenarioDir::Read(const std::string& name) const { return dir_.Read(name); }

std::string ScenarioDir::Ini(const std::string& file, const std::string& section,
                             const std::string& key) const {
    return IniFile::Load(Path(file).string()).Get(section, key);
}

Texts ScenarioDir::Journal(const std::string& sql) const {
    Texts rows;
    sqlite3* db = nullptr;
    const auto row = [](void* to, int n, char** values, char**) {
        std::string line;
        for (int i = 0; i < n; ++i) {
            line += (i > 0 ? "|" : "") + std::string(values[i] != nullptr ? values[i] : "");
        }
        static_cast<Texts*>(to)->push_back(line);
        return 0;
    };
    const std::string path = Path("Tagwright-journal.sqlite").string();
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_busy_timeout(db, 10000) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), row, &rows, nullptr) != SQLITE_OK) {
        rows = {"error: " + std::string(sqlite3_errmsg(db))};
    }
    sqlite3_close(db);
    return rows;
}

std::string ScenarioDir::Local(std::string text) const {
    const std::string dir = Path().string();
    for (auto at = text.find(dir); at != std::string::npos; at = text.find(dir, at)) {
        text.replace(at, dir.size(), "$DIR");
    }
    return text;
}

std::string ScenarioDir::ListFile(const std::string& entries) const {
    Write("ids.csv", "Carrier ID;done;\r\n" + entries);
    return ListSource(Path("ids.csv"));
}

std::string ListSource(const fs::path& file) {
    return "csv file=1\r\nfile name=" + file.string() + "\r\n";
}

sim::Options Laid(int count, char prefix, std::size_t stay, std::size_t gap) {
    sim::Options o;
    for (int n = 1; n <= count; ++n) {
        const std::string number = std::to_string(n);
        sim::Transponder tag;
        tag.uid = prefix + std::string(7 - number.size(), '0') + number;
        o.sequence.tags.push_back(tag);
    }
    o.sequence.stayCommands = stay;
    o.sequence.gapCommands = gap;
    return o;
}

std::string LineSet(const ScenarioDir& dir, const std::string& source, const std::string& type,
                    const std::string& extra) {
    return SetIni(source,
                  "[Transponder type]\r\n" + type + "=1\r\n[Work order Setup]\r\n"
                  "Work order number=WO-1\r\nQuantity=10\r\n[Log]\r\nLog=1\r\nfile name=" +
                      dir.Path("record.xml").string() + "\r\n",
                  2, {{1, "Lock Page 1=1"}, {2, "Lock Page 2=1"}}, {}, "46") +
           extra;
}

std::string LaidOut(const ScenarioDir& dir, const std::string& offset, const std::string& length) {
    return Replaced(LineSet(dir, kCounter), "Carrier ID Offset=0\r\nCarrier ID Length=4",
                    "Carrier ID Offset=" + offset + "\r\nCarrier ID Length=" + length);
}

std::string AllPages(const ScenarioDir& dir, const std::map<int, std::string>& hex) {
    return SetIni(kCounter,
                  "[Transponder type]\r\nNorvik=1\r\n[Log]\r\nLog=1\r\nfile name=" +
                      dir.Path("record.xml").string() + "\r\n[Pages 3-17]\r\nWrite Pages 3-17=1\r\n",
                  17, {}, hex, "46");
}

std::string Masked(std::string text) {
    static const std::regex date(R"(\b\d\d/\d\d/\d\d\b)"), time(R"(\b\d\d:\d\d:\d\d\b)"),
        iso(R"(\b\d\d\d\d-\d\d-\d\d\b)");
    text = std::regex_replace(text, date, "DD/MM/YY");
    text = std::regex_replace(text, iso, "YYYY-MM-DD");
    return std::regex_replace(text, time, "HH:MM:SS");
}

std::string PageHex(const sim::Transponder& tag, int page) {
    std::string hex;
    for (std::uint8_t b : tag.pages.at(static_cast<std::size_t>(page - 1))) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        hex += digits;
    }
    return hex;
}

std::string RecordRows(const std::string& record) {
    const auto first = record.find("   <Row>");
    return first == std::string::npos ? std::string() : record.substr(first);
}

std::string Joined(const Texts& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

namespace {

Texts Lines(const std::string& text) {
    Texts lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The first line where a and b part, both shown with their line number.
std::string FirstDifference(const std::string& a, const std::string& b) {
    const Texts x = Lines(a), y = Lines(b);
    std::size_t n = 0;
    while (n < x.size() && n < y.size() && x[n] == y[n]) ++n;
    const auto at = [&](const Texts& t) { return n < t.size() ? t[n] : std::string("<end>"); };
    return "line " + std::to_string(n + 1) + "\n  expected: " + at(y) + "\n  actual:   " + at(x) +
           (x.size() == y.size() && n == x.size() ? "\n  (line ends differ)" : "");
}

}  // namespace

bool MatchesGolden(const std::string& name, const std::string& actual) {
    const fs::path path = fs::path(TW_GOLDEN_DIR) / name;
    const std::string expected = ReadBytes(path);
    if (actual == expected && fs::exists(path)) return true;
    const char* update = std::getenv("TW_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(path, std::ios::binary) << actual;
        std::fprintf(stderr, "golden %s rewritten\n", name.c_str());
        return true;
    }
    std::fprintf(stderr, "golden %s differs at %s\n", name.c_str(),
                 FirstDifference(actual, expected).c_str());
    return false;
}

bool SameLines(const Texts& actual, const Texts& expected) {
    if (actual == expected) return true;
    std::fprintf(stderr, "expected:\n%sactual:\n%s", Joined(expected).c_str(),
                 Joined(actual).c_str());
    return false;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace tagwright::test
