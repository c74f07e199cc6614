// The status line against the virtual Reader: the port, the set and its
// source, the count and each cycle's result; after a cycle that stopped
// before writing, the page fields are white and the UID field is empty.

#include <QAction>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
#include "gui/main/StatusLineWidget.h"
#include "reader-sim/VirtualReader.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

constexpr int kWait = 20000;

// F5, then until the cycle tick has run it.
bool PressOne(MainWindow& w) {
    QTest::keyClick(&w, Qt::Key_F5);
    if (!w.Model().run.oneRequested) return false;
    return QTest::qWaitFor([&] { return !w.Model().run.oneRequested; }, kWait);
}

}  // namespace

class StatusLineTest : public QObject {
    Q_OBJECT
private slots:
    void cyclesAndThePort() {
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        StationDir dir;
        // A counter set of a type with a UID, on work order WO-1 of 10 tags.
        dir.Write("Line.ini", CounterSetIni("[Transponder type]\r\nNorvik=1\r\n[Work order Setup]\r\n"
                                            "Work order number=WO-1\r\nQuantity=10\r\n", 17));
        dir.Write("Tagwright.ini",
                  StationIni(reader.SlavePath(), 1, "Line", "Carrier ID Max=20\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));
        StatusLineWidget* line = w.StatusLine();
        const QString port = QString::fromStdString(reader.SlavePath());
        QCOMPARE(line->PortText(), QStringLiteral("Reader %1: open").arg(port));
        QCOMPARE(line->SetText(), QStringLiteral("Set Line (counter)"));
        QCOMPARE(line->ResultText(), QString());

        QVERIFY(PressOne(w));
        QCOMPARE(line->ResultText(), QStringLiteral("Last: programmed"));
        QCOMPARE(line->ResultBackground(), QColor(0, 255, 0));
        QVERIFY(line->CountText().startsWith(QStringLiteral("1 programmed this session")));
        QVERIFY(!EditOf(w, MainControl::Uid)->text().isEmpty());

        // Stopped before writing: the page fields are white, the UID field empty.
        reader.SetPresent(false);
        QVERIFY(PressOne(w));
        QCOMPARE(line->ResultBackground(), QColor(255, 0, 0));
        QCOMPARE(line->ResultText(), QStringLiteral("Last: failed: no transponder on the antenna"));
        QVERIFY(line->CountText().startsWith(QStringLiteral("1 programmed")));
        QVERIFY(EditOf(w, MainControl::Uid)->text().isEmpty());
        for (int p = 1; p <= kPageCount; ++p) {
            const QColor shown = EditOf(w, PageField(p))->BackgroundColour();
            QVERIFY(shown == QColor(Qt::white) || shown == QColor(240, 240, 240));
        }

        reader.HangUp();
        QTRY_VERIFY_WITH_TIMEOUT(w.Model().reader.port.PortLost(), kWait);
        QVERIFY(PressOne(w));
        QCOMPARE(line->PortText(),
                 QStringLiteral("Reader %1: lost, waiting for the device").arg(port));
        // Lost, or closed by a look for the device that came first.
        QVERIFY(line->ResultText().startsWith(QStringLiteral("Last: not run: the port is ")));
    }
};

QTEST_MAIN(StatusLineTest)
#include "StatusLineTest.moc"
