#include "core/app/CarrierIdCommands.h"

#include <filesystem>
#include <string>

#include "core/app/ChangeGuard.h"
#include "core/app/Station.h"
#include "core/base/CText.h"
#include "core/production/CarrierIdSource.h"

namespace tagwright {

namespace {

// The current carrier ID becomes the "next" field's text and is composed.
void SetCurrent(Station& station, std::string id) {
    station.carrierId.current = std::move(id);
    station.carrierId.nextText = station.carrierId.current;
    ComposeDataSet(station);
}

// The counter fields are disabled in operator mode, so no message: what
// reaches here anyway (a field left as the station locked) is shown back
// as the counter stands.
bool CounterLocked(Station& station) {
    if (EngineerMode(station)) return false;
    station.View().ShowFieldValues();
    return true;
}

}  // namespace

bool MoveCounterByHand(Station& station, std::string id) {
    CarrierIdState& state = station.carrierId;
    if (id != state.current &&
        !ApproveChange(station, kAuditCounterMoved, "from " + state.current + " to " + id)) {
        state.nextText = state.current;
        return false;
    }
    SetCurrent(station, std::move(id));
    return true;
}

void StepNext(Station& station, int delta) {
    if (CounterLocked(station)) return;
    RunCommand(station.View(), [&] {
        if (TellRefusedNumberField(station)) return;
        const std::uint64_t limit = CounterLimit(station.currentSet);
        MoveCounterByHand(station, StepCounterText(station.carrierId.nextText, limit, delta));
    });
}

void CommitNext(Station& station) {
    if (CounterLocked(station)) return;
    RunCommand(station.View(), [&] {
        if (!TellRefusedNumberField(station)) CommitNextStep(station);
    });
}

bool CommitNextStep(Station& station) {
    const std::uint64_t limit = CounterLimit(station.currentSet);
    return MoveCounterByHand(station, ClampCounterText(station.carrierId.nextText, limit));
}

void StepMax(Station& station, int delta) {
    if (CounterLocked(station)) return;
    RunCommand(station.View(), [&] {
        if (TellRefusedNumberField(station)) return;
        std::string& max = station.settings.carrierIdMax;
        max = StepCounterText(max, CounterLimit(station.currentSet), delta);
    });
}

void CommitMax(Station& station) {
    if (CounterLocked(station)) return;
    RunCommand(station.View(), [&] {
        if (TellRefusedNumberField(station)) return;
        std::string& max = station.settings.carrierIdMax;
        max = ClampCounterText(max, CounterLimit(station.currentSet));
    });
}

void ComposeDataSet(Station& station) {
    ComposeCarrierId(station.currentSet, station.carrierId.current);
    for (int page = 1; page <= 2; ++page) {
        station.image.FieldText(page) = SetPageText(station.currentSet, page, station.image.format);
    }
}

std::optional<std::uint64_t> PrepareCounterDataSet(Station& station) {
    const std::optional<std::uint64_t> value = CounterValueToProgram(
        station.carrierId.current, station.currentSet, station.settings.carrierIdMax);
    if (!value) {
        station.window.Tell(kMaximumReachedMessage);
        return std::nullopt;
    }
    ComposeDataSet(station);
    return value;
}

void AdvanceCounter(Station& station, std::uint64_t preparedValue) {
    station.carrierId.current = FormatU64(preparedValue + 1);
    station.carrierId.nextText = station.carrierId.current;
}

void NextDataSet(Station& station) {
    RunCommand(station.View(), [&] { NextDataSetStep(station); });
}

bool NextDataSetStep(Station& station) {
    std::string error;
    bool usedUp = false;
    const std::string id =
        TakeFirstOpenEntry(std::filesystem::path(station.currentSet.csvFileName),
                           station.currentSet, &error, &usedUp);
    station.FailureCount = 0;
    if (EntryFitsSet(id, station.currentSet)) {
        SetCurrent(station, id);
    } else {
        ++station.FailureCount;
        // The reason, when there is one, so the operator knows what to mend.
        station.window.Tell(error.empty() ? std::string(kWrongListFormatMessage)
                                          : std::string(kWrongListFormatMessage) + "\r\n" + error);
    }
    return usedUp;
}

void CurrentDataSetProcessed(Station& station) {
    RunCommand(station.View(), [&] { CurrentDataSetProcessedStep(station); });
}

void CurrentDataSetProcessedStep(Station& station) {
    // Rebuilt from the bytes that went to the transponder, not from the
    // current carrier ID.
    const ParameterSet& set = station.currentSet;
    const std::string id = ComposedCarrierId(set);
    std::string error;
    const CsvMarkResult result =
        MarkEntryInFile(std::filesystem::path(set.csvFileName), id, &error);
    if (result == CsvMarkResult::Marked) return;
    station.window.Tell(MarkFailureMessage(result, id, set.csvFileName, error));
}

}  // namespace tagwright
