#pragma once
// The programming cycle: one press of "  One" programs the transponder on the
// antenna with the current set. The command only requests the cycle; the
// next tick of the cycle timer runs it, and the message timer's tick shows
// what the cycle left behind and moves the focus on. Window thread only.

#include "core/app/Station.h"

namespace tagwright {

inline constexpr char kUidFailedMessage[] =
    "UID can't be read. No or defect transponder on Antenna or wrong transponder type chosen.";
inline constexpr char kWriteFailedMessage[] = "Error on locking the pages of the transponder.";
inline constexpr char kRecordFileMessage[] =
    "Protokolldatei kann nicht erstellt werden.\r\nExistiert der Protokoll Pfad?\r\n"
    "Schreibrechte auf dem Protokollpfad?";

// "  One": restarts the cycle timer and requests a cycle; the button stays
// disabled until the cycle has run.
void OneCommand(Station& station);
// "  Cont On" / "Cont Off": toggles continuous mode.
void ContOnCommand(Station& station);

// Every tick of the main window's timers.
void OnTimer(Station& station, TimerId timer);
// The cycle timer: runs a requested cycle, then the protocol line.
void CycleTick(Station& station);
// The message timer: a pending message, then the focus requests.
void MessagesTick(Station& station);

// One programming cycle, from the carrier ID to the record row.
void RunCycle(Station& station);

// Enables or disables the controls around a run; "  Cont On" follows the
// mode instead.
void SetRunControls(WindowControls& window, const AutomaticRun& run, bool enabled);

}  // namespace tagwright
