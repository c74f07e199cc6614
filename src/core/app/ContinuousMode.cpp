#include "core/app/ContinuousMode.h"

#include <filesystem>
#include <optional>

#include "core/app/ProgrammingCycle.h"
#include "core/app/Station.h"
#include "core/production/CarrierIdSource.h"

namespace tagwright {

namespace {

// The traffic text keeps the last cycle under the looks that follow it, up
// to this many looks; then it starts again with the looks alone.
constexpr int kLooksKept = 20;

// The transponder on the antenna: its UID for type Norvik, an empty text
// for type TI (whose page 1 answers only when it is there); nothing when
// none answers.
std::optional<std::string> Look(Station& station) {
    ReaderSession& reader = station.reader;
    ContinuousWatch& watch = station.continuous;
    if (watch.looksShown >= kLooksKept) {
        reader.traffic.Clear();
        watch.looksShown = 0;
    }
    ++watch.looksShown;
    BusyScope busy(reader.port.readBusy);
    // An empty antenna is the look's usual answer, not a failure to repeat.
    const int retries = reader.link.Retries;
    reader.link.Retries = 0;
    reader.link.DiscardPending();
    const bool norvik = station.currentSet.typeNorvik;
    const JudgedReply reply = norvik ? reader.link.ReadUid() : reader.link.ReadPage(1);
    reader.link.Retries = retries;
    if (!reply.good) return std::nullopt;
    return norvik ? reply.cut : std::string();
}

bool PortUsable(const Station& station) {
    return station.reader.port.portOpen && !station.reader.port.PortLost();
}

// Why the next tag could not get a carrier ID; nullptr when it can.
const char* NoNextCarrierId(const Station& station) {
    const ParameterSet& set = station.currentSet;
    if (set.useCsvFile) {
        const std::string id = ReadFirstOpenEntry(std::filesystem::path(set.csvFileName));
        return EntryFitsSet(id, set) ? nullptr : kContinuousListMessage;
    }
    if (set.useDecimalCounter &&
        !CounterValueToProgram(station.carrierId.current, set, station.settings.carrierIdMax)) {
        return kContinuousMaximumMessage;
    }
    return nullptr;
}

// Switches the mode off for a reason a front end can act on.
void StopFor(Station& station, const char* why, CycleResult result) {
    station.run.continuousStop = result;
    StopContinuous(station, why);
}

// What a failed cycle says about itself, for a stop that names none.
CycleResult FailedCycle(const Station& station) {
    const CycleResult r = station.run.lastCycle.result;
    return r == CycleResult::Programmed || r == CycleResult::None ? CycleResult::WriteRefused : r;
}

// One cycle on the tag just laid, with its row, journal entry and protocol
// line as "  One" gives them; then whatever keeps the next one from going on.
void ProgramNewTag(Station& station) {
    station.writeChecks.Reset();
    station.run.recordFileFailed = false;
    station.run.oneRequested = true;
    CycleTick(station);
    station.continuous.looksShown = 0;
    // A journal error drops the journal; the next tag must not go on without it.
    if (!station.journal.journal) {
        return StopFor(station, kContinuousJournalMessage, CycleResult::JournalError);
    }
    if (station.journal.counterKeyPending) {
        return StopFor(station, kContinuousCounterMessage, CycleResult::CounterNotSaved);
    }
    if (!station.writeChecks.locksDone) {
        return StopFor(station, kContinuousFailedMessage, FailedCycle(station));
    }
    if (station.run.recordFileFailed) {
        return StopFor(station, kContinuousRecordMessage, CycleResult::RecordFileError);
    }
    if (!PortUsable(station)) {
        return StopFor(station, kContinuousPortMessage, CycleResult::PortNotOpen);
    }
    if (const char* why = NoNextCarrierId(station)) {
        return StopFor(station, why, CycleResult::NoCarrierId);
    }
    station.continuous.status = kWaitingForRemovalText;
}

}  // namespace

void ContinuousTick(Station& station) {
    ContinuousWatch& watch = station.continuous;
    // A tick that comes while the Reader is awaited (the window keeps its
    // timers running then) must not start a second look or cycle.
    if (!station.run.continuousMode || watch.running) return;
    watch.running = true;
    const std::string statusBefore = watch.status;
    if (!PortUsable(station)) {
        StopFor(station, kContinuousPortMessage, CycleResult::PortNotOpen);
    } else {
        const std::optional<std::string> seen = Look(station);
        const bool isNew = seen && (!watch.tagThere || *seen != watch.uid);
        watch.tagThere = seen.has_value();
        watch.uid = seen.value_or(std::string());
        if (!PortUsable(station)) {
            StopFor(station, kContinuousPortMessage, CycleResult::PortNotOpen);
        } else if (isNew) {
            ProgramNewTag(station);
        } else if (!watch.tagThere) {
            watch.status = kWaitingForTagText;
        }
    }
    watch.running = false;
    // A new status is shown after the operator's typing is taken, so that
    // none is lost; a cycle's own show came before its status was set.
    if (watch.status != statusBefore) RunCommand(station.View(), [] {});
}

void StopContinuous(Station& station, const char* why) {
    if (station.run.continuousMode) ContOnCommand(station);
    station.continuous.status.clear();
    station.window.Tell(why);
}

}  // namespace tagwright
