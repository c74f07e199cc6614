#pragma once
// What both kinds of scenario share: a station directory of their own, the
// files an operator would look at afterwards (record file, list file, set
// file, journal rows), and goldens: expected outputs kept as files in
// tests/e2e/golden and compared byte for byte. TW_UPDATE_GOLDEN=1 rewrites a
// golden that differs instead of failing, for review in the diff.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "reader-sim/ReaderOptions.h"
#include "support/TempDir.h"

namespace tagwright::test {

using Texts = std::vector<std::string>;

class ScenarioDir {
public:
    std::filesystem::path Path(const std::string& name = {}) const;
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;  // "" when missing
    // One value of an INI file in the directory ("" when missing).
    std::string Ini(const std::string& file, const std::string& section,
                    const std::string& key) const;
    // The journal beside the record files: each row of SQL (which may also
    // change rows behind the station's back) as its columns joined by "|"
    // (NULL as ""), or one "error: ..." line.
    Texts Journal(const std::string& sql) const;
    // TEXT with this directory's path written "$DIR", as goldens hold it.
    std::string Local(std::string text) const;
    // The counter the set "Line" holds.
    std::string Counter() const { return Ini("Line.ini", "SEMI E99 Carrier ID Setup", "Carrier ID"); }
    // ids.csv written with its header and ENTRIES; a set's source naming it.
    std::string ListFile(const std::string& entries) const;

private:
    TempDir dir_;
};

// A set's carrier ID sources: the decimal counter, and the list file FILE.
inline const std::string kCounter = "Decimal counter=1\r\n";
std::string ListSource(const std::filesystem::path& file);

// Told when a failed cycle may have burned the carrier ID 0005.
inline const std::string kBurned =
    "The carrier ID 0005 is not used again: the failed cycle may have written it to the "
    "transponder.";

// COUNT tags laid one after another, UIDs PREFIX0000001 and up, each staying
// for STAY Reader commands with GAP empty looks between them. A cycle takes
// fewer than 24 commands, so with STAY 24 a tag leaves only after its cycle.
sim::Options Laid(int count, char prefix, std::size_t stay, std::size_t gap);

// The set "Line" in DIR: SOURCE keys, TYPE, work order WO-1 of 10 tags,
// rows to record.xml, pages 1 and 2 written ("F" beside the carrier ID 5 of
// four digits) and locked; EXTRA sections after.
std::string LineSet(const ScenarioDir& dir, const std::string& source,
                    const std::string& type = "Norvik", const std::string& extra = {});

// The counter set "Line" with its carrier ID at OFFSET, LENGTH bytes long.
std::string LaidOut(const ScenarioDir& dir, const std::string& offset, const std::string& length);

// The counter set "Line" with 17 pages of "F" beside the ID, all written and
// none locked; HEX as the pages' digits.
std::string AllPages(const ScenarioDir& dir, const std::map<int, std::string>& hex = {});

// Date and time stamps (DD/MM/YY, HH:MM:SS, YYYY-MM-DD) replaced by their
// patterns, so that a golden holds no moment.
std::string Masked(std::string text);

// The 16 hexadecimal digits of a page of TAG.
std::string PageHex(const sim::Transponder& tag, int page);

// A record file's rows: its text from the first row on.
std::string RecordRows(const std::string& record);

// Lines joined with "\n" after each.
std::string Joined(const Texts& lines);

// True when actual equals the golden file NAME; otherwise prints the first
// differing line of each side (or rewrites the golden under TW_UPDATE_GOLDEN).
bool MatchesGolden(const std::string& name, const std::string& actual);

// True when actual == expected; otherwise prints both, line by line.
bool SameLines(const Texts& actual, const Texts& expected);

// TEXT with each FROM replaced by TO: a set or settings file edited by hand.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

// Times WHAT stands in TEXT.
std::size_t Occurrences(const std::string& text, const std::string& what);

}  // namespace tagwright::test
