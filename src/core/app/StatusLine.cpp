#include "core/app/StatusLine.h"

#include <cstdlib>
#include <filesystem>

#include "core/app/ProgrammingCycle.h"
#include "core/app/Station.h"
#include "core/base/DataPaths.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/RecordFile.h"

namespace tagwright {

namespace {

bool StartsWith(const std::string& text, std::string_view start) {
    return text.compare(0, start.size(), start) == 0;
}

// The cause, in plain words, of a cycle that told the operator `message`.
std::string CauseOf(const std::string& message, bool listUsedUp) {
    if (message == kMaximumReachedMessage) return "stopped: no carrier ID left (maximum reached)";
    if (message == kWrongListFormatMessage) {
        return listUsedUp ? "stopped: no carrier ID left in the list"
                          : "stopped: the carrier ID list has a bad entry";
    }
    if (message == kUidFailedMessage) return "failed: no transponder on the antenna";
    if (message == kWriteFailedMessage) return "failed: the pages were not written";
    if (StartsWith(message, "The Reader port is not open")) return "not run: the port is closed";
    if (StartsWith(message, "The Reader port is no longer")) return "not run: the port is lost";
    const std::string firstLine = message.substr(0, message.find('\r'));
    return "stopped: " + firstLine;
}

std::string Source(const ParameterSet& set) {
    if (set.useCsvFile) {
        // Read afresh each time: the list is marked by every cycle, and may
        // be edited outside the station as well.
        const auto left = ReadOpenEntryCount(std::filesystem::path(set.csvFileName));
        return left ? "list, " + std::to_string(*left) + " left" : "list, cannot be read";
    }
    if (set.useDecimalCounter) return "counter";
    if (set.useFixData) return "fix data";
    return "no carrier ID source";
}

}  // namespace

CycleOutcome JudgeCycle(const std::string& firstMessage, int failureCount, bool recordFileFailed,
                        bool readsUid, bool listUsedUp) {
    CycleOutcome outcome;
    outcome.ran = true;
    if (firstMessage.empty() && failureCount == 0) {
        outcome.programmed = true;
        outcome.pagesHandled = true;
        outcome.uidRead = readsUid;
        outcome.phrase = recordFileFailed ? "programmed, but the record file was not written"
                                          : "programmed";
        return outcome;
    }
    if (firstMessage.empty()) {
        outcome.pagesHandled = true;
        outcome.uidRead = readsUid;
        outcome.phrase = "failed: the pages were not locked";
        return outcome;
    }
    outcome.pagesHandled = firstMessage == kWriteFailedMessage;
    outcome.uidRead = outcome.pagesHandled && readsUid;
    outcome.phrase = CauseOf(firstMessage, listUsedUp);
    return outcome;
}

bool ListUsedUp(const Station& station) {
    const ParameterSet& set = station.currentSet;
    if (!set.useCsvFile) return false;
    const auto left = ReadOpenEntryCount(std::filesystem::path(set.csvFileName));
    return left && *left == 0;
}

void ProgrammedTally::Count(const std::string& workOrder) {
    ++session_;
    ++perWorkOrder_[workOrder];
}

int ProgrammedTally::InWorkOrder(const std::string& workOrder) const {
    const auto it = perWorkOrder_.find(workOrder);
    return it == perWorkOrder_.end() ? 0 : it->second;
}

StatusLineText DescribeStatus(const Station& station, const std::string& portState,
                              const ProgrammedTally& tally, const CycleOutcome& last) {
    StatusLineText text;
    const std::string& device = station.settings.port.portName;
    text.port = device.empty() ? "Reader: no port chosen" : "Reader " + device + ": " + portState;

    const ParameterSet& set = station.currentSet;
    const std::string& name = station.settings.currentSetName;
    text.set = name.empty() ? "no set" : "Set " + name + " (" + Source(set) + ")";

    text.count = std::to_string(tally.Session()) + " programmed this session";
    if (!set.workOrderNumber.empty()) {
        text.count += ", " + std::to_string(tally.InWorkOrder(set.workOrderNumber));
        if (!set.quantity.empty()) text.count += " of " + set.quantity;
        text.count += " in " + set.workOrderNumber;
    }

    if (last.ran) {
        text.result = "Last: " + last.phrase;
        text.resultColour = last.programmed ? colour::Green : colour::Red;
    }
    if (set.logEnabled) text.recordFile = RecordFilePath(station);
    return text;
}

std::string CycleProgress(std::string_view line) {
    struct Step {
        std::string_view marker;
        const char* doing;
    };
    static constexpr Step kSteps[] = {{"// Write page ", "writing page "},
                                      {"// Lock page ", "locking page "},
                                      {"// Read page ", "reading page "}};
    for (const Step& step : kSteps) {
        const std::size_t at = line.find(step.marker);
        if (at == std::string_view::npos) continue;
        const int page = std::atoi(std::string(line.substr(at + step.marker.size())).c_str());
        if (page < 1 || page > kPageCount) return {};
        return step.doing + std::to_string(page) + " of " + std::to_string(kPageCount);
    }
    if (line.find("// Read UID") != std::string_view::npos) return "reading the UID";
    return {};
}

std::string RecordFilePath(const Station& station) {
    const std::string& name = station.currentSet.logFileName;
    std::filesystem::path file(name.empty() ? std::string(kFallbackRecordFileName) : name);
    if (file.is_relative()) file = StationRecordDirectory(station.setDirectory) / file;
    return file.string();
}

void ShowEarlyStop(Station& station, const CycleOutcome& outcome) {
    if (!outcome.ran || outcome.pagesHandled) return;
    // Only the result colours go: a field the set does not let the operator
    // edit keeps its grey.
    for (int page = 1; page <= kPageCount; ++page) {
        const ControlState& field = station.window.Control(PageField(page));
        const Rgb shown = field.background;
        if (shown != colour::Green && shown != colour::Red && shown != colour::CarrierIdGreen) {
            continue;
        }
        const Rgb neutral = field.enabled ? colour::White : colour::DisabledBackground;
        station.window.SetBackground(PageField(page), neutral, false);
    }
    if (!outcome.uidRead) station.uidText.clear();
}

}  // namespace tagwright
