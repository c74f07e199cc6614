// The main window without a Reader: how it shows each mode, the keys, boxes
// and arrows wired to the station, its sizes, and the settings written once
// at every kind of end, also when the program gets SIGTERM or SIGINT.

#include <signal.h>

#include <algorithm>
#include <csignal>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
#include "core/domain/PageCodec.h"
#include "gui/controls/Text.h"
#include "gui/main/SpinArrows.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

constexpr int kWait = 15000;

bool AllShown(MainWindow& w, std::initializer_list<MainControl> controls, bool shown = true) {
    return std::all_of(controls.begin(), controls.end(),
                       [&](MainControl c) { return w.Control(c)->isVisibleTo(&w) == shown; });
}

bool ShowsImage(MainWindow& w, MainControl c, const QPixmap& image) {
    return SameImage(static_cast<ImageButton*>(w.Control(c))->Image(), image);
}

QString TextOf(MainWindow& w, MainControl c) { return EditOf(w, c)->text(); }

void Click(MainWindow& w, MainControl c) { QTest::mouseClick(w.Control(c), Qt::LeftButton); }

void ClickArrow(MainWindow& w, MainControl spin, bool up) {
    auto* arrows = static_cast<SpinArrows*>(w.Control(spin));
    QTest::mouseClick(up ? arrows->UpButton() : arrows->DownButton(), Qt::LeftButton);
}

void Type(MainWindow& w, MainControl c, const QString& text, Qt::Key key = Qt::Key_unknown) {
    TypeInto(w.Control(c), text, key);
}

// Automatic mode on a counter set: ID 5 of 4 digits at byte 0, max 20; page 3
// holds "Demo 001" and is marked Edit, every other byte is 00.
MainWindow& StartAutomatic(StationDir& dir) {
    dir.Write("Line.ini", CounterSetIni("[Transponder type]\r\nTI=1\r\n[Pages 3-17]\r\n"
                                        "Write Pages 3-17=1\r\n",
                                        17, {{3, "Edit Page 3=1"}}, {{3, "44656D6F20303031"}}));
    dir.Write("Tagwright.ini", StationIni("", 1, "Line", "Carrier ID Max=20\r\n"));
    return dir.Start();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Manual mode in ASCII form: 8-bit page texts show as their Latin-1
    // characters and go back to the file byte for byte.
    void manualMode() {
        StationDir dir;
        const std::string page1("Hi\xE4\xFF\x80-\xA9z");
        dir.Write("Tagwright.ini",
                  StationIni("", 0, "", "[Data]\r\nFormat=1\r\nP1=" + page1 + "\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();

        QCOMPARE(boxes.shown.size(), std::size_t{1});  // the empty port name
        QCOMPARE(w.windowTitle(), QStringLiteral("Tagwright"));
        QCOMPARE(w.size(), QSize(799, 461));
        QCOMPARE(TextOf(w, PageField(1)), ByteFieldText(page1));  // 0x80 shown visibly
        using enum MainControl;
        QVERIFY(AllShown(w, {One, NextField, StatusField, ContOn, Traffic}, false));
        QVERIFY(AllShown(w, {Read, Write, ReadUid, CarrierId, Uid}));
        QVERIFY(ShowsImage(w, ManualButton, ChoiceImage(true)));
        QVERIFY(ShowsImage(w, AsciiButton, ChoiceImage(true)));

        QAction* terminal = w.Action(MainWindow::MenuItem::ShowTerminal);
        terminal->trigger();
        QCOMPARE(w.size(), QSize(1120, 461));
        QVERIFY(terminal->isChecked() && AllShown(w, {Traffic, Send, TerminalCommand}));
        terminal->trigger();
        QCOMPARE(w.size(), QSize(799, 461));

        QVERIFY(ShowActive(w));
        // A refused text turns red; the message comes from the timer.
        Type(w, PageField(4), QStringLiteral("AB"), Qt::Key_Return);
        QCOMPARE(EditOf(w, PageField(4))->BackgroundColour(), QColor(255, 0, 0));
        QCOMPARE(boxes.shown.size(), std::size_t{2});
        QCOMPARE(boxes.shown[1].text, PageCodec::PageTextMessage(4, PageFormat::Ascii));
        QTRY_VERIFY_WITH_TIMEOUT(!w.Model().image.pageCommitted, kWait);

        Click(w, SelectAll);
        for (int p = 1; p <= 17; ++p) QVERIFY(ShowsImage(w, SelectBox(p), SelectBoxImage(true)));
        // Clearing one page clears "all" but not its picture.
        Click(w, SelectBox(5));
        QVERIFY(ShowsImage(w, SelectBox(5), SelectBoxImage(false)));
        QVERIFY(ShowsImage(w, SelectAll, SelectBoxImage(true)));

        w.Action(MainWindow::MenuItem::Exit)->trigger();
        QCOMPARE(dir.Settings().Get("Data", "P1"), page1);
        QCOMPARE(dir.Settings().Get("Data", "Format"), std::string("1"));
    }

    void automaticMode() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        MainWindow& w = StartAutomatic(dir);
        QVERIFY(ShowActive(w));
        using enum MainControl;
        QCOMPARE(static_cast<QLabel*>(w.Control(StatusField))->text(), QStringLiteral("Line"));
        QCOMPARE(TextOf(w, NextField) + "/" + TextOf(w, MaxField), QStringLiteral("5/20"));
        QVERIFY(AllShown(w, {One, NextField, MaxField}) && w.Control(One)->isEnabled());
        QVERIFY(AllShown(w, {Read, CarrierIdFieldLabel}, false));
        EnterEdit* page4 = EditOf(w, PageField(4));
        QCOMPARE(TextOf(w, PageField(3)), QStringLiteral("44 65 6D 6F 20 30 30 31"));
        QVERIFY(w.Control(PageField(3))->isEnabled() && !page4->isEnabled());
        QCOMPARE(page4->BackgroundColour(), QColor(240, 240, 240));
        QVERIFY(!w.Control(SelectBox(1))->isEnabled());

        // The arrows count and compose pages 1 and 2.
        ClickArrow(w, NextSpin, true);
        ClickArrow(w, MaxSpin, true);
        QCOMPARE(TextOf(w, NextField) + "/" + TextOf(w, MaxField), QStringLiteral("6/21"));
        QCOMPARE(TextOf(w, PageField(1)), QStringLiteral("30 30 30 36 00 00 00 00"));

        // Enter outside the fields is the OK command: focus to "  One", and
        // the window stays.
        QWidget* hex = w.Control(HexButton);
        hex->setFocus(Qt::TabFocusReason);
        QTest::keyClick(hex, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w.Control(One));
        QVERIFY(!w.Ended() && w.isVisible());

        Click(w, ManualButton);
        QVERIFY(page4->isEnabled());
        QCOMPARE(page4->BackgroundColour(), QColor(Qt::white));
        QVERIFY(AllShown(w, {NextField}, false) && AllShown(w, {Read}));
        QVERIFY(ShowsImage(w, ConfigButton, ChoiceImage(false)));

        w.Action(MainWindow::MenuItem::Exit)->trigger();
        QVERIFY(w.Ended());
    }

    // Every end takes the fields and writes the settings, and only once.
    void endsWriteSettingsOnce_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"exit", "close", "destroy"}) QTest::newRow(how) << how;
    }
    void endsWriteSettingsOnce() {
        QFETCH(QString, how);
        StationDir dir;
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));
        Type(w, PageField(1), QStringLiteral("AA BB"));  // typed, not confirmed
        Type(w, MainControl::CarrierIdLength, QStringLiteral("6"));
        w.Control(MainControl::Read)->setFocus(Qt::TabFocusReason);

        if (how == "exit") w.Action(MainWindow::MenuItem::Exit)->trigger();
        if (how == "close") QVERIFY(w.close());
        if (how == "destroy") dir.window.reset();
        if (dir.window) QVERIFY(w.Ended());
        QCOMPARE(dir.Settings().Get("Data", "P1"), std::string("AA BB"));
        QCOMPARE(dir.Settings().Get("Manual", "Carrier ID Length"), std::string("6"));

        dir.Write("Tagwright.ini", "[Data]\r\nP1=later\r\n");
        if (dir.window) {
            w.Action(MainWindow::MenuItem::Exit)->trigger();
            w.close();
            w.RequestClose();
            dir.window.reset();
        }
        QCOMPARE(dir.Settings().Get("Data", "P1"), std::string("later"));
    }

    // The program itself, ended by a signal while its first message box
    // (the port) is still open.
    void signalEndsTheProgram_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void signalEndsTheProgram() {
        QFETCH(int, signalNumber);
        const QString program = QCoreApplication::applicationDirPath() + "/tagwright";
        if (!QFileInfo::exists(program)) QSKIP("the program is not built beside the tests");
        StationDir dir;
        dir.Write("Tagwright.ini",
                  "[Data]\r\nP5=kept\r\nP5Default=12\r\n[Auto]\r\nSelectConfig=2\r\n");

        QProcess process;
        process.setWorkingDirectory(dir.Path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        // The signal stays pending until the program has its handlers.
        process.setChildProcessModifier([signalNumber] {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, signalNumber);
            ::sigprocmask(SIG_BLOCK, &set, nullptr);
        });
        process.start(program, {});
        QVERIFY(process.waitForStarted(kWait));
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        QVERIFY(process.waitForFinished(kWait));
        QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
        const IniFile ini = dir.Settings();
        QCOMPARE(ini.Get("Data", "P5") + ini.Get("Data", "P5Default"), std::string("kept12"));
        QCOMPARE(ini.Get("Auto", "SelectConfig"), std::string("0"));
        QCOMPARE(ini.Get("Interface", "Flowcontrol"), std::string("No"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
