// The main window against the virtual Reader: the terminal round trip, and
// timer work held back while an operation waits for the Reader.

#include <QAction>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>
#include <QPlainTextEdit>

#include "GuiTestSupport.h"
#include "gui/main/SpinArrows.h"
#include "MainWindowTestSupport.h"
#include "reader-sim/VirtualReader.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

constexpr int kWait = 20000;

namespace {

// A counter set: ID 5 of 4 digits at byte 0, pages 1 and 2 written, page 1
// locked; the transponder type needs no UID.
std::string CounterSet() {
    const std::string letters = "4141414141414141";
    return CounterSetIni("[Transponder type]\r\nTI=1\r\n[Write checks]\r\nVerify after write=0\r\n",
                         2, {{1, "Lock Page 1=1"}}, {{1, letters}, {2, letters}});
}

std::size_t CountOf(const std::vector<std::string>& log, const std::string& command) {
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), command));
}

}  // namespace

class MainWindowReaderTest : public QObject {
    Q_OBJECT
private slots:
    // The terminal round trip, then timer work held back during an operation.
    void manualModeAgainstTheReader() {
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        StationDir dir;
        dir.Write("Tagwright.ini", StationIni(reader.SlavePath(), 0, ""));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(boxes.shown.empty());  // the port opened
        QVERIFY(ShowActive(w));
        w.Action(MainWindow::MenuItem::ShowTerminal)->trigger();
        QWidget* command = w.Control(MainControl::TerminalCommand);
        auto* traffic = static_cast<QPlainTextEdit*>(w.Control(MainControl::Traffic));

        TypeInto(command, QStringLiteral("RUID"), Qt::Key_Return);
        QVERIFY(reader.WaitForCommands(1, std::chrono::milliseconds(kWait)));
        QCOMPARE(reader.CommandLog().at(0), std::string("RUID"));
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(), QStringLiteral("1A2B3C4D\n"), kWait);

        w.Action(MainWindow::MenuItem::ClearTerminal)->trigger();
        QVERIFY(traffic->toPlainText().isEmpty());

        // The operator's notes stay below lines that come in; 8-bit bytes show
        // as their Latin-1 characters.
        traffic->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(traffic, QStringLiteral("note"));
        reader.SendUnsolicited("Gr\xFC\xDF\r");
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(), QStringLiteral("Gr\u00FC\u00DF\nnote"),
                                  kWait);
        QCOMPARE(w.Model().reader.traffic.Text(), std::string("Gr\xFC\xDF\r\nnote"));

        // A message left for the message timer must not pop up while an
        // operation still waits for the Reader: the tick that comes meanwhile
        // is skipped, a later one shows it.
        reader.SetReplyDelay(std::chrono::milliseconds(400));
        Station& s = w.Model();
        bool busyWhenShown = true;
        int shown = 0;
        const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageRequest&) {
            busyWhenShown = s.reader.port.readBusy || s.reader.port.writeBusy;
            ++shown;
            return MsgAnswer::Ok;
        });
        bool leftDuringWait = false;
        QTimer::singleShot(100, &w, [&] {
            s.run.pendingMessage = "later";
            leftDuringWait = static_cast<bool>(s.reader.port.readBusy);
        });
        QTest::mouseClick(w.Control(MainControl::ReadUid), Qt::LeftButton);
        QVERIFY(leftDuringWait);  // the click returns when the operation has ended
        QCOMPARE(EditOf(w, MainControl::Uid)->text(), QStringLiteral("1A2B3C4D"));
        QTRY_COMPARE_WITH_TIMEOUT(shown, 1, kWait);
        SetMessageBoxHandler(previous);
        QVERIFY(!busyWhenShown);
    }

    // Clicks and Enter while a slow cycle waits for the Reader are dropped:
    // "  One" three times and Enter twice give one cycle, and a click on the
    // "next" arrows or "Read" runs neither inside the cycle nor after it.
    void inputDuringACycleIsDropped() {
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        StationDir dir;
        dir.Write("Demo.ini", CounterSet());
        dir.Write("Tagwright.ini",
                  StationIni(reader.SlavePath(), 1, "Demo", "Carrier ID Max=20\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(boxes.shown.empty());
        QVERIFY(ShowActive(w));
        reader.SetReplyDelay(std::chrono::milliseconds(300));

        QWidget* one = w.Control(MainControl::One);
        int pressesDuringWait = 0;
        bool oneEnabledDuringWait = true;
        // Fires inside one of the cycle's waits for the Reader (timer ticks
        // reach no command then, but this one is the test's own).
        std::function<void()> duringWait = [&] {
            if (!w.Busy()) {
                QTimer::singleShot(20, &w, duringWait);
                return;
            }
            oneEnabledDuringWait = one->isEnabled();
            for (int i = 0; i < 3; ++i) QTest::mouseClick(one, Qt::LeftButton);
            for (int i = 0; i < 2; ++i) QTest::keyClick(one, Qt::Key_Return);
            auto* arrows = static_cast<SpinArrows*>(w.Control(MainControl::NextSpin));
            QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
            QTest::mouseClick(w.Control(MainControl::Read), Qt::LeftButton);
            pressesDuringWait = 1;
        };
        QTimer::singleShot(50, &w, duringWait);
        QTest::mouseClick(one, Qt::LeftButton);
        QVERIFY(!one->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(CountOf(reader.CommandLog(), "LD 1") == 1 && !w.Busy(), kWait);
        QCOMPARE(pressesDuringWait, 1);
        QVERIFY(!oneEnabledDuringWait);
        // Time for anything queued to come out: nothing does.
        QTest::qWait(500);
        const std::vector<std::string> log = reader.CommandLog();
        QCOMPARE(CountOf(log, "WD 1 3030303541414141"), std::size_t{1});
        QCOMPARE(CountOf(log, "LD 1"), std::size_t{1});
        QCOMPARE(CountOf(log, "RD 1"), std::size_t{0});
        QCOMPARE(w.Model().carrierId.nextText, std::string("6"));
        QVERIFY(one->isEnabled());
        QVERIFY(boxes.shown.empty());
    }
};

QTEST_MAIN(MainWindowReaderTest)
#include "MainWindowReaderTest.moc"
