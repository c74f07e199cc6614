#include "core/app/ProgrammingCycle.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/base/DataPaths.h"
#include "core/app/CarrierIdCommands.h"
#include "core/app/ContinuousMode.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/RecordFile.h"
#include "core/app/ManualOperations.h"
#include "core/app/ProtocolLog.h"
#include "core/app/CycleJournal.h"
#include "core/app/LineEvents.h"
#include "core/app/StatusLine.h"

namespace tagwright {

namespace {

// The first failure decides how the cycle ended.
void Decide(Station& station, CycleResult result) {
    CycleResult& decided = station.run.lastCycle.result;
    if (decided == CycleResult::None) decided = result;
}

// The record row of the transponder the station holds now.
bool AppendRecord(Station& station) {
    RecordTarget target{station.currentSet.logFileName,
                        StationRecordDirectory(station.setDirectory), station.run.headerBlockPending};
    const RecordInput input{station.settings.currentSetName, station.currentSet, station.image,
                            station.uidText, station.WallClock().Now()};
    const bool written = AppendRecord(target, input);
    station.currentSet.logFileName = target.logFileName;
    station.run.headerBlockPending = target.headerBlockPending;
    return written;
}


// With the port closed the Reader operations send nothing and report no
// failure, so the cycle would count a transponder that was never
// programmed: advance the counter, mark the entry, write a record row.
bool ReaderReachable(Station& station) {
    if (!station.reader.port.portOpen) {
        station.window.Tell(
            "The Reader port is not open, so nothing was programmed.\r\n"
            "Open the port with Interface > Settings, then press One again.");
        return false;
    }
    if (station.reader.port.PortLost()) {
        station.window.Tell(
            "The Reader port is no longer available (was its adapter unplugged?), so nothing "
            "was programmed.\r\nOpen the port again with Interface > Settings, then press One "
            "again.");
        return false;
    }
    return true;
}

// After the lock step: the counter or list moves on, the record row, the
// journal row closed as programmed, the counter into the set file.
void FinishCycle(Station& station, Journal& journal, JournalCycleId cycle, CycleDetails& details,
                 std::optional<std::uint64_t> counterValue) {
    const ParameterSet& set = station.currentSet;
    station.run.lastCycle.reached = CycleStage::Programmed;
    if (set.useCsvFile) {
        CurrentDataSetProcessedStep(station);
    } else if (counterValue) {
        AdvanceCounter(station, *counterValue);
    }
    if (set.logEnabled) {
        if (AppendRecord(station)) {
            details.recordFile = set.logFileName;
            details.recordRow = ReadRowCount(std::filesystem::path(set.logFileName));
        } else {
            SetRunControls(station.window, station.run, true);
            station.run.recordFileFailed = true;
            Decide(station, CycleResult::RecordFileError);
        }
    }
    const JournalResult confirmed = journal.Confirm(cycle, details);
    if (!confirmed.ok) {
        Decide(station, CycleResult::JournalError);
        station.journal.journal.reset();
        station.window.Tell(confirmed.message +
                            "\r\nThe transponder is programmed, but the journal does not show "
                            "it as programmed. The run is stopped.");
    }
    if (counterValue && !WriteCounterKey(station)) Decide(station, CycleResult::CounterNotSaved);
    Decide(station, CycleResult::Programmed);
    station.run.RequestFocusOnFirstEditablePage(set);
}

// The step a failed write or lock names in the journal: a failed read-back
// or lock proof says so rather than "write" or "lock".
void NameFailedStep(const Station& station, const char* step, CycleDetails& details) {
    const WriteCheckState& checks = station.writeChecks;
    details.retries = static_cast<int>(station.reader.link.RetriesUsed());
    if (checks.failedStep.empty()) {
        details.failedStep = step;
        return;
    }
    details.failedStep = checks.failedStep;
    details.readerReply = checks.readerReply;
}

// A failed write or lock step: refused by the Reader, or taken and then
// found wrong by the read-back or lock proof.
CycleResult WriteFailure(const Station& station) {
    return station.writeChecks.failedStep.empty() ? CycleResult::WriteRefused
                                                  : CycleResult::VerifyFailed;
}

// Why ReserveCarrierId stopped: the journal dropped, the counter unsaved,
// or no further ID to skip to.
CycleResult ReserveFailure(const Station& station) {
    if (!station.journal.journal) return CycleResult::JournalError;
    if (station.journal.counterKeyPending) return CycleResult::CounterNotSaved;
    return CycleResult::NoCarrierId;
}

// The carrier ID the cycle starts from; false (told) when there is none.
bool PrepareCarrierId(Station& station, std::optional<std::uint64_t>& counterValue) {
    const ParameterSet& set = station.currentSet;
    if (set.useCsvFile) {
        station.run.lastCycle.fromList = true;
        station.run.lastCycle.listUsedUp = NextDataSetStep(station);
        if (station.FailureCount != 0) {
            Decide(station, CycleResult::NoCarrierId);
            station.window.Tell(kMaximumReachedMessage);
            return false;
        }
    } else if (set.useDecimalCounter) {
        // A number typed into "next" and not yet committed is this cycle's,
        // with the checks of leaving the field.
        if (station.carrierId.nextText != station.carrierId.current && !CommitNextStep(station)) {
            Decide(station, CycleResult::JournalError);
            return false;
        }
        if (!CounterKeySettled(station)) {
            Decide(station, CycleResult::CounterNotSaved);
            return false;
        }
        counterValue = PrepareCounterDataSet(station);
        if (!counterValue) {
            Decide(station, CycleResult::NoCarrierId);
            return false;
        }
    }
    // Fix data: pages 1 and 2 keep the texts the set gave them.
    return true;
}

// The cycle up to the focus request, returning early at every stop; the
// caller shows the fields and repaints in every case. The journal adds no
// Reader command: its rows are written between the Reader's steps.
void CycleSteps(Station& station) {
    const ParameterSet& set = station.currentSet;
    station.run.recordFileFailed = false;
    station.reader.link.ResetRetriesUsed();  // the journal row counts this cycle's repeats
    // So would a number field that lost a character: refused before any traffic.
    if (TellRefusedNumberField(station)) {
        station.run.lastCycle.fieldRefused = true;
        return Decide(station, CycleResult::SetRefused);
    }
    // A hand-edited layout would program cut-off IDs: refused before any traffic.
    if (const std::string refusal = CarrierIdLayoutRefusal(set); !refusal.empty()) {
        station.window.Tell(refusal);
        return Decide(station, CycleResult::SetRefused);
    }
    if (!ReaderReachable(station)) return Decide(station, CycleResult::PortNotOpen);
    Journal* journal = CycleJournal(station);
    if (journal == nullptr) return Decide(station, CycleResult::JournalError);

    std::optional<std::uint64_t> counterValue;
    if (!PrepareCarrierId(station, counterValue)) return;

    CycleDetails details;
    if (set.typeNorvik) {
        ReadUidStep(station);
        if (station.FailureCount != 0) {
            Decide(station, CycleResult::NoTransponder);
            station.window.Tell(kUidFailedMessage);
            RecordUidFailure(station, *journal);
            return;
        }
        details.uid = station.uidText;
        station.run.lastCycle.uid = station.uidText;
        if (!UidMayBeProgrammed(station, *journal)) return Decide(station, CycleResult::Declined);
    }

    if (station.run.stopRequested != nullptr && station.run.stopRequested->load()) {
        return Decide(station, CycleResult::Interrupted);
    }
    const std::optional<JournalCycleId> cycle = ReserveCarrierId(station, *journal, counterValue);
    if (!cycle) return Decide(station, ReserveFailure(station));
    station.run.lastCycle.carrierId = ComposedCarrierId(set);

    station.run.lastCycle.reached = CycleStage::Writing;
    WritePagesStep(station, &details);
    if (station.FailureCount != 0) {
        Decide(station, WriteFailure(station));
        NameFailedStep(station, "write", details);
        // The text speaks of locking, but it follows a failed write; the
        // lock step is not run. Operators know the text as it stands.
        station.window.Tell(kWriteFailedMessage);
        BurnCarrierId(station, *journal, *cycle, details, counterValue);
        return;
    }

    station.run.lastCycle.reached = CycleStage::Locking;
    LockPagesStep(station, &details);
    if (station.FailureCount != 0) {
        Decide(station, WriteFailure(station));
        NameFailedStep(station, "lock", details);
        BurnCarrierId(station, *journal, *cycle, details, counterValue);
        return;
    }
    details.retries = static_cast<int>(station.reader.link.RetriesUsed());
    FinishCycle(station, *journal, *cycle, details, counterValue);
}

}  // namespace

void OneCommand(Station& station) {
    station.View().StartTimer(TimerId::Cycle, kCyclePeriodMs);
    station.run.oneRequested = true;
    station.FailureCount = 0;
    // Until its cycle has run: a second press must not queue a second cycle
    // for the same transponder.
    station.window.SetEnabled(MainControl::One, false);
    station.View().RedrawControl(MainControl::One);
}

void ContOnCommand(Station& station) {
    MainView& view = station.View();
    if (station.run.continuousMode) {
        station.run.continuousMode = false;
        view.StopTimer(TimerId::Continuous);
        station.run.contOnLabel = "Cont On";
        SetRunControls(station.window, station.run, true);
    } else {
        station.run.continuousMode = true;
        station.run.continuousSince = station.WallClock().Now();
        station.run.continuousStop = CycleResult::None;
        SetRunControls(station.window, station.run, false);
        station.run.contOnLabel = "Cont Off";
        station.window.SetEnabled(MainControl::ContOn, true);
        station.run.headerBlockPending = true;
        view.StartTimer(TimerId::Continuous, kContinuousPeriodMs);
    }
    view.ShowFieldValues();
}

void OnTimer(Station& station, TimerId timer) {
    switch (timer) {
        case TimerId::Cycle:
            CycleTick(station);
            break;
        case TimerId::Messages:
            MessagesTick(station);
            RolesTick(station);
            break;
        case TimerId::Continuous:
            ContinuousTick(station);
            break;
        case TimerId::Idle:
            break;
    }
}

void CycleTick(Station& station) {
    if (!station.run.oneRequested) return;
    station.run.oneRequested = false;
    RunCycle(station);
    station.window.SetEnabled(MainControl::One, !station.run.continuousMode);
    station.View().RedrawControl(MainControl::One);
    if (station.run.recordFileFailed) {
        // A message still waiting for its tick is kept, not replaced.
        station.run.LeaveMessage(kRecordFileMessage);
    }
    WriteProtocolLine(station.protocolLog, station.run, station.WallClock(), "One");
    station.window.SetFocus(MainControl::One);
}

void MessagesTick(Station& station) {
    if (station.run.pendingMessage) {
        std::string text = std::move(*station.run.pendingMessage);
        station.run.pendingMessage.reset();
        station.window.Tell(std::move(text));
    }
    for (int page = 1; page <= kPageCount; ++page) {
        bool& requested = station.run.focusRequest[static_cast<std::size_t>(page - 1)];
        if (!requested) continue;
        requested = false;
        station.window.SetFocus(PageField(page), true);
    }
    LineEventsTick(station);
    if (station.image.pageCommitted) {
        station.image.pageCommitted = false;
        if (station.AutomaticMode()) station.window.SetFocus(MainControl::One);
    }
}

void RunCycle(Station& station) {
    CycleReport& outcome = station.run.lastCycle;
    const std::uint64_t sequence = outcome.sequence + 1;
    outcome = CycleReport{};
    outcome.sequence = sequence;
    const auto start = std::chrono::steady_clock::now();
    MainView& view = station.View();
    station.run.cycleRunning = true;
    ShowRunState(station);
    view.TakeFieldValues();
    CycleSteps(station);
    // A journal lost on the way (a burn or failure row not written) stops the
    // run whatever else went wrong; a cycle refused before it opened the
    // journal never had one.
    const bool beforeJournal = outcome.result == CycleResult::PortNotOpen ||
                               outcome.result == CycleResult::SetRefused;
    if (!beforeJournal && !station.journal.journal) {
        outcome.result = CycleResult::JournalError;
    }
    outcome.retries = static_cast<int>(station.reader.link.RetriesUsed());
    outcome.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    JudgeLastCycle(station);
    station.run.cycleRunning = false;
    view.ShowFieldValues();
    view.RepaintWindow();
}

void SetRunControls(WindowControls& window, const AutomaticRun& run, bool enabled) {
    for (MainControl c : {MainControl::TerminalCommand, MainControl::Send, MainControl::NextField,
                          MainControl::NextSpin, MainControl::One}) {
        window.SetEnabled(c, enabled);
    }
    window.SetBackground(MainControl::NextField, window.Control(MainControl::NextField).enabled
                                                     ? colour::White
                                                     : colour::DisabledBackground);
    window.SetEnabled(MainControl::ContOn, enabled || run.continuousMode);
    window.SetEnabled(MainControl::MenuExit, enabled);
    window.SetEnabled(MainControl::MenuInfo, enabled);
    // The Config dialog and the mode buttons would load another set, or
    // leave automatic mode, under a running line (and enable "  One").
    for (MainControl c :
         {MainControl::MenuConfig, MainControl::ConfigButton, MainControl::ManualButton}) {
        window.SetEnabled(c, !run.continuousMode);
    }
}

}  // namespace tagwright
