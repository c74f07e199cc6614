// The terminal pane of the main window: the traffic field keeps the newest
// lines within the bound, shows time stamps on request, and the command
// field walks back through what was sent.

#include <QAction>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

QPlainTextEdit* TrafficOf(MainWindow& w) {
    return static_cast<QPlainTextEdit*>(w.Control(MainControl::Traffic));
}

QString FirstLine(MainWindow& w) { return TrafficOf(w)->document()->firstBlock().text(); }

// Lines "line N" for N in [from, to), as the receiver would put them.
void PutLines(MainWindow& w, int from, int to) {
    for (int n = from; n < to; ++n) {
        w.Model().reader.traffic.PutOnTop("line " + std::to_string(n) + "\r\n");
    }
}

// Any command shows the fields, the traffic with them; Send does no more
// with the port closed.
void ShowFields(MainWindow& w) {
    QTest::mouseClick(w.Control(MainControl::Send), Qt::LeftButton);
}

// A station without a port, its terminal pane shown, its message boxes
// caught by the test.
MainWindow& OpenWithTerminal(StationDir& dir) {
    dir.Write("Tagwright.ini", StationIni("", 0, ""));
    MainWindow& w = dir.Start();
    w.Action(MainWindow::MenuItem::ShowTerminal)->trigger();
    return w;
}

struct TerminalShown {
    StationDir dir;
    ScopedMessageBoxes boxes;
    MainWindow& window = OpenWithTerminal(dir);
};

}  // namespace

class TerminalPaneTest : public QObject {
    Q_OBJECT
private slots:
    void trafficKeepsTheNewestLines() {
        TerminalShown station;
        MainWindow& w = station.window;
        QVERIFY(ShowActive(w));

        PutLines(w, 0, 10);
        ShowFields(w);
        QCOMPARE(FirstLine(w), QStringLiteral("line 9"));
        QCOMPARE(TrafficOf(w)->document()->blockCount(), 11);  // and the empty last line

        const int bound = static_cast<int>(w.Model().reader.traffic.Bound());
        PutLines(w, 10, bound + 500);
        ShowFields(w);
        QTextDocument* document = TrafficOf(w)->document();
        QCOMPARE(document->blockCount(), bound + 1);
        QCOMPARE(FirstLine(w), QStringLiteral("line %1").arg(bound + 499));
        QCOMPARE(document->findBlockByNumber(bound - 1).text(), QStringLiteral("line 500"));
        QCOMPARE(w.Model().reader.traffic.LineCount(), static_cast<std::size_t>(bound));

        // Time stamps: shown in front of every line, taken away again.
        QAction* stamps = w.Action(MainWindow::MenuItem::TrafficTimestamps);
        stamps->trigger();
        const QRegularExpression stamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d line "));
        QVERIFY(stamped.match(FirstLine(w)).hasMatch());
        QVERIFY(TrafficOf(w)->isReadOnly());
        PutLines(w, 0, 1);
        ShowFields(w);
        QVERIFY(stamped.match(FirstLine(w)).hasMatch());
        QCOMPARE(TrafficOf(w)->document()->blockCount(), bound + 1);
        stamps->trigger();
        QCOMPARE(FirstLine(w), QStringLiteral("line 0"));
        QVERIFY(!TrafficOf(w)->isReadOnly());
    }

    void operatorEditsAreKept() {
        TerminalShown station;
        MainWindow& w = station.window;
        QVERIFY(ShowActive(w));
        PutLines(w, 0, 2);
        ShowFields(w);
        TrafficOf(w)->setPlainText(QStringLiteral("note\n"));
        TrafficOf(w)->document()->setModified(true);
        PutLines(w, 2, 3);  // came while the operator typed
        ShowFields(w);
        QCOMPARE(w.Model().reader.traffic.Text(), std::string("line 2\r\nnote\r\n"));
        QCOMPARE(TrafficOf(w)->toPlainText(), QStringLiteral("line 2\nnote\n"));
    }

    void commandHistory() {
        TerminalShown station;
        MainWindow& w = station.window;
        QVERIFY(ShowActive(w));
        QWidget* command = w.Control(MainControl::TerminalCommand);
        TypeInto(command, QStringLiteral("RUID"), Qt::Key_Return);
        TypeInto(command, QStringLiteral("VER"), Qt::Key_Return);
        auto* edit = EditOf(w, MainControl::TerminalCommand);
        const struct {
            Qt::Key key;
            const char* shown;
        } steps[] = {{Qt::Key_Up, "VER"}, {Qt::Key_Up, "RUID"}, {Qt::Key_Up, "RUID"},
                     {Qt::Key_Down, "VER"}, {Qt::Key_Down, ""}};
        for (const auto& step : steps) {
            QTest::keyClick(command, step.key);
            QCOMPARE(edit->text(), QString::fromLatin1(step.shown));
        }
    }
};

QTEST_MAIN(TerminalPaneTest)
#include "TerminalPaneTest.moc"
