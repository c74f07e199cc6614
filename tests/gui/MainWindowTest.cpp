// The main window without a Reader: how it shows each mode, the keys, boxes
// and arrows wired to the station, its sizes and place, the close question,
// the terminal pane, and the settings written once at every kind of end,
// also when the program gets SIGTERM or SIGINT.

#include <signal.h>

#include <algorithm>
#include <csignal>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTextBlock>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
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

QTextDocument* Traffic(MainWindow& w) {
    return static_cast<QPlainTextEdit*>(w.Control(MainControl::Traffic))->document();
}

// Lines "line N" for N in [from, to), as the receiver would put them; then a
// command (Send does no more with the port closed) shows them.
void PutLines(MainWindow& w, int from, int to) {
    for (int n = from; n < to; ++n) {
        w.Model().reader.traffic.PutOnTop("line " + std::to_string(n) + "\r\n");
    }
    Click(w, MainControl::Send);
}

// Automatic mode on a counter set: ID 5 of 4 digits at byte 0, max 20; page 3
// holds "Demo 001" and is marked Edit, every other byte is 00.
MainWindow& StartAutomatic(StationDir& dir) {
    dir.Write("Line.ini",
              SetIni("Decimal counter=1\r\n",
                     "[Transponder type]\r\nTI=1\r\n[Pages 3-17]\r\nWrite Pages 3-17=1\r\n", 17,
                     {{3, "Edit Page 3=1"}}, {{3, "44656D6F20303031"}}));
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
                  StationIni("", 0, "", "[Data]\r\nFormat=1\r\nP1=" + page1 +
                                            "\r\n[Window]\r\nLeft=40\r\nTop=30\r\n"
                                            "Width=799\r\nHeight=461\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();

        QCOMPARE(boxes.shown.size(), std::size_t{1});  // the empty port name
        QCOMPARE(w.windowTitle(), QStringLiteral("Tagwright"));
        QCOMPARE(QRect(w.pos(), w.size()), QRect(40, 30, 799, 461));  // the place kept
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
        QTest::keyClick(&w, Qt::Key_F5);  // no "  One" here
        QVERIFY(!w.Model().run.oneRequested);
        // A character no byte can hold turns the field red and is named; it
        // stays when another command shows the fields again. Set directly:
        // the test's own key clicks carry Latin-1 only.
        EnterEdit* page4 = EditOf(w, PageField(4));
        const QString typed = QString::fromUtf8("Pr\u20AC is 5");
        page4->setFocus(Qt::OtherFocusReason);
        page4->setText(typed);
        QTest::keyClick(page4, Qt::Key_Return);
        QCOMPARE(page4->BackgroundColour(), QColor(255, 0, 0));
        QCOMPARE(boxes.shown.size(), std::size_t{2});
        QVERIFY(boxes.shown.back().text.find("U+20AC") != std::string::npos);
        Click(w, ReadUid);
        QCOMPARE(page4->text(), typed);
        QTRY_VERIFY_WITH_TIMEOUT(!w.Model().image.pageCommitted, kWait);

        Click(w, SelectAll);
        for (int p = 1; p <= 17; ++p) QVERIFY(ShowsImage(w, SelectBox(p), SelectBoxImage(true)));
        Click(w, SelectBox(5));
        QVERIFY(ShowsImage(w, SelectBox(5), SelectBoxImage(false)));

        w.Action(MainWindow::MenuItem::Exit)->trigger();
        QCOMPARE(dir.Settings().Get("Data", "P1"), page1);
        QCOMPARE(dir.Settings().Get("Data", "Format"), std::string("1"));
        // The refused page is kept as typed, and the next start shows it so.
        QCOMPARE(dir.Settings().Get("Data", "P4"), typed.toStdString());
        QCOMPARE(dir.Settings().Get("Data", "P4 UTF-8"), std::string("1"));
        QCOMPARE(EditOf(dir.Start(), PageField(4))->text(), typed);
    }

    void automaticMode() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        MainWindow& w = StartAutomatic(dir);
        QVERIFY(ShowActive(w));
        using enum MainControl;
        QCOMPARE(static_cast<QLabel*>(w.Control(StatusField))->text(), QStringLiteral("Line"));
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

        // Enter outside the fields is the OK command: focus to "  One".
        // Neither it nor Escape ends the station.
        QWidget* hex = w.Control(HexButton);
        hex->setFocus(Qt::TabFocusReason);
        QTest::keyClick(hex, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w.Control(One));
        QTest::keyClick(w.Control(One), Qt::Key_Escape);
        QVERIFY(!w.Ended() && w.isVisible());
        // F5 is "  One" only while the button can be pressed.
        w.Control(One)->setEnabled(false);
        QTest::keyClick(&w, Qt::Key_F5);
        QVERIFY(!w.Model().run.oneRequested);

        Click(w, ManualButton);
        QVERIFY(page4->isEnabled());
        QCOMPARE(page4->BackgroundColour(), QColor(Qt::white));
        QVERIFY(AllShown(w, {NextField}, false) && AllShown(w, {Read}));
        QVERIFY(ShowsImage(w, ConfigButton, ChoiceImage(false)));
    }

    // Every end takes the fields and writes the settings and the window's
    // place, and only once; while continuous mode is on, it asks first.
    void endsWriteSettingsOnce_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("continuous");
        for (const char* how : {"exit", "close", "destroy"}) QTest::newRow(how) << how << false;
        QTest::newRow("exit, continuous") << "exit" << true;
        QTest::newRow("close, continuous") << "close" << true;
    }
    void endsWriteSettingsOnce() {
        QFETCH(QString, how);
        QFETCH(bool, continuous);
        StationDir dir;
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));
        Type(w, PageField(1), QStringLiteral("AA BB"));  // typed, not confirmed
        Type(w, MainControl::CarrierIdLength, QStringLiteral("6"));
        w.Control(MainControl::Read)->setFocus(Qt::TabFocusReason);
        w.move(40, 30);
        w.Model().run.continuousMode = continuous;
        boxes.Answer({MsgAnswer::No, MsgAnswer::Yes});
        const std::size_t before = boxes.shown.size();  // the empty port name
        for (int i = 0; i < (continuous ? 2 : 1); ++i) {
            QVERIFY(!w.Ended());  // No
            if (how == "exit") w.Action(MainWindow::MenuItem::Exit)->trigger();
            if (how == "close") w.close();
            if (how == "destroy") dir.window.reset();
        }
        if (dir.window) QVERIFY(w.Ended());
        QCOMPARE(boxes.shown.size() - before, std::size_t{continuous ? 2u : 0u});
        if (continuous) {
            QCOMPARE(boxes.shown.back().buttons, MsgButtons::YesNo);
            QCOMPARE(boxes.shown.back().text,
                     std::string("Continuous mode is on. Close Tagwright anyway?"));
        }
        QCOMPARE(dir.Settings().Get("Data", "P1"), std::string("AA BB"));
        QCOMPARE(dir.Settings().Get("Manual", "Carrier ID Length"), std::string("6"));
        if (dir.window) {  // the window's own ends keep its place
            const WindowPlace kept = LoadWindowPlace(dir.Settings());
            QCOMPARE(QRect(kept.left, kept.top, kept.width, kept.height), QRect(40, 30, 799, 461));
        }

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

    // The traffic field keeps the newest lines within the bound, shows time
    // stamps on request, and the command field walks back through what was sent.
    void terminalPane() {
        StationDir dir;
        dir.Write("Tagwright.ini", StationIni("", 0, ""));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        w.Action(MainWindow::MenuItem::ShowTerminal)->trigger();
        QVERIFY(ShowActive(w));
        PutLines(w, 0, 10);
        const int bound = static_cast<int>(w.Model().reader.traffic.Bound());
        PutLines(w, 10, bound + 500);
        QCOMPARE(Traffic(w)->blockCount(), bound + 1);  // and the empty last line
        QCOMPARE(Traffic(w)->firstBlock().text(), QStringLiteral("line %1").arg(bound + 499));
        QCOMPARE(Traffic(w)->findBlockByNumber(bound - 1).text(), QStringLiteral("line 500"));
        QCOMPARE(w.Model().reader.traffic.LineCount(), static_cast<std::size_t>(bound));

        QAction* stamps = w.Action(MainWindow::MenuItem::TrafficTimestamps);
        stamps->trigger();
        const QRegularExpression stamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d line "));
        QVERIFY(stamped.match(Traffic(w)->firstBlock().text()).hasMatch());
        QVERIFY(static_cast<QPlainTextEdit*>(w.Control(MainControl::Traffic))->isReadOnly());
        PutLines(w, 0, 1);
        QVERIFY(stamped.match(Traffic(w)->firstBlock().text()).hasMatch());
        QCOMPARE(Traffic(w)->blockCount(), bound + 1);
        stamps->trigger();
        QCOMPARE(Traffic(w)->firstBlock().text(), QStringLiteral("line 0"));
        QVERIFY(!static_cast<QPlainTextEdit*>(w.Control(MainControl::Traffic))->isReadOnly());

        QWidget* command = w.Control(MainControl::TerminalCommand);
        TypeInto(command, QStringLiteral("RUID"), Qt::Key_Return);
        TypeInto(command, QStringLiteral("VER"), Qt::Key_Return);
        QString walked;
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down}) {
            QTest::keyClick(command, key);
            walked += TextOf(w, MainControl::TerminalCommand) + "|";
        }
        QCOMPARE(walked, QStringLiteral("VER|RUID|RUID|VER||"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
