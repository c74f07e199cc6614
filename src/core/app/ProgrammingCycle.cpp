#include "core/app/ProgrammingCycle.h"

#include <cstdint>
#include <string>
#include <utility>

#include "core/base/DataPaths.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/RecordFile.h"
#include "core/app/ManualOperations.h"
#include "core/app/ProtocolLog.h"

namespace tagwright {

namespace {

// The record row of the transponder the station holds now.
bool AppendRecord(Station& station) {
    RecordTarget target{station.currentSet.logFileName,
                        StationRecordDirectory(station.setDirectory), station.headerBlockPending};
    const RecordInput input{station.settings.currentSetName, station.currentSet, station.image,
                            station.uidText, station.WallClock().Now()};
    const bool written = AppendRecord(target, input);
    station.currentSet.logFileName = target.logFileName;
    station.headerBlockPending = target.headerBlockPending;
    return written;
}


// With the port closed the Reader operations send nothing and report no
// failure, so the cycle would count a transponder that was never
// programmed: advance the counter, mark the entry, write a record row.
bool ReaderReachable(Station& station) {
    if (!station.port.portOpen) {
        station.Tell(
            "The Reader port is not open, so nothing was programmed.\r\n"
            "Open the port with Interface > Settings, then press One again.");
        return false;
    }
    if (station.port.PortLost()) {
        station.Tell(
            "The Reader port is no longer available (was its adapter unplugged?), so nothing "
            "was programmed.\r\nOpen the port again with Interface > Settings, then press One "
            "again.");
        return false;
    }
    return true;
}

// The cycle up to the focus request, returning early at every stop; the
// caller shows the fields and repaints in every case.
void CycleSteps(Station& station) {
    MainView& view = station.View();
    const ParameterSet& set = station.currentSet;
    station.recordFileFailed = false;
    if (!ReaderReachable(station)) return;

    std::uint64_t counterValue = 0;
    if (set.useCsvFile) {
        NextDataSet(station);
        if (station.FailureCount != 0) {
            station.Tell(kMaximumReachedMessage);
            return;
        }
    } else if (set.useDecimalCounter) {
        if (!PrepareCounterDataSet(station, counterValue)) return;
    }
    // Fix data: pages 1 and 2 keep the texts the set gave them.

    if (set.typeNorvik) ReadUid(station);
    if (station.FailureCount != 0) {
        station.Tell(kUidFailedMessage);
        view.TakeFieldValues();
        return;
    }

    WritePages(station);
    if (station.FailureCount != 0) {
        // The text speaks of locking, but it follows a failed write; the
        // lock step is not run. Operators know the text as it stands.
        station.Tell(kWriteFailedMessage);
        view.TakeFieldValues();
        return;
    }

    LockPages(station);
    view.TakeFieldValues();
    if (station.FailureCount != 0) return;

    // The transponder is programmed.
    if (set.useCsvFile) {
        CurrentDataSetProcessed(station);
    } else if (set.useDecimalCounter) {
        AdvanceCounter(station, counterValue);
    }
    if (set.logEnabled && !AppendRecord(station)) {
        SetRunControls(station, true);
        view.ShowFieldValues();
        station.recordFileFailed = true;
    }

    for (int page = 1; page <= kPageCount; ++page) {
        const auto p = static_cast<std::size_t>(page - 1);
        if (set.editPage[p]) {
            station.focusRequest[p] = true;
            break;
        }
    }
}

}  // namespace

void OneCommand(Station& station) {
    station.View().StartTimer(TimerId::Cycle, kCycleTimerMs);
    station.oneRequested = true;
    station.FailureCount = 0;
}

void ContOnCommand(Station& station) {
    MainView& view = station.View();
    if (station.continuousMode) {
        station.continuousMode = false;
        view.StopTimer(TimerId::Continuous);
        station.contOnLabel = "Cont On";
        SetRunControls(station, true);
    } else {
        station.continuousMode = true;
        SetRunControls(station, false);
        station.contOnLabel = "Cont Off";
        station.Control(MainControl::ContOn).enabled = true;
        station.headerBlockPending = true;
        view.StartTimer(TimerId::Continuous, kContinuousTimerMs);
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
            break;
        case TimerId::Idle:
        case TimerId::Continuous:
            // Continuous mode only holds the run controls back; there is no
            // automatic trigger to serve.
            break;
    }
}

void CycleTick(Station& station) {
    if (!station.oneRequested) return;
    station.oneRequested = false;
    RunCycle(station);
    if (station.recordFileFailed) {
        // A message still waiting for its tick is kept, not replaced.
        std::string text = kRecordFileMessage;
        if (station.pendingMessage && !station.pendingMessage->empty() &&
            *station.pendingMessage != text) {
            text = *station.pendingMessage + "\r\n\r\n" + text;
        }
        station.pendingMessage = std::move(text);
    }
    WriteProtocolLine(station, "One");
    station.SetFocus(MainControl::One);
}

void MessagesTick(Station& station) {
    if (station.pendingMessage) {
        std::string text = std::move(*station.pendingMessage);
        station.pendingMessage.reset();
        station.Tell(std::move(text));
    }
    for (int page = 1; page <= kPageCount; ++page) {
        bool& requested = station.focusRequest[static_cast<std::size_t>(page - 1)];
        if (!requested) continue;
        requested = false;
        station.SetFocus(PageField(page), true);
    }
    if (station.image.pageCommitted) {
        station.image.pageCommitted = false;
        if (station.AutomaticMode()) station.SetFocus(MainControl::One);
    }
}

void RunCycle(Station& station) {
    CycleSteps(station);
    station.View().ShowFieldValues();
    station.View().RepaintWindow();
}

void SetRunControls(Station& station, bool enabled) {
    for (MainControl c : {MainControl::TerminalCommand, MainControl::Send, MainControl::NextField,
                          MainControl::NextSpin, MainControl::One}) {
        station.Control(c).enabled = enabled;
    }
    station.SetBackground(MainControl::NextField,
                          enabled ? colour::White : colour::DisabledBackground);
    station.Control(MainControl::ContOn).enabled = station.continuousMode;
    station.Control(MainControl::MenuExit).enabled = enabled;
    station.Control(MainControl::MenuInfo).enabled = enabled;
}

}  // namespace tagwright
