#pragma once
// Line events to the MQTT broker, from the journal's outbox. One tick on
// the journal's thread does all the work: it takes what the broker's thread
// has learnt, marks acknowledged rows published, and hands the next unsent
// rows to the broker, oldest first, never more than a few at a time. Nothing
// here waits for the broker, so a broker that is down never slows a cycle.
//
// Topics under the prefix:
//   cycle              one event per finished journal row of this station
//   state              retained: what the station does (kept here, sent
//                      again after every reconnection)
//   online             retained "true"; the last will is "false"
//   workorder/<W>      retained counts of a work order, after its events

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "core/production/Broker.h"
#include "core/production/JournalOutbox.h"
#include "core/production/MqttSettings.h"

namespace tagwright {

inline constexpr int kEventSchema = 1;

std::int64_t NowMs();

// The payload of a row's event (UTF-8 JSON).
std::string CycleEventPayload(const OutboxEvent& event);

class EventPump {
public:
    using SteadyClock = std::chrono::steady_clock;
    static constexpr int kMaxInFlight = 20;

    EventPump(std::unique_ptr<Broker> broker, MqttSettings settings);
    ~EventPump();
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

    // Starts connecting; false (Problem()) when the settings cannot be used.
    bool Start();
    // outbox: the open journal's, or nothing while there is none.
    void Tick(JournalOutbox* outbox);
    // A retained message under the prefix, sent now when connected and again
    // after each reconnection; the same payload is not sent twice.
    void SetRetained(const std::string& subtopic, const std::string& payload);
    // The retained payload of a work order's counts, asked for after its
    // events were acknowledged; nothing when it cannot be had now.
    using WorkOrderPayload = std::function<std::optional<std::string>(const std::string&)>;
    void SetWorkOrderPayload(WorkOrderPayload payload) { workOrderPayload_ = std::move(payload); }
    // Rows to be looked at again soon (a cycle has just ended).
    void Poke() { rescanDue_ = countDue_ = true; }
    // Says "offline" and leaves, waiting at most `wait` for the broker to
    // take it; acknowledgements that come meanwhile are marked in outbox.
    void Stop(JournalOutbox* outbox, std::chrono::milliseconds wait);

    bool Connected() const { return connected_; }
    // Events waiting in the journal; nothing until it was counted.
    std::optional<std::int64_t> Pending() const { return pending_; }
    // Why nothing is sent, "" when all is well.
    const std::string& Problem() const { return problem_; }
    // Why the broker is not connected now ("" before the first try ended).
    const std::string& Lost() const { return lost_; }
    const std::string& Prefix() const { return settings_.topicPrefix; }

private:
    struct InFlight {
        JournalCycleId cycle = 0;  // 0: a retained message
        std::string workOrder;
        SteadyClock::time_point sent;
    };
    void TakeNews(JournalOutbox* outbox);
    void SendRows(JournalOutbox* outbox);
    void SendRetained();
    void PublishCounts(const std::set<std::string>& workOrders);
    int Publish(const std::string& subtopic, const std::string& payload, bool retain);

    std::unique_ptr<Broker> broker_;
    MqttSettings settings_;
    bool started_ = false;
    bool connected_ = false;
    SteadyClock::time_point connectedAt_{};
    std::map<int, InFlight> inFlight_;  // by message id
    std::set<JournalCycleId> rowsInFlight_;
    JournalCycleId sentUpTo_ = 0;  // rows after it are fetched next
    bool rescanDue_ = true;
    SteadyClock::time_point lastScan_{};
    bool countDue_ = true;
    std::optional<std::int64_t> pending_;
    WorkOrderPayload workOrderPayload_;
    std::set<std::string> countsDue_;  // work orders whose counts changed
    SteadyClock::time_point lastCounts_{};
    std::map<std::string, std::string> retained_;  // subtopic -> payload
    std::map<std::string, std::string> retainedSent_;
    std::string problem_;
    std::string lost_;  // why the broker was lost, while it is
};

}  // namespace tagwright
