// tagwright-station publishing its line events to a real broker started
// here, watched by mosquitto_sub: every cycle's event once, with the row's
// carrier ID and UID; the retained state and online flag, and the last will
// when the station is killed; events that wait in the journal while the
// broker is down or the station was killed, sent when both are back; a
// credential in the settings file refused.

#include <algorithm>
#include <set>

#include <QJsonObject>
#include <QTest>

#include "e2e/MqttSubscriber.h"
#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"
#include "support/MqttBroker.h"

using namespace tagwright;
using namespace tagwright::test;

namespace {

const QStringList kProgram{"program", "--set", "Line", "--interval", "20"};
const std::string kPrefix = "plant/line1/st1";

// Events on the cycle topic, each as "carrier_id|uid|outcome".
Texts CycleEvents(MqttSubscriber& sub) {
    Texts events;
    for (const MqttMessage& m : sub.On("cycle")) {
        const QJsonObject e = m.Json();
        events.push_back(e["carrier_id"].toString().toStdString() + "|" +
                         e["uid"].toString().toStdString() + "|" +
                         e["outcome"].toString().toStdString());
    }
    return events;
}

auto EventCount(std::size_t n) {
    return [n](const std::vector<MqttMessage>& seen) {
        std::size_t events = 0;
        for (const MqttMessage& m : seen) events += m.topic == "cycle";
        return events >= n;
    };
}

// The last message on TOPIC holds PAYLOAD.
auto Last(const std::string& topic, const std::string& payload) {
    return [=](const std::vector<MqttMessage>& seen) {
        const auto last = std::find_if(seen.rbegin(), seen.rend(),
                                       [&](const MqttMessage& m) { return m.topic == topic; });
        return last != seen.rend() && last->payload.find(payload) != std::string::npos;
    };
}

// Every finished row's event arrived exactly once, with the row's event_id,
// and every row is marked published.
bool EachRowOnce(StationProgram& s, MqttSubscriber& sub) {
    Texts ids;
    for (const MqttMessage& m : sub.On("cycle")) {
        ids.push_back(m.Json()["event_id"].toString().toStdString() + "|" +
                      m.Json()["carrier_id"].toString().toStdString());
    }
    std::sort(ids.begin(), ids.end());
    Texts rows = s.Journal("SELECT event_id, carrier_id FROM cycles WHERE outcome <> 'reserved'");
    std::sort(rows.begin(), rows.end());
    return SameLines(ids, rows) &&
           SameLines(s.Journal("SELECT count(*) FROM cycles WHERE published_utc IS NULL AND "
                               "outcome <> 'reserved'"),
                     {"0"});
}

}  // namespace

class StationScenariosMqtt : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (MqttBroker::Program().empty()) {
            QSKIP("mosquitto is not installed: scripts/install-deps installs it");
        }
    }

    // Five tags, five events with their rows' carrier IDs and UIDs; the
    // state follows the run, the work order's counts, and "offline" at the end.
    void fiveTagsFiveEvents() {
        MqttBroker broker;
        QVERIFY2(broker.Running(), broker.Error().c_str());
        MqttSubscriber sub(broker, kPrefix);
        QVERIFY(sub.Ready());
        StationProgram s(Laid(5, '0', 60, 3));
        s.LineStation({}, 20, broker.Settings(kPrefix));
        const Finished f = s.Run(kProgram + QStringList{"--count", "5"});
        QCOMPARE(f.code, 0);
        QVERIFY(Said(f, "MQTT: every event was delivered."));
        QVERIFY(sub.WaitFor(EventCount(5)));
        QVERIFY(SameLines(CycleEvents(sub),
                          s.Journal("SELECT carrier_id, uid, outcome FROM cycles ORDER BY id")));
        QVERIFY(EachRowOnce(s, sub));
        const QJsonObject first = sub.On("cycle").front().Json();
        QCOMPARE(first["schema"].toInt(), 1);
        QVERIFY(first["timestamp_ms"].toDouble() > 1.7e12);
        QCOMPARE(first["work_order"].toString(), QStringLiteral("WO-1"));

        QVERIFY(sub.WaitFor(Last("online", "false")));
        std::set<std::string> states;
        for (const MqttMessage& m : sub.On("state")) {
            states.insert(m.Json()["state"].toString().toStdString());
        }
        QVERIFY(states.count("waiting") == 1 && states.count("programming") == 1);
        QCOMPARE(sub.On("state").back().Json()["state"].toString(), QStringLiteral("idle"));
        QCOMPARE(sub.On("online").front().payload, std::string("true"));
        QVERIFY(sub.WaitFor(Last("workorder/WO-1", "\"programmed\":5,\"quantity\":10")));
    }

    // A run that stops itself leaves its cause as the retained state.
    void stoppedWithItsCause() {
        MqttBroker broker;
        QVERIFY2(broker.Running(), broker.Error().c_str());
        MqttSubscriber sub(broker, kPrefix);
        QVERIFY(sub.Ready());
        StationProgram s(Laid(3, '0', 60, 3));
        s.LineStation({}, 6, broker.Settings(kPrefix));  // IDs 0005 and 0006 only
        QCOMPARE(s.Run(kProgram + QStringList{"--count", "3"}).code, 6);
        QVERIFY(sub.WaitFor(Last("online", "false")));
        const QJsonObject state = sub.On("state").back().Json();
        QCOMPARE(state["state"].toString(), QStringLiteral("stopped"));
        QCOMPARE(state["cause"].toString(), QStringLiteral("no_carrier_id"));
        QCOMPARE(state["text"].toString(),
                 QStringLiteral("stopped: no carrier ID left (maximum reached)"));
    }

    // Killed, the station cannot say goodbye: the broker sends its last will.
    void lastWillWhenKilled() {
        MqttBroker broker;
        QVERIFY2(broker.Running(), broker.Error().c_str());
        MqttSubscriber sub(broker, kPrefix);
        QVERIFY(sub.Ready());
        sim::Options empty;
        empty.present = false;
        StationProgram s(empty);
        s.LineStation({}, 20, broker.Settings(kPrefix));
        QVERIFY(s.Launch(kProgram + QStringList{"--wait", "300"}));
        QVERIFY(sub.WaitFor(Last("state", "\"waiting\"")));
        QVERIFY(sub.WaitFor(Last("online", "true")));
        s.Running().kill();
        s.Collect();
        QVERIFY(sub.WaitFor(Last("online", "false")));
    }

    // The broker away for three cycles: the events wait and all arrive,
    // oldest first, each once, when it is back.
    void brokerAwayForThreeCycles() {
        MqttBroker broker;
        QVERIFY2(broker.Running(), broker.Error().c_str());
        MqttSubscriber sub(broker, kPrefix);
        QVERIFY(sub.Ready());
        StationProgram s(Laid(6, '0', 60, 40));
        s.LineStation({}, 20, broker.Settings(kPrefix));
        QVERIFY(s.Launch(kProgram + QStringList{"--count", "6"}));
        QVERIFY(sub.WaitFor(EventCount(1)));
        // Once acknowledged: a broker stopped before its acknowledgement
        // reached the station would get the event again (the same event_id,
        // as QoS 1 allows), which is not what this scenario is about.
        QTRY_VERIFY_WITH_TIMEOUT(
            s.Journal("SELECT count(*) FROM cycles WHERE published_utc IS NOT NULL") !=
                Texts{"0"},
            60000);
        QVERIFY(broker.Stop());
        const std::size_t atStop = s.LinesSoFar();
        QVERIFY2(atStop <= 3, "the tags came too fast to stop the broker between them");
        QTRY_VERIFY_WITH_TIMEOUT(s.LinesSoFar() >= atStop + 3, 120000);
        QVERIFY(broker.Start());
        const Finished f = s.Collect();
        QCOMPARE(f.code, 0);
        QVERIFY(sub.WaitFor(EventCount(6)));
        QVERIFY(Said(f, "MQTT: every event was delivered."));
        QVERIFY(SameLines(CycleEvents(sub),
                          s.Journal("SELECT carrier_id, uid, outcome FROM cycles ORDER BY id")));
        QVERIFY(EachRowOnce(s, sub));
    }

    // Killed while its events wait for a broker that is down: the next run
    // sends them, even one that programs nothing.
    void killedWhileEventsWait() {
        MqttBroker broker;
        QVERIFY2(broker.Running(), broker.Error().c_str());
        MqttSubscriber sub(broker, kPrefix);
        QVERIFY(sub.Ready());
        QVERIFY(broker.Stop());
        StationProgram s(Laid(2, '0', 60, 3));
        s.LineStation({}, 20, broker.Settings(kPrefix));
        QVERIFY(s.Launch(kProgram + QStringList{"--count", "3", "--wait", "300"}));
        QTRY_VERIFY_WITH_TIMEOUT(s.LinesSoFar() >= 2, 120000);
        s.Running().kill();  // SIGKILL, while it waits for a third tag
        s.Collect();
        QVERIFY(SameLines(s.Journal("SELECT count(*) FROM cycles WHERE published_utc IS NULL"),
                          {"2"}));

        QVERIFY(broker.Start());
        s.reader.SetSequence({});
        s.reader.SetPresent(false);
        const Finished f = s.Run(kProgram + QStringList{"--wait", "2"});
        QCOMPARE(f.code, 3);  // no tag came
        QVERIFY(Said(f, "MQTT: every event was delivered."));
        QVERIFY(sub.WaitFor(EventCount(2)));
        QVERIFY(EachRowOnce(s, sub));
    }

    // A password in the settings file: told, nothing sent, the event waits.
    void credentialInSettingsRefused() {
        MqttBroker broker;
        QVERIFY2(broker.Running(), broker.Error().c_str());
        MqttSubscriber sub(broker, kPrefix);
        QVERIFY(sub.Ready());
        StationProgram s(Laid(1, '0', 60, 3));
        s.LineStation({}, 20, broker.Settings(kPrefix) + "Password=secret\r\n");
        const Finished f = s.Run(kProgram + QStringList{"--count", "1"});
        QCOMPARE(f.code, 0);
        QVERIFY(Said(f, "([MQTT] Password) cannot be used: they hold a credential"));
        QVERIFY(Said(f, "MQTT: 1 event waits in the production journal for the broker."));
        QVERIFY(sub.On("online").empty() && sub.On("state").empty());
        QCOMPARE(s.Ini("Tagwright.ini", "MQTT", "Password"), std::string("secret"));
    }
};

TW_SCENARIOS(StationScenariosMqtt)
#include "StationScenariosMqtt.moc"
