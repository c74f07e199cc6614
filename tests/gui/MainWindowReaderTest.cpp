// The main window against the virtual Reader: the terminal round trip, and
// timer work held back while an operation waits for the Reader.

#include <QAction>
#include <QPlainTextEdit>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
#include "reader-sim/VirtualReader.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

constexpr int kWait = 20000;

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
};

QTEST_MAIN(MainWindowReaderTest)
#include "MainWindowReaderTest.moc"
