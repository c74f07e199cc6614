#include "station/StationRun.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "core/app/ContinuousMode.h"
#include "core/app/ProgrammingCycle.h"
#include "core/app/WindowCommands.h"
#include "core/base/DataPaths.h"
#include "core/config/ParameterSet.h"
#include "core/config/SetStore.h"
#include "station/ConsoleView.h"
#include "station/ExitCodes.h"
#include "station/Output.h"

namespace tagwright::station {

namespace {

using SteadyClock = std::chrono::steady_clock;

// The port as the window opens it, with its report on failure.
bool OpenReader(Station& station, const Options& options) {
    if (options.port) station.settings.port.portName = *options.port;
    station.reader.port.portOpen = false;
    return station.reader.port.OpenWithReport(station.settings.port, station.View());
}

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

std::string Waiting(long programmed, const Options& o) {
    std::string text = "Waiting for a transponder: " + std::to_string(programmed);
    if (!o.continuous) text += " of " + std::to_string(o.count);
    return text + " programmed";
}

// The run's end once continuous mode switched itself off.
int StoppedRun(const Station& station, const Options& o) {
    CycleResult why = station.run.continuousStop;
    if (why == CycleResult::None) why = station.run.lastCycle.result;
    // A cycle held back by the stop is the stop, not a failed step.
    if (why == CycleResult::Interrupted && o.continuous) return kSuccess;
    return ExitCodeFor(why);
}

// Looks and cycles until N tags are programmed, a step fails, no tag comes
// for the wait, or a stop is asked for.
int ProgramLoop(Station& station, const Options& o, const std::atomic<bool>& stop,
                Printer& out) {
    long programmed = 0;
    std::uint64_t seen = 0;
    auto lastTag = SteadyClock::now();
    const auto wait = std::chrono::seconds(o.waitSeconds);
    for (;;) {
        // A tag is either finished or not begun here: the stop is safe.
        if (stop.load()) return o.continuous ? kSuccess : kInterrupted;
        ContinuousTick(station);
        MessagesTick(station);
        const CycleReport& cycle = station.run.lastCycle;
        if (cycle.sequence != seen) {
            seen = cycle.sequence;
            lastTag = SteadyClock::now();
            out.Line(TagLine(cycle, o.json));
            if (cycle.result == CycleResult::Programmed) ++programmed;
            if (!o.continuous && programmed >= o.count) return kSuccess;
        }
        if (!station.run.continuousMode) return StoppedRun(station, o);
        if (station.continuous.tagThere) lastTag = SteadyClock::now();
        if (SteadyClock::now() - lastTag > wait) {
            PrintMessage("No transponder came within " + std::to_string(o.waitSeconds) +
                         " s.");
            return kNoTransponder;
        }
        const std::string events = LineEventsText(station);
        out.Status(Waiting(programmed, o) + (events.empty() ? "" : "; " + events));
        std::this_thread::sleep_for(std::chrono::milliseconds(o.intervalMs));
    }
}

// The events still waiting go out while the broker takes them; what is
// left waits in the journal for the next run, and is said so.
void EndLineEvents(Station& station) {
    if (!station.events.pump) return;
    StopLineEvents(station, std::chrono::seconds(10));
    const std::int64_t pending = PendingEvents(station);
    if (pending < 0) return;
    PrintMessage(pending == 0 ? std::string("MQTT: every event was delivered.")
                              : "MQTT: " + std::to_string(pending) +
                                    (pending == 1 ? " event waits" : " events wait") +
                                    " in the production journal for the broker.");
}

}  // namespace

bool LoadStation(Station& station, const Options& options, int* exitCode) {
    if (!options.set.empty()) {
        std::error_code ec;
        const std::filesystem::path directory = StationSettingsDirectory(ec);
        if (!IsValidSetName(options.set) ||
            !std::filesystem::is_regular_file(SetFilePath(directory, options.set), ec)) {
            PrintMessage("There is no parameter set \"" + options.set + "\" in " +
                         directory.string() + ".");
            *exitCode = kBadArguments;
            return false;
        }
    }
    LoadStationFiles(station, options.set);
    station.settings.selectConfig = 1;  // the automatic mode runs the cycle
    ApplyStartUpAppearance(station);
    return true;
}

int RunProgram(const Options& options, const std::atomic<bool>& stop) {
    ConsoleView view(options.yes);
    SystemClock clock;
    Station station(view, clock);
    int code = kSuccess;
    if (!LoadStation(station, options, &code)) return code;
    // Refused before the port opens: no transponder is touched with it.
    if (const std::string refusal = CarrierIdLayoutRefusal(station.currentSet);
        !refusal.empty()) {
        station.window.Tell(refusal);
        return kSetFileError;
    }
    StartLineEvents(station);
    if (!OpenReader(station, options)) return kPortNotOpen;
    station.run.stopRequested = &stop;
    station.continuous.tagThere = false;
    ContOnCommand(station);
    // The Reader repeats a look and each command as the set says; the loop
    // only paces the looks.
    Printer out(stdout);
    code = ProgramLoop(station, options, stop, out);
    out.Done();
    if (station.run.continuousMode) ContOnCommand(station);
    MessagesTick(station);  // what the last cycle left for the operator
    EndLineEvents(station);
    return code;
}

int RunRead(const Options& options) {
    ConsoleView view;
    SystemClock clock;
    Station station(view, clock);
    int code = kSuccess;
    if (!LoadStation(station, options, &code)) return code;
    if (!OpenReader(station, options)) return kPortNotOpen;
    ReaderSession& reader = station.reader;
    reader.link.Retries = std::clamp(station.currentSet.retries, kMinRetries, kMaxRetries);
    BusyScope busy(reader.port.readBusy);
    reader.link.DiscardPending();
    const JudgedReply uid = reader.link.ReadUid();
    nlohmann::json pages = nlohmann::json::array();
    bool allRead = true;
    for (int page = 1; page <= kPageCount; ++page) {
        const JudgedReply reply = reader.link.ReadPage(page);
        allRead = allRead && reply.good;
        pages.push_back(reply.good ? nlohmann::json(Cp1252ToUtf8(WithoutLineEnd(reply.cut)))
                                   : nlohmann::json());
    }
    const std::string uidText = uid.good ? Cp1252ToUtf8(WithoutLineEnd(uid.cut)) : std::string();
    Printer out(stdout);
    if (options.json) {
        out.Line(nlohmann::json{{"uid", uid.good ? nlohmann::json(uidText) : nlohmann::json()},
                                {"pages", pages}}
                     .dump());
    } else {
        out.Line("UID " + (uid.good ? uidText : std::string("-")));
        for (int page = 1; page <= kPageCount; ++page) {
            const auto& p = pages[static_cast<std::size_t>(page - 1)];
            out.Line("Page " + std::to_string(page) + " " +
                     (p.is_null() ? std::string("-") : p.get<std::string>()));
        }
    }
    if (!uid.good && !allRead) PrintMessage("No transponder answered.");
    return allRead ? kSuccess : kNoTransponder;
}

}  // namespace tagwright::station
