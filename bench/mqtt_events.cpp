// Line events through a local MQTT broker started here (mosquitto, QoS 1):
// a station's SQLite journal holding N unsent rows is emptied through the
// event pump, as after a broker that was away. Events per second, and the
// latency from handing an event to the broker until the pump has its
// acknowledgement: median and p99.
//
// Usage: bench_mqtt_events [--quick] [EVENTS]  (default 2000; 20 with --quick)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "QuickMode.h"
#include "Timing.h"
#include "core/production/EventPump.h"
#include "core/production/JournalSqlite.h"
#include "support/MqttBroker.h"

using namespace tagwright;
using namespace tagwright::bench;

namespace {

// The libmosquitto broker, timing each message from its hand-over to the
// moment the pump takes its acknowledgement.
class TimedBroker final : public Broker {
public:
    bool Start(const BrokerOptions& o, std::string* error) override {
        return inner_->Start(o, error);
    }
    int Publish(const std::string& topic, const std::string& payload, int qos,
                bool retain) override {
        const int mid = inner_->Publish(topic, payload, qos, retain);
        if (mid != 0 && topic.size() > 6 && topic.compare(topic.size() - 6, 6, "/cycle") == 0) {
            sent_[mid] = Clock::now();
        }
        return mid;
    }
    std::vector<BrokerNews> TakeNews() override {
        std::vector<BrokerNews> news = inner_->TakeNews();
        for (const BrokerNews& n : news) {
            const auto it = sent_.find(n.messageId);
            if (n.kind != BrokerNews::Acknowledged || it == sent_.end()) continue;
            latencies_->push_back(MsSince(it->second));
            sent_.erase(it);
        }
        return news;
    }
    void Stop() override { inner_->Stop(); }

    std::vector<double>* latencies_ = nullptr;

private:
    std::unique_ptr<Broker> inner_ = MakeMosquittoBroker();
    std::map<int, Clock::time_point> sent_;
};

bool FillJournal(Journal& journal, int events) {
    const JournalContext context{"Bench", "WO-2026-0042", "PN-4711-A", "OP-0815"};
    CycleDetails details;
    for (int p = 0; p < kJournalPages; ++p) details.pages[static_cast<std::size_t>(p)] = "3030303030303030";
    details.locked[0] = details.locked[1] = true;
    for (int n = 0; n < events; ++n) {
        char id[16];
        std::snprintf(id, sizeof id, "%08d", n);
        details.uid = std::string("E004") + id;
        const ReserveResult reserved = journal.Reserve(context, id);
        if (reserved.status != JournalStatus::Ok || !journal.Confirm(reserved.cycle, details).ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = TakeQuickFlag(argc, argv);
    const int events = argc > 1 ? std::max(1, std::atoi(argv[1])) : quick ? 20 : 2000;
    test::MqttBroker server;
    if (!server.Running()) {
        std::fprintf(stderr, "bench_mqtt_events: %s\n", server.Error().c_str());
        return 1;
    }
    char pattern[] = "/tmp/twmqb-XXXXXX";
    const std::filesystem::path dir = ::mkdtemp(pattern);
    JournalOpenResult opened = OpenSqliteJournal(dir);
    if (!opened.journal || !FillJournal(*opened.journal, events)) {
        std::fprintf(stderr, "bench_mqtt_events: the journal could not be filled\n");
        return 1;
    }
    MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = server.Port();
    settings.topicPrefix = "bench/station";
    settings.clientId = "bench-" + std::to_string(::getpid());
    std::vector<double> latencies;
    auto broker = std::make_unique<TimedBroker>();
    broker->latencies_ = &latencies;
    EventPump pump(std::move(broker), settings);
    JournalOutbox* outbox = opened.journal->Outbox();
    bool ok = pump.Start();
    const auto deadline = Clock::now() + std::chrono::minutes(5);
    while (ok && !pump.Connected() && Clock::now() < deadline) pump.Tick(outbox);
    const Clock::time_point start = Clock::now();
    while (ok && pump.Pending().value_or(-1) != 0 && Clock::now() < deadline) {
        pump.Tick(outbox);
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    const double seconds = MsSince(start) / 1000.0;
    ok = ok && pump.Pending().value_or(-1) == 0 && latencies.size() >= static_cast<std::size_t>(events);
    pump.Stop(outbox, std::chrono::seconds(2));
    std::printf("%d events through a local broker (QoS 1, at most %d in flight, marks synced "
                "to the SQLite journal): %.0f events/s; publish to acknowledgement median "
                "%.3f ms, p99 %.3f ms\n",
                events, EventPump::kMaxInFlight, events / seconds,
                latencies.empty() ? 0.0 : Percentile(latencies, 0.5),
                latencies.empty() ? 0.0 : Percentile(latencies, 0.99));
    std::printf("one 8 KiB append + fdatasync on this file system: median %.3f ms\n",
                SyncFloor(dir.string(), 8192));
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    if (!ok) std::fprintf(stderr, "bench_mqtt_events: not every event was acknowledged\n");
    return ok ? 0 : 1;
}
