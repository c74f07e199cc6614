#pragma once
// Where the carrier ID of the next programming cycle comes from: the decimal
// counter behind the "next" and "max" fields, or the carrier ID list file,
// whose entries are taken in order and marked as done. Either way the ID is
// composed into the carrier ID area (bytes 0 to 15, pages 1 and 2) of the
// current set's byte texts. The rules only: the station's operations on them
// are the app floor's (core/app/CarrierIdCommands.h).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/config/ParameterSet.h"

namespace tagwright {

inline constexpr char kMaximumReachedMessage[] = "Maximum Carrier ID reached.";
inline constexpr char kWrongListFormatMessage[] =
    "Next Carrier ID has the wrong format. Check the used csv file.";

// --- the carrier ID area ---

// The bytes [first, end) of the carrier ID area that offset and length
// cover. A set file or a field can hold any numbers; only what lies inside
// the area is ever addressed, so first <= end always and both lie in 0..16.
struct CarrierIdSpan {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    int first = 0;
    int end = 0;
};
CarrierIdSpan SpanOf(std::int64_t offset, std::int64_t length);
// The span the set's carrier ID offset and length texts give.
CarrierIdSpan SpanOf(const ParameterSet& set);

// Page p as its field shows it: the set's eight byte texts in the format,
// joined by single blanks.
std::string SetPageText(const ParameterSet& set, int page, PageFormat format);

// Only the byte texts: the ID, padded with "0" in front to the set's length,
// goes to bytes offset .. offset + length - 1. Bytes outside the carrier ID
// area are never touched, whatever offset and length a set file holds.
void ComposeCarrierId(ParameterSet& set, std::string_view carrierId);
// The carrier ID the set's bytes hold now, one character per byte of the span.
std::string ComposedCarrierId(const ParameterSet& set);

// --- the decimal counter ---

// 10^length - 1; 0 for a length of 0 or less. Lengths beyond what 64 bits
// hold give the largest value rather than a wrapped one.
std::uint64_t CounterLimit(int length);
// The same for the set's carrier ID length.
std::uint64_t CounterLimit(const ParameterSet& set);

// One step of a spin control on a decimal text: delta > 0 steps down,
// anything else up, wrapping between 0 and limit.
std::string StepCounterText(std::string_view text, std::uint64_t limit, int delta);
// The typed number, clamped to the limit.
std::string ClampCounterText(std::string_view text, std::uint64_t limit);

// The highest counter value a cycle may program: the set's limit or the
// "max" text, whichever is lower.
std::uint64_t CounterCeiling(const ParameterSet& set, std::string_view max);
// The counter value a cycle may program: the current carrier ID, unless it is
// above the set's limit or the "max" text.
std::optional<std::uint64_t> CounterValueToProgram(std::string_view current,
                                                   const ParameterSet& set,
                                                   std::string_view max);

// --- the carrier ID list file ---
//
// First line: a header holding "Carrier ID;" and "done;". Every further line
// is an entry: the carrier ID up to the first ";", then the done mark up to
// the second ";" ("X" = done), then fields that are kept as they are. Empty
// lines are skipped.

// Every lone LF and every lone CR becomes CR LF; CR LF pairs stay.
std::string NormaliseLineEnds(std::string_view raw);
// The carrier ID of the first entry not yet done in a normalised text, or ""
// (no header, or no open entry).
std::string FirstOpenEntry(std::string_view text);
// The same with the entry's line number (1 is the header; 0 for none).
struct ListEntry {
    std::string id;
    int line = 0;
};
ListEntry FirstOpenListEntry(std::string_view text);
// A carrier ID holds printable ASCII only, without the blank and without
// < > & " ', which host messages and the record file would misread.
bool IsCarrierIdCharacter(char c);
// Why the entry cannot be programmed, naming its line; "" when it can.
std::string RefusedListEntryMessage(const ListEntry& entry);
// The entries of a normalised text not yet done (0 without a header).
std::size_t CountOpenEntries(std::string_view text);
// Marks the first entry not yet done whose carrier ID field is exactly id,
// within the lines FirstOpenEntry scans, by inserting "X;" after its first
// ";". False (text unchanged) when there is none.
bool MarkEntryInText(std::string& text, std::string_view id);

// The first open entry of the list file, or "" (also for a file that cannot
// be read, or an entry with a refused character; then *error says why).
std::string ReadFirstOpenEntry(const std::filesystem::path& list,
                               std::string* error = nullptr);
// How many entries of the list file are not yet done, within the lines a
// cycle scans; nothing for a file that cannot be read.
std::optional<std::size_t> ReadOpenEntryCount(const std::filesystem::path& list);
// An entry is used only when it has the set's carrier ID length.
bool EntryFitsSet(std::string_view id, const ParameterSet& set);

// Takes the first open entry for a cycle: when it fits the set it is marked
// as done at once, under an exclusive lock on the list file, so that two
// stations sharing the file never take the same entry. An entry whose cycle
// then fails is not offered again (a gap, never a carrier ID used twice).
// "" when nothing was taken; *error says why when there is a reason beyond
// "no fitting entry". *usedUp: the list was read and holds no open entry.
std::string TakeFirstOpenEntry(const std::filesystem::path& list, const ParameterSet& set,
                               std::string* error = nullptr, bool* usedUp = nullptr);

enum class CsvMarkResult { Marked, NotFound, Unreadable, WriteFailed };

// Marks the entry of id as done in the list file, under the same lock, which
// is replaced as a whole (a file without that entry is left alone). An entry
// of id that is done already counts as marked. *error says why a write
// failed.
CsvMarkResult MarkEntryInFile(const std::filesystem::path& list, std::string_view id,
                              std::string* error = nullptr);
// What the operator is told when the carrier ID id was programmed but could
// not be marked in the list file listName.
std::string MarkFailureMessage(CsvMarkResult result, std::string_view id,
                               std::string_view listName, std::string_view error);

}  // namespace tagwright
