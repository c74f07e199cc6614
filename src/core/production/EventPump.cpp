#include "core/production/EventPump.h"

#include <cstdio>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/base/Utf8.h"

namespace tagwright {

namespace {

using SteadyClock = EventPump::SteadyClock;

// Rows are looked at this often even when no cycle poked the pump: rows a
// failed mark left behind, or written by the manual carrier ID write.
constexpr auto kRescanPeriod = std::chrono::seconds(2);
// A message the broker has not acknowledged this long after a reconnection
// is sent again from its row.
constexpr auto kResendAfter = std::chrono::seconds(30);
// Work-order counts are a query over the whole journal: not after every event.
constexpr auto kCountPeriod = std::chrono::seconds(1);

std::int64_t UtcMs(const std::string& utc) {
    std::tm t{};
    if (std::sscanf(utc.c_str(), "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday,
                    &t.tm_hour, &t.tm_min, &t.tm_sec) != 6) {
        return 0;
    }
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    return static_cast<std::int64_t>(::timegm(&t)) * 1000;
}

// A work order as one level of a topic: the characters MQTT gives a
// meaning to are replaced.
std::string TopicLevel(const std::string& text) {
    std::string level = Latin1ToUtf8(text);
    for (char& c : level) {
        if (c == '/' || c == '+' || c == '#') c = '_';
    }
    return level.empty() ? "_" : level;
}

std::string Dump(const nlohmann::json& j) {
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string CycleEventPayload(const OutboxEvent& event) {
    nlohmann::json j = nlohmann::json::object();
    for (const auto& [name, value] : event.fields) {
        j[name] = value ? nlohmann::json(*value) : nlohmann::json(nullptr);
    }
    for (const char* number : {"id", "record_row", "retries"}) {
        if (j.contains(number) && j[number].is_string()) {
            j[number] = std::atoll(j[number].get<std::string>().c_str());
        }
    }
    j["event_id"] = event.eventId;
    j["schema"] = kEventSchema;
    j["timestamp_ms"] = j.contains("time_utc") && j["time_utc"].is_string()
                            ? UtcMs(j["time_utc"].get<std::string>())
                            : NowMs();
    return Dump(j);
}

EventPump::EventPump(std::unique_ptr<Broker> broker, MqttSettings settings)
    : broker_(std::move(broker)), settings_(std::move(settings)) {}

EventPump::~EventPump() { Stop(nullptr, std::chrono::milliseconds(500)); }

bool EventPump::Start() {
    if (!settings_.refusal.empty()) {
        problem_ = settings_.refusal;
        return false;
    }
    const MqttCredentials credentials = ReadMqttCredentials(settings_.credentialsFile);
    if (!credentials.ok) {
        problem_ = credentials.message;
        return false;
    }
    BrokerOptions o;
    o.host = settings_.host;
    o.port = settings_.port;
    o.clientId = settings_.clientId;
    o.username = credentials.username;
    o.password = credentials.password;
    o.caFile = settings_.caFile;
    o.certFile = settings_.certFile;
    o.keyFile = settings_.keyFile;
    o.willTopic = settings_.topicPrefix + "/online";
    o.willPayload = "false";
    o.maxInFlight = kMaxInFlight;
    std::string why;
    if (!broker_->Start(o, &why)) {
        problem_ = "The MQTT broker " + settings_.host + ":" + std::to_string(settings_.port) +
                   " cannot be used: " + why + ".";
        return false;
    }
    started_ = true;
    return true;
}

int EventPump::Publish(const std::string& subtopic, const std::string& payload, bool retain) {
    return broker_->Publish(settings_.topicPrefix + "/" + subtopic, payload, settings_.qos, retain);
}

void EventPump::SetRetained(const std::string& subtopic, const std::string& payload) {
    retained_[subtopic] = payload;
    if (connected_) SendRetained();
}

void EventPump::SendRetained() {
    for (const auto& [subtopic, payload] : retained_) {
        std::string& sent = retainedSent_[subtopic];
        if (sent == payload) continue;
        if (Publish(subtopic, payload, true) != 0) sent = payload;
    }
}

void EventPump::Tick(JournalOutbox* outbox) {
    if (started_) {
        TakeNews(outbox);
        if (connected_) {
            SendRetained();
            SendRows(outbox);
        }
    }
    if (outbox != nullptr && countDue_) {
        pending_ = outbox->Pending();
        countDue_ = false;
    }
}

void EventPump::TakeNews(JournalOutbox* outbox) {
    std::vector<JournalCycleId> acknowledged;
    for (const BrokerNews& news : broker_->TakeNews()) {
        if (news.kind == BrokerNews::Connected) {
            connected_ = true;
            connectedAt_ = SteadyClock::now();
            lost_.clear();
            retainedSent_.clear();
            retainedSent_["online"] = "true";
            Publish("online", "true", true);
            rescanDue_ = true;
        } else if (news.kind == BrokerNews::Lost) {
            connected_ = false;
            lost_ = news.text;
        } else if (const auto it = inFlight_.find(news.messageId); it != inFlight_.end()) {
            if (it->second.cycle != 0) {
                acknowledged.push_back(it->second.cycle);
                countsDue_.insert(it->second.workOrder);
                rowsInFlight_.erase(it->second.cycle);
            }
            inFlight_.erase(it);
        }
    }
    if (connected_ && SteadyClock::now() - connectedAt_ > kResendAfter) {
        for (auto it = inFlight_.begin(); it != inFlight_.end();) {
            if (it->second.sent >= connectedAt_) {
                ++it;
                continue;
            }
            rowsInFlight_.erase(it->second.cycle);
            it = inFlight_.erase(it);
        }
    }
    if (rowsInFlight_.empty()) sentUpTo_ = 0;
    if (outbox == nullptr) return;
    if (!acknowledged.empty()) {
        // Not marked, the rows are sent again (with their event ids) later.
        outbox->MarkPublished(acknowledged);
        countDue_ = true;
    }
    if (!countsDue_.empty() && SteadyClock::now() - lastCounts_ >= kCountPeriod) {
        lastCounts_ = SteadyClock::now();
        PublishCounts(std::exchange(countsDue_, {}));
    }
}

void EventPump::SendRows(JournalOutbox* outbox) {
    const int room = kMaxInFlight - static_cast<int>(rowsInFlight_.size());
    const auto now = SteadyClock::now();
    if (outbox == nullptr || room <= 0 || (!rescanDue_ && now - lastScan_ < kRescanPeriod)) {
        return;
    }
    lastScan_ = now;
    rescanDue_ = false;
    const OutboxBatch batch = outbox->Unpublished(sentUpTo_, room);
    if (!batch.ok) return;
    for (const OutboxEvent& event : batch.events) {
        const int mid = Publish("cycle", CycleEventPayload(event), false);
        if (mid == 0) return;
        inFlight_[mid] = {event.cycle, event.workOrder, now};
        rowsInFlight_.insert(event.cycle);
        sentUpTo_ = event.cycle;
    }
    if (static_cast<int>(batch.events.size()) == room) rescanDue_ = true;
    countDue_ = true;
}

void EventPump::PublishCounts(const std::set<std::string>& workOrders) {
    for (const std::string& workOrder : workOrders) {
        if (workOrder.empty() || !workOrderPayload_) continue;
        if (const auto payload = workOrderPayload_(workOrder)) {
            SetRetained("workorder/" + TopicLevel(workOrder), *payload);
        }
    }
}

void EventPump::Stop(JournalOutbox* outbox, std::chrono::milliseconds wait) {
    if (!started_) return;
    lastCounts_ = {};  // the last counts go out before "offline"
    TakeNews(outbox);
    if (connected_) {
        const int mid = Publish("online", "false", true);
        const auto until = SteadyClock::now() + wait;
        if (mid != 0) inFlight_[mid] = {0, {}, SteadyClock::now()};
        while (inFlight_.count(mid) != 0 && connected_ && SteadyClock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            TakeNews(outbox);
        }
    }
    started_ = false;
    broker_->Stop();
}

}  // namespace tagwright
