#include "core/app/LineEvents.h"

#include <thread>

#include <nlohmann/json.hpp>

#include "core/app/CycleJournal.h"
#include "core/app/Station.h"
#include "core/base/CText.h"
#include "core/base/Utf8.h"
#include "core/production/JournalFields.h"
#include "core/production/ProductionStats.h"

namespace tagwright {

namespace {

using SteadyClock = std::chrono::steady_clock;

// A journal that cannot be opened is tried again this seldom for the events
// alone: opening a server's journal may wait for the server.
constexpr auto kJournalRetry = std::chrono::seconds(30);
// How long a station that ends waits for a broker it has not reached yet.
constexpr auto kConnectGrace = std::chrono::seconds(3);

std::string CauseCode(CycleResult result) {
    switch (result) {
        case CycleResult::NoTransponder: return "no_transponder";
        case CycleResult::WriteRefused: return "write_refused";
        case CycleResult::VerifyFailed: return "verify_failed";
        case CycleResult::NoCarrierId: return "no_carrier_id";
        case CycleResult::PortNotOpen: return "port_not_open";
        case CycleResult::JournalError: return "journal_error";
        case CycleResult::RecordFileError: return "record_file_error";
        case CycleResult::CounterNotSaved: return "counter_not_saved";
        case CycleResult::SetRefused: return "set_refused";
        case CycleResult::Declined: return "declined";
        case CycleResult::Interrupted: return "interrupted";
        default: return "other";
    }
}

// The status line's words for why continuous mode stopped. The cause may
// come after a cycle that programmed its tag (the counter then reached its
// maximum): the last cycle's words are only taken when they are the cause's.
std::string StopText(const Station& station) {
    const AutomaticRun& run = station.run;
    CycleReport cause = run.lastCycle;
    if (cause.result != run.continuousStop) {
        cause = CycleReport{};
        cause.result = run.continuousStop;
        cause.fromList = cause.listUsedUp = station.currentSet.useCsvFile;
    }
    return JudgeCycle(cause, station.reader.port.PortLost()).phrase;
}

std::string JsonText(const nlohmann::json& j) {
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A work order's progress as the production figures count it, so that the
// dashboards and the broker agree.
std::optional<std::string> WorkOrderPayload(Station& station, const std::string& workOrder) {
    Journal* journal = station.journal.journal.get();
    if (journal == nullptr) return std::nullopt;
    StatsQuery query;
    query.nowUtc = JournalNow().utc;
    query.progressWorkOrder = workOrder;
    const ParameterSet& set = station.currentSet;
    if (workOrder == set.workOrderNumber) query.quantity = Atol(set.quantity);
    const std::optional<WorkOrderProgress> progress = ComputeWorkOrderProgress(*journal, query);
    if (!progress) return std::nullopt;
    const WorkOrderProgress& p = *progress;
    const auto orNull = [](auto value, bool known) {
        return known ? nlohmann::json(value) : nlohmann::json(nullptr);
    };
    return JsonText({{"work_order", Latin1ToUtf8(workOrder)},
                     {"programmed", p.programmed},
                     {"quantity", orNull(p.quantity, p.quantity > 0)},
                     {"rate_per_hour", p.ratePerHour},
                     {"seconds_to_finish", orNull(p.secondsToFinish.value_or(0),
                                                  p.secondsToFinish.has_value())},
                     {"schema", kEventSchema},
                     {"timestamp_ms", NowMs()}});
}

JournalOutbox* Outbox(Station& station) {
    LineEventsState& events = station.events;
    if (!station.journal.journal && SteadyClock::now() - events.journalTried > kJournalRetry) {
        events.journalTried = SteadyClock::now();
        StationJournal(station);
    }
    return station.journal.journal ? station.journal.journal->Outbox() : nullptr;
}

}  // namespace

void StartLineEvents(Station& station, std::unique_ptr<Broker> broker) {
    const MqttSettings& settings = station.settings.mqtt;
    if (!settings.Configured()) return;
    LineEventsState& events = station.events;
    events.pump = std::make_unique<EventPump>(broker ? std::move(broker) : MakeMosquittoBroker(),
                                              settings);
    events.pump->SetWorkOrderPayload(
        [&station](const std::string& workOrder) { return WorkOrderPayload(station, workOrder); });
    if (!events.pump->Start()) {
        station.window.Tell(events.pump->Problem() +
                            "\r\nThe events wait in the production journal until the broker "
                            "can be reached.");
    }
    ShowRunState(station);
}

void ShowRunState(Station& station) {
    LineEventsState& events = station.events;
    if (!events.pump) return;
    const AutomaticRun& run = station.run;
    nlohmann::json j;
    if (run.cycleRunning) {
        j["state"] = "programming";
    } else if (run.continuousMode) {
        j["state"] = "waiting";
    } else if (run.continuousStop != CycleResult::None) {
        j["state"] = "stopped";
        j["cause"] = CauseCode(run.continuousStop);
        j["text"] = StopText(station);
    } else {
        j["state"] = "idle";
    }
    const std::string key = j.dump();
    if (key == events.stateKey) return;
    events.stateKey = key;
    j["schema"] = kEventSchema;
    j["timestamp_ms"] = NowMs();
    events.pump->SetRetained("state", JsonText(j));
}

void LineEventsTick(Station& station) {
    LineEventsState& events = station.events;
    if (!events.pump) return;
    ShowRunState(station);
    if (station.run.lastCycle.sequence != events.seenCycle) {
        events.seenCycle = station.run.lastCycle.sequence;
        events.pump->Poke();
    }
    events.pump->Tick(Outbox(station));
}

void StopLineEvents(Station& station, std::chrono::milliseconds wait) {
    LineEventsState& events = station.events;
    if (!events.pump) return;
    const auto start = SteadyClock::now();
    const auto until = start + wait;
    for (;;) {
        LineEventsTick(station);
        const bool sent = events.pump->Pending().value_or(-1) == 0;
        // A broker still connecting gets a moment; one that is down, none.
        const bool unreachable =
            !events.pump->Connected() && SteadyClock::now() - start > kConnectGrace;
        if (sent || unreachable || SteadyClock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    JournalOutbox* outbox = station.journal.journal ? station.journal.journal->Outbox() : nullptr;
    events.pump->Stop(outbox, std::chrono::milliseconds(2000));
}

std::int64_t PendingEvents(const Station& station) {
    const auto& pump = station.events.pump;
    return pump ? pump->Pending().value_or(-1) : -1;
}

std::string LineEventsText(const Station& station) {
    const auto& pump = station.events.pump;
    if (!pump) return {};
    std::string text = "MQTT ";
    if (!pump->Problem().empty()) {
        text += "not used";
    } else {
        text += pump->Connected() ? "connected" : "not connected";
    }
    const std::int64_t pending = PendingEvents(station);
    if (pending < 0) return text;
    return text + ", " + std::to_string(pending) + (pending == 1 ? " event" : " events") +
           " waiting";
}

}  // namespace tagwright
