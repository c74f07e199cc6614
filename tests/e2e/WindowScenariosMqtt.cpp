// The window with line events on: a tag programmed while the broker is
// down waits in the journal, and the status line says so until the broker
// is back and has taken it.

#include <QTest>

#include "e2e/MqttSubscriber.h"
#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/main/MainWindow.h"
#include "gui/main/StatusLineWidget.h"
#include "support/MqttBroker.h"

using namespace tagwright;
using namespace tagwright::test;

class WindowScenariosMqtt : public QObject {
    Q_OBJECT
private slots:
    void pendingEventsOnTheStatusLine() {
        if (MqttBroker::Program().empty()) {
            QSKIP("mosquitto is not installed: scripts/install-deps installs it");
        }
        MqttBroker broker;
        QVERIFY2(broker.Running(), broker.Error().c_str());
        MqttSubscriber sub(broker, "plant/line1/window");
        QVERIFY(sub.Ready());
        QVERIFY(broker.Stop());
        WindowRig s;
        s.Write("Line.ini", LineSet(s, "Decimal counter=1\r\n"));
        s.Settings(1, "Line", "Carrier ID Max=20\r\n" + broker.Settings("plant/line1/window"));
        QVERIFY(s.Start());
        s.Click("  One");
        QVERIFY(s.Settle());
        const auto count = [&] { return s.Window().StatusLine()->CountText(); };
        QTRY_VERIFY_WITH_TIMEOUT(count().endsWith("MQTT not connected, 1 event waiting"), 60000);

        QVERIFY(broker.Start());
        QTRY_VERIFY_WITH_TIMEOUT(count().endsWith("MQTT connected, 0 events waiting"), 60000);
        QVERIFY(sub.WaitFor([](const std::vector<MqttMessage>& seen) {
            return std::any_of(seen.begin(), seen.end(), [](const MqttMessage& m) {
                return m.topic == "cycle" && m.Json()["carrier_id"].toString() == "0005";
            });
        }));
    }
};

TW_SCENARIOS(WindowScenariosMqtt)
#include "WindowScenariosMqtt.moc"
