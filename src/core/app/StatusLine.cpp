#include "core/app/StatusLine.h"

#include <cstdlib>
#include <filesystem>

#include "core/app/Station.h"
#include "core/base/DataPaths.h"
#include "core/base/Utf8.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/RecordFile.h"

namespace tagwright {

namespace {

// What failed after the pages were locked, or kept the cycle from starting
// for the same reason; "" for none of those.
std::string Aftermath(CycleResult result) {
    switch (result) {
        case CycleResult::JournalError:
            return "the production journal cannot be written";
        case CycleResult::RecordFileError:
            return "the record file was not written";
        case CycleResult::CounterNotSaved:
            return "the counter cannot be saved in the set file";
        default:
            return {};
    }
}

// Why a cycle that programmed nothing stopped, in plain words.
std::string StopPhrase(const CycleReport& report, bool portLost) {
    switch (report.result) {
        case CycleResult::NoTransponder:
            return "failed: no transponder on the antenna";
        case CycleResult::WriteRefused:
        case CycleResult::VerifyFailed:
            return report.reached == CycleStage::Locking ? "failed: the pages were not locked"
                                                         : "failed: the pages were not written";
        case CycleResult::NoCarrierId:
            if (report.listUsedUp) return "stopped: no carrier ID left in the list";
            return report.fromList ? "stopped: the carrier ID list has a bad entry"
                                   : "stopped: no carrier ID left (maximum reached)";
        case CycleResult::PortNotOpen:
            return portLost ? "not run: the port is lost" : "not run: the port is closed";
        case CycleResult::SetRefused:
            return report.fieldRefused ? "not run: a field holds a character no byte stands for"
                                       : "not run: the set's carrier ID layout does not fit";
        case CycleResult::Declined:
            return "not run: the UID was programmed before";
        case CycleResult::Interrupted:
            return "stopped: a stop was asked for";
        default:
            return "stopped: " + Aftermath(report.result);
    }
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

CycleOutcome JudgeCycle(const CycleReport& report, bool portLost) {
    CycleOutcome outcome;
    outcome.ran = report.result != CycleResult::None;
    outcome.programmed = report.reached == CycleStage::Programmed;
    outcome.good = report.result == CycleResult::Programmed ||
                   report.result == CycleResult::RecordFileError;
    outcome.pagesHandled = report.reached != CycleStage::Start;
    outcome.uidRead = !report.uid.empty();
    if (outcome.programmed) {
        // The tag is programmed; what failed after it still stops the line.
        const std::string after = Aftermath(report.result);
        outcome.phrase = after.empty() ? "programmed" : "programmed, but " + after;
    } else {
        outcome.phrase = StopPhrase(report, portLost);
    }
    return outcome;
}

void JudgeLastCycle(Station& station) {
    StatusLineState& status = station.status;
    status.last = JudgeCycle(station.run.lastCycle, station.reader.port.PortLost());
    if (status.last.programmed) {
        status.tally.Count(station.currentSet.workOrderNumber);
        status.lastProgrammedAt = station.WallClock().Now();
    }
    ShowEarlyStop(station, status.last);
}

void ProgrammedTally::Count(const std::string& workOrder) {
    ++session_;
    ++perWorkOrder_[workOrder];
}

int ProgrammedTally::InWorkOrder(const std::string& workOrder) const {
    const auto it = perWorkOrder_.find(workOrder);
    return it == perWorkOrder_.end() ? 0 : it->second;
}

StatusLineText DescribeStatus(const Station& station, const std::string& portState) {
    const ProgrammedTally& tally = station.status.tally;
    const CycleOutcome& last = station.status.last;
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
        text.resultColour = last.good ? colour::Green : colour::Red;
    }
    // A path as the file system names it: in the messages' code page, as
    // every text of the line is.
    if (set.logEnabled) text.recordFile = MessagePath(RecordFilePath(station));
    text.role = RoleStatusText(station);
    text.events = LineEventsText(station);
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
