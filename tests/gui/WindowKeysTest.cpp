// The main window's keys and its end: Escape never ends the station, F5 is
// "  One", the close question while the station works, and the window's
// place kept in the settings file.

#include <QAction>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

// Automatic mode on a counter set, without a port.
MainWindow& StartAutomatic(StationDir& dir) {
    dir.Write("Line.ini", CounterSetIni(""));
    dir.Write("Tagwright.ini", StationIni("", 1, "Line", "Carrier ID Max=20\r\n"));
    return dir.Start();
}

}  // namespace

class WindowKeysTest : public QObject {
    Q_OBJECT
private slots:
    void escapeNeverEndsTheStation() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        MainWindow& w = StartAutomatic(dir);
        QVERIFY(ShowActive(w));
        for (MainControl c : {MainControl::One, MainControl::HexButton, PageField(3)}) {
            w.Control(c)->setFocus(Qt::TabFocusReason);
            QTest::keyClick(w.Control(c), Qt::Key_Escape);
            QVERIFY(!w.Ended() && w.isVisible());
        }
    }

    void f5RunsOne_data() {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("continuous");
        QTest::addColumn<bool>("runs");
        QTest::newRow("automatic") << true << false << true;
        QTest::newRow("manual: no One") << false << false << false;
        QTest::newRow("continuous: One disabled") << true << true << false;
    }
    void f5RunsOne() {
        QFETCH(bool, automatic);
        QFETCH(bool, continuous);
        QFETCH(bool, runs);
        StationDir dir;
        ScopedMessageBoxes boxes;
        MainWindow& w = automatic ? StartAutomatic(dir) : dir.Start();
        QVERIFY(ShowActive(w));
        if (continuous) w.Control(MainControl::One)->setEnabled(false);
        w.Control(MainControl::HexButton)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(&w, Qt::Key_F5);
        QCOMPARE(w.Model().run.oneRequested, runs);
        w.Model().run.oneRequested = false;
    }

    void closeAsksWhileTheStationWorks_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("continuous");
        QTest::addColumn<bool>("asked");
        for (const char* how : {"exit", "close"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, idle").arg(how))) << how << false << false;
            QTest::newRow(qPrintable(QStringLiteral("%1, continuous").arg(how)))
                << how << true << true;
        }
    }
    void closeAsksWhileTheStationWorks() {
        QFETCH(QString, how);
        QFETCH(bool, continuous);
        QFETCH(bool, asked);
        StationDir dir;
        ScopedMessageBoxes boxes;
        MainWindow& w = StartAutomatic(dir);
        QVERIFY(ShowActive(w));
        boxes.Answer({MsgAnswer::No, MsgAnswer::Yes});
        w.Model().run.continuousMode = continuous;
        auto close = [&] {
            if (how == "exit") {
                w.Action(MainWindow::MenuItem::Exit)->trigger();
            } else {
                w.close();
            }
        };
        close();
        if (asked) {
            QVERIFY(!w.Ended());  // No
            QCOMPARE(boxes.shown.back().buttons, MsgButtons::YesNo);
            QCOMPARE(boxes.shown.back().text,
                     std::string("Continuous mode is on. Close Tagwright anyway?"));
            close();  // Yes
        }
        QVERIFY(w.Ended());
    }

    void characterNoByteCanHoldIsRefused() {
        StationDir dir;
        dir.Write("Tagwright.ini", StationIni("", 0, "", "[Data]\r\nFormat=1\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));
        const std::size_t before = boxes.shown.size();
        const QString typed = QString::fromUtf8("Pr\u20AC is 5");
        // Typed as a keyboard with that key would: the test's own key
        // clicks carry Latin-1 only.
        EditOf(w, PageField(4))->setFocus(Qt::OtherFocusReason);
        EditOf(w, PageField(4))->setText(typed);
        QTest::keyClick(w.Control(PageField(4)), Qt::Key_Return);
        QCOMPARE(boxes.shown.size(), before + 1);
        QVERIFY(boxes.shown.back().text.find("U+20AC") != std::string::npos);
        QCOMPARE(EditOf(w, PageField(4))->BackgroundColour(), QColor(255, 0, 0));
        QCOMPARE(EditOf(w, PageField(4))->text(), typed);
        // Another command shows the fields again: the character stays.
        QTest::mouseClick(w.Control(MainControl::ReadUid), Qt::LeftButton);
        QCOMPARE(EditOf(w, PageField(4))->text(), typed);
        QVERIFY(!w.Model().image.pageCommitted);
    }

    void placeIsKept() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        MainWindow& first = dir.Start();
        first.move(40, 30);
        first.Action(MainWindow::MenuItem::Exit)->trigger();
        const WindowPlace kept = LoadWindowPlace(dir.Settings());
        QVERIFY(kept.known);
        QCOMPARE(QPoint(kept.left, kept.top), QPoint(40, 30));
        QCOMPARE(QSize(kept.width, kept.height), QSize(799, 461));
        dir.window.reset();
        MainWindow& second = dir.Start();
        QCOMPARE(second.pos(), QPoint(40, 30));
        QCOMPARE(second.size(), QSize(799, 461));
    }
};

QTEST_MAIN(WindowKeysTest)
#include "WindowKeysTest.moc"
