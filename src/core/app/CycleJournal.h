#pragma once
// The production journal around the programming cycle: where it is opened,
// the carrier ID taken in it before the first page is written (skipping IDs
// that were used before), the cycle's row closed as programmed or burned,
// and the counter written to the set file after every transponder, so that
// neither a restart nor a typed-back counter ever offers an ID again.
// Window thread only; each function tells the operator why it stops.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/production/Journal.h"

namespace tagwright {

class Station;

// The directory the record file goes to (also while logging is off): the
// journal lives there.
std::filesystem::path RecordDirectory(const Station& station);

// The journal the station uses, opened (or reopened when the record file's
// directory or the settings' choice changed) as needed, its notice told
// once. Nothing when it cannot be had: station.journal.error says why.
Journal* StationJournal(Station& station);

// The journal for the record file's directory, opened (or reopened when the
// directory changed) as needed; its notice is told once. Nothing, after
// telling the operator why, when it cannot be had.
Journal* CycleJournal(Station& station);


// Who runs the cycle and with what, from the current set.
JournalContext CycleContext(const Station& station);

// The counter's value goes into the current set's file ("Carrier ID"). On
// failure the operator is told and no further cycle runs until it is
// written (each cycle tries again first).
bool WriteCounterKey(Station& station);
// A counter key that could not be written earlier is written now; false
// (told) while it still cannot be.
bool CounterKeySettled(Station& station);

// Takes the carrier ID the cycle is about to write in the journal. IDs the
// journal holds as used are skipped: the counter moves past them, list
// entries are marked done and the next one taken; the operator hears which
// at the next message tick. counterValue follows the counter. Nothing when
// the cycle must stop (told).
std::optional<JournalCycleId> ReserveCarrierId(Station& station, Journal& journal,
                                               std::optional<std::uint64_t>& counterValue);

// With type Norvik: the UID read failed (its row keeps the ID free), or the
// UID was read and may be programmed: true unless the journal holds it as
// programmed and the operator does not say yes.
void RecordUidFailure(Station& station, Journal& journal);
bool UidMayBeProgrammed(Station& station, Journal& journal);

// A Reader failure after the reservation: the row is closed as burned and
// the counter or list moves past the ID, which the carrier may hold.
void BurnCarrierId(Station& station, Journal& journal, JournalCycleId cycle,
                   const CycleDetails& details, std::optional<std::uint64_t> counterValue);

// The manual "write carrier ID" takes its ID in the journal as a cycle does,
// in a row marked manual. Nothing, after telling the operator why, when the
// journal cannot be had or holds the ID as used: the write must not go ahead.
std::optional<JournalCycleId> ReserveManualCarrierId(Station& station, std::string_view id);
// After the write: programmed when both pages took it, else burned (page 1
// may hold it already).
void FinishManualCarrierId(Station& station, JournalCycleId cycle, bool written,
                           const CycleDetails& details);

// "LastCarrierID": "next" becomes the highest carrier ID the journal holds
// for the current set, plus one.
void LastCarrierId(Station& station);

}  // namespace tagwright
