#pragma once
// The station's carrier ID operations: the "next" and "max" fields, the
// composing of the current carrier ID into the set and pages 1 and 2, and the
// list file steps of the programming cycle. The rules are the production
// floor's (core/production/CarrierIdSource.h).
//
// The entry points the GUI calls take the field values when they start and
// show them when they end; the *Step functions are the same work without
// either, for operations that already took the values.

#include <cstdint>
#include <optional>
#include <string>

namespace tagwright {

class Station;

// Spin control of the "next" field: delta > 0 steps down, anything else up,
// wrapping between 0 and the limit. Composes the new ID.
void StepNext(Station& station, int delta);
// The "next" field lost the focus: the typed number, clamped to the limit.
void CommitNext(Station& station);
// The same without taking and showing: a cycle takes what was typed into
// "next" but not yet committed, so that it is never lost. False when the
// move was refused (told).
bool CommitNextStep(Station& station);
// The counter moved by the operator rather than by a programmed carrier:
// recorded in the audit trail first. When that fails the operator is told,
// "next" shows the counter again and false comes back.
bool MoveCounterByHand(Station& station, std::string id);
// The same two for the "max" field; they compose nothing.
void StepMax(Station& station, int delta);
void CommitMax(Station& station);

// Writes the current carrier ID into the carrier ID bytes of the current set
// and rebuilds the page 1 and 2 field texts from the set's byte texts.
void ComposeDataSet(Station& station);

// Before the cycle touches the Reader: the counter value to program, composed
// into the set; nothing (after the message) when the counter is above the
// limit or "max".
std::optional<std::uint64_t> PrepareCounterDataSet(Station& station);
// After a fully programmed transponder: the value prepared in the same cycle
// plus one. No clamping: the next cycle checks the limit again.
void AdvanceCounter(Station& station, std::uint64_t preparedValue);

// "NextDataSet": takes the first open entry of the list file when it has the
// set's length and composes it; otherwise FailureCount is raised and the
// operator is told.
void NextDataSet(Station& station);
// True when the list was read and holds no open entry at all.
bool NextDataSetStep(Station& station);

// "CurrentDataSetProcessed": marks the carrier ID that the set's bytes hold
// now as done in the list file. When that fails the operator is told, as the
// next cycle would otherwise offer the same carrier ID again.
void CurrentDataSetProcessed(Station& station);
void CurrentDataSetProcessedStep(Station& station);

}  // namespace tagwright
