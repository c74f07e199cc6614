// The main window against the virtual Reader: the terminal round trip, timer
// work held back while an operation waits for the Reader, and one programming
// cycle through the real button and timers.

#include <QAction>
#include <QPlainTextEdit>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
#include "reader-sim/VirtualReader.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

constexpr int kWait = 20000;

std::string PageText(const sim::Transponder& t, int page) {
    const auto& bytes = t.pages.at(static_cast<std::size_t>(page - 1));
    return std::string(bytes.begin(), bytes.end());
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
        CZB48Dlg& w = dir.Start();
        QVERIFY(boxes.shown.empty());  // the port opened
        QVERIFY(ShowActive(w));
        w.Action(CZB48Dlg::MenuItem::ShowTerminal)->trigger();
        QWidget* command = w.Control(MainControl::TerminalCommand);
        auto* traffic = static_cast<QPlainTextEdit*>(w.Control(MainControl::Traffic));

        TypeInto(command, QStringLiteral("RUID"), Qt::Key_Return);
        QVERIFY(reader.WaitForCommands(1, std::chrono::milliseconds(kWait)));
        QCOMPARE(reader.CommandLog().at(0), std::string("RUID"));
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(), QStringLiteral("1A2B3C4D\n"), kWait);
        // The command stays, selected, to be replaced by the next one.
        QCOMPARE(EditOf(w, MainControl::TerminalCommand)->selectedText(), QStringLiteral("RUID"));

        w.Action(CZB48Dlg::MenuItem::ClearTerminal)->trigger();
        QVERIFY(traffic->toPlainText().isEmpty());

        // The operator's notes stay below lines that come in, on their own or
        // after a command; 8-bit bytes show as their Latin-1 characters.
        traffic->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(traffic, QStringLiteral("note"));
        reader.SendUnsolicited("Gr\xFC\xDF\r");
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(), QStringLiteral("Gr\u00FC\u00DF\nnote"),
                                  kWait);
        QCOMPARE(w.Model().traffic.Text(), std::string("Gr\xFC\xDF\r\nnote"));
        TypeInto(command, QStringLiteral("RUID"), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(),
                                  QStringLiteral("1A2B3C4D\nGr\u00FC\u00DF\nnote"), kWait);

        // A message left for the message timer must not pop up while an
        // operation still waits for the Reader: the tick that comes meanwhile
        // is skipped, a later one shows it.
        reader.SetReplyDelay(std::chrono::milliseconds(400));
        Station& s = w.Model();
        bool busyWhenShown = true;
        int shown = 0;
        const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageRequest&) {
            busyWhenShown = s.port.readBusy || s.port.writeBusy;
            ++shown;
            return MsgAnswer::Ok;
        });
        bool leftDuringWait = false;
        QTimer::singleShot(100, &w, [&] {
            s.pendingMessage = "later";
            leftDuringWait = static_cast<bool>(s.port.readBusy);
        });
        QTest::mouseClick(w.Control(MainControl::ReadUid), Qt::LeftButton);
        QVERIFY(leftDuringWait);  // the click returns when the operation has ended
        QCOMPARE(EditOf(w, MainControl::Uid)->text(), QStringLiteral("1A2B3C4D"));
        QTRY_COMPARE_WITH_TIMEOUT(shown, 1, kWait);
        SetMessageBoxHandler(previous);
        QVERIFY(!busyWhenShown);
    }

    // "  One" in counter mode: the carrier ID goes to the transponder and
    // the counter advances; the cycle runs from the window's own timer.
    void oneCycleWithCounter() {
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        StationDir dir;
        dir.Write("Line.ini", SetIni("7", 8, false, {{2, "4142434445464748"}}));
        dir.Write("Tagwright.ini",
                  StationIni(reader.SlavePath(), 1, "Line", "Carrier ID Max=100\r\n"));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));

        QTest::mouseClick(w.Control(MainControl::One), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(EditOf(w, MainControl::NextField)->text(), QStringLiteral("8"),
                                  kWait);
        QVERIFY2(boxes.shown.empty(), boxes.shown.empty() ? "" : boxes.shown[0].text.c_str());
        const sim::Transponder t = reader.GetTransponder();
        QCOMPARE(PageText(t, 1), std::string("00000007"));
        QCOMPARE(PageText(t, 2), std::string("ABCDEFGH"));
        QCOMPARE(EditOf(w, PageField(1))->BackgroundColour(), QColor(0, 255, 0));
        // After the cycle the focus goes to the first page marked Edit.
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), w.Control(PageField(3)), kWait);
    }
};

QTEST_MAIN(MainWindowReaderTest)
#include "MainWindowReaderTest.moc"
