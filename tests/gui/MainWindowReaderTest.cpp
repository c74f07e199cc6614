// The main window against the virtual Reader: the terminal round trip, one
// programming cycle through the real button and timers, and timer work held
// back while an operation waits for the Reader.

#include <QAction>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
#include "reader-sim/VirtualReader.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

constexpr int kWait = 20000;

QString FirstLine(const QPlainTextEdit* field) {
    return field->toPlainText().section(QLatin1Char('\n'), 0, 0);
}

std::string PageText(const sim::Transponder& t, int page) {
    const auto& bytes = t.pages.at(static_cast<std::size_t>(page - 1));
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

class MainWindowReaderTest : public QObject {
    Q_OBJECT
private slots:
    void terminalRoundTrip() {
        sim::VirtualReader reader;
        std::string error;
        QVERIFY2(reader.Start(&error), error.c_str());
        StationDir dir;
        dir.Write("Tagwright.ini", StationIni(reader.SlavePath(), 0, ""));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(boxes.shown.empty());  // the port opened
        QVERIFY(ShowActive(w));
        w.Action(CZB48Dlg::MenuItem::ShowTerminal)->trigger();

        CEnterEdit* command = EditOf(w, MainControl::TerminalCommand);
        auto* traffic = static_cast<QPlainTextEdit*>(w.Control(MainControl::Traffic));
        command->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(command, QStringLiteral("RUID"));
        QTest::keyClick(command, Qt::Key_Return);

        QVERIFY(reader.WaitForCommands(1, std::chrono::milliseconds(kWait)));
        QCOMPARE(reader.CommandLog().at(0), std::string("RUID"));
        QTRY_COMPARE_WITH_TIMEOUT(FirstLine(traffic), QStringLiteral("1A2B3C4D"), kWait);
        // The command stays, selected, to be replaced by the next one.
        QCOMPARE(command->selectedText(), QStringLiteral("RUID"));

        // A second answer goes on top of the first.
        QTest::keyClicks(command, QStringLiteral("TOR"));
        QTest::keyClick(command, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(FirstLine(traffic), QStringLiteral("10"), kWait);
        QCOMPARE(traffic->toPlainText(), QStringLiteral("10\n1A2B3C4D\n"));

        w.Action(CZB48Dlg::MenuItem::ClearTerminal)->trigger();
        QVERIFY(traffic->toPlainText().isEmpty());

        // The operator's notes in the field stay below lines that come in,
        // whether they arrive on their own or after a command; 8-bit bytes
        // show as their Latin-1 characters.
        traffic->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(traffic, QStringLiteral("note"));
        reader.SendUnsolicited("Gr\xFC\xDF\r");
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(), QStringLiteral("Gr\u00FC\u00DF\nnote"),
                                  kWait);
        QCOMPARE(w.Model().traffic.Text(), std::string("Gr\xFC\xDF\r\nnote"));
        command->setFocus(Qt::MouseFocusReason);
        command->selectAll();
        QTest::keyClicks(command, QStringLiteral("RUID"));
        QTest::keyClick(command, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(),
                                  QStringLiteral("1A2B3C4D\nGr\u00FC\u00DF\nnote"), kWait);
    }

    // "  One" in counter mode: the carrier ID goes to the transponder and
    // the counter advances; the cycle runs from the window's own timer.
    void oneCycleWithCounter() {
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        StationDir dir;
        SetFile set;
        set.carrierId = "7";
        set.writePages3to17 = false;
        set.pageHex[2] = "4142434445464748";
        set.log = true;
        set.logFile = dir.Path("records.xml").toStdString();
        dir.Write("Line.ini", set.Ini());
        dir.Write("Tagwright.ini",
                  StationIni(reader.SlavePath(), 1, "Line", "Carrier ID Max=100\r\n"));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));
        QCOMPARE(EditOf(w, MainControl::NextField)->text(), QStringLiteral("7"));

        QTest::mouseClick(w.Control(MainControl::One), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(EditOf(w, MainControl::NextField)->text(), QStringLiteral("8"),
                                  kWait);
        QVERIFY2(boxes.shown.empty(), boxes.shown.empty() ? "" : boxes.shown[0].text.c_str());

        const sim::Transponder t = reader.GetTransponder();
        QCOMPARE(PageText(t, 1), std::string("00000007"));
        QCOMPARE(PageText(t, 2), std::string("ABCDEFGH"));
        QCOMPARE(EditOf(w, PageField(1))->BackgroundColour(), QColor(0, 255, 0));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.Path("IntProt_0.txt")), kWait);
        QVERIFY(ReadText(dir.Path("IntProt_0.txt")).find(";One\r\n") != std::string::npos);
        QVERIFY(QFileInfo::exists(dir.Path("records.xml")));
        // After the cycle the focus goes to the first page marked Edit.
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), w.Control(PageField(3)), kWait);

        // The counter goes to the settings' set file only through Config;
        // the next cycle writes the next number.
        QTest::mouseClick(w.Control(MainControl::One), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(EditOf(w, MainControl::NextField)->text(), QStringLiteral("9"),
                                  kWait);
        QCOMPARE(PageText(reader.GetTransponder(), 1), std::string("00000008"));
    }

    // A message left for the message timer must not pop up while an
    // operation still waits for the Reader: the tick that comes meanwhile is
    // skipped, a later one shows it.
    void timerWorkWaitsForTheOperation() {
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        reader.SetReplyDelay(std::chrono::milliseconds(400));
        StationDir dir;
        dir.Write("Tagwright.ini", StationIni(reader.SlavePath(), 0, ""));
        ScopedMessageBoxes outer;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));

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
        // The click returns when the operation has ended.
        QVERIFY(leftDuringWait);
        QCOMPARE(EditOf(w, MainControl::Uid)->text(), QStringLiteral("1A2B3C4D"));
        QTRY_COMPARE_WITH_TIMEOUT(shown, 1, kWait);
        SetMessageBoxHandler(previous);
        QVERIFY(!busyWhenShown);
    }
};

QTEST_MAIN(MainWindowReaderTest)
#include "MainWindowReaderTest.moc"
