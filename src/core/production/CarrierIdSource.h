#pragma once
// Where the carrier ID of the next programming cycle comes from: the decimal
// counter behind the "next" and "max" fields, or the carrier ID list file,
// whose entries are taken in order and marked as done. Either way the ID is
// composed into the carrier ID area (bytes 0 to 15, pages 1 and 2) of the
// current set's byte texts and the two page fields. Window thread only; no
// Reader traffic here.

#include <cstdint>
#include <string>
#include <string_view>

namespace tagwright {

class Station;
struct ParameterSet;

inline constexpr char kMaximumReachedMessage[] = "Maximum Carrier ID reached.";
inline constexpr char kWrongListFormatMessage[] =
    "Next Carrier ID has the wrong format. Check the used csv file.";

// --- the decimal counter ---

// 10^length - 1; 0 for a length of 0 or less. Lengths beyond what 64 bits
// hold give the largest value rather than a wrapped one.
std::uint64_t CounterLimit(int length);
// The same for the current set's carrier ID length.
std::uint64_t CounterLimit(const Station& station);

// Spin control of the "next" field: delta > 0 steps down, anything else up,
// wrapping between 0 and the limit. Composes the new ID.
void StepNext(Station& station, int delta);
// The "next" field lost the focus: the typed number, clamped to the limit.
void CommitNext(Station& station);
// The same two for the "max" field; they compose nothing.
void StepMax(Station& station, int delta);
void CommitMax(Station& station);

// Writes currentCarrierId into the carrier ID bytes of the current set and
// rebuilds the page 1 and 2 field texts from the set's byte texts.
void ComposeDataSet(Station& station);
// Only the byte texts: the ID, padded with "0" in front to the set's length,
// goes to bytes offset .. offset + length - 1. Bytes outside the carrier ID
// area are never touched, whatever offset and length a set file holds.
void ComposeCarrierId(ParameterSet& set, std::string_view carrierId);

// Before the cycle touches the Reader. False (after the message) when the
// counter is above the limit or "max"; otherwise composes and hands back the
// value, which AdvanceCounter needs after the transponder is done.
bool PrepareCounterDataSet(Station& station, std::uint64_t& value);
// After a fully programmed transponder: the value prepared in the same cycle
// plus one. No clamping: the next cycle checks the limit again.
void AdvanceCounter(Station& station, std::uint64_t preparedValue);

// --- the carrier ID list file ---
//
// First line: a header holding "Carrier ID;" and "done;". Every further line
// is an entry: the carrier ID up to the first ";", then the done mark up to
// the second ";" ("X" = done), then fields that are kept as they are. The
// scan ends at the first empty line.

// Every lone LF and every lone CR becomes CR LF; CR LF pairs stay.
std::string NormaliseLineEnds(std::string_view raw);
// The carrier ID of the first entry not yet done in a normalised text, or ""
// (no header, an empty line or the end reached first).
std::string FirstOpenEntry(std::string_view text);
// Marks the first entry not yet done whose carrier ID field is exactly id,
// within the lines FirstOpenEntry scans, by inserting "X;" after its first
// ";". False (text unchanged) when there is none.
bool MarkEntryInText(std::string& text, std::string_view id);

// The first open entry of the list file, or "" (also for a file that cannot
// be read).
std::string ReadNextCsvEntry(Station& station);

// "NextDataSet": takes the first open entry when it has the set's length and
// composes it; otherwise FailureCount is raised and the operator is told.
void NextDataSet(Station& station);

enum class CsvMarkResult { Marked, NotFound, Unreadable, WriteFailed };

// Marks the entry of id as done in the list file, which is replaced as a
// whole (a file without that entry is left alone). True when it was marked;
// *result says why not, *error why a write failed.
bool MarkCsvEntryDone(Station& station, std::string_view id, CsvMarkResult* result = nullptr,
                      std::string* error = nullptr);

// "CurrentDataSetProcessed": marks the carrier ID that the transponder image
// holds now. When that fails the operator is told, as the next cycle would
// otherwise offer the same carrier ID again.
void CurrentDataSetProcessed(Station& station);

}  // namespace tagwright
