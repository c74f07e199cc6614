// The window's own ways: how it shows each mode, its keys, arrows, boxes and
// sizes; the settings written once at every end, also on a signal; the
// terminal pane; Interface > Settings; a character no byte stands for in any
// field or box refused and kept as typed; a path beyond ASCII shown as it
// is; the record folder handed to the desktop.

#include <signal.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>

#include "../gui/GuiTestSupport.h"
#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/config/ConfigDialog.h"
#include "gui/main/MainWindow.h"
#include "gui/main/SpinArrows.h"
#include "gui/main/StatusLineWidget.h"
#include "gui/reader/InterfaceSettingsDialog.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

using Item = gui::MainWindow::MenuItem;

bool AllShown(WindowRig& s, std::initializer_list<MainControl> controls, bool shown = true) {
    return std::all_of(controls.begin(), controls.end(), [&](MainControl c) {
        return s.Window().Control(c)->isVisibleTo(&s.Window()) == shown;
    });
}

bool Shows(WindowRig& s, MainControl c, const QPixmap& image) {
    return SameImage(static_cast<gui::ImageButton*>(s.Window().Control(c))->Image(), image);
}

QTextDocument* TrafficDoc(WindowRig& s) {
    return static_cast<QPlainTextEdit*>(s.Window().Control(Traffic))->document();
}

// Lines "line N" for N in [from, to), as the receiver would put them; a
// command shows them.
void PutLines(WindowRig& s, int from, int to) {
    for (int n = from; n < to; ++n) {
        s.Window().Model().reader.traffic.PutOnTop("line " + std::to_string(n) + "\r\n");
    }
    s.Click(HexButton);
}

// In the Config window: Cancel first (nothing reaches the station), then a
// name and a field beyond Latin-1 (refused, kept as typed), then the set
// "Line E2E": a counter of 3 tags, its carrier ID 41 at bytes 4-11, records on.
void MakeLineE2E(gui::ConfigDialog& dlg) {
    using C = ConfigControl;
    auto click = [&](C c) { QTest::mouseClick(dlg.Control(c), Qt::LeftButton); };
    auto type = [&](C c, const char* text) { TypeInto(dlg.Edit(c), text, Qt::Key_Return); };
    dlg.NameBox()->setEditText(QString::fromStdString("Line " + kEuro));
    click(C::Save);
    TypeInto(dlg.NameBox()->lineEdit(), QStringLiteral("Line E2E"));
    dlg.Edit(C::WorkOrderNumber)->setText(QString::fromStdString("WO " + kEuro));
    click(C::Save);
    if (dlg.Edit(C::WorkOrderNumber)->text().toStdString() != "WO " + kEuro) return;
    type(C::WorkOrderNumber, "WO-2");
    type(C::Quantity, "3");
    click(C::DecimalCounter);
    click(C::TypeTI);
    type(C::CarrierIdOffset, "4");  // bytes 4-11: the fill clears every other byte
    type(C::CarrierIdLength, "8");
    type(C::CarrierId, "41");
    for (C c : {C::Fill, C::Log, C::LogOpen, C::Save, C::Ok}) click(c);
}

// Stands in for the desktop's file manager while it lives.
class FileOpener : public QObject {
    Q_OBJECT
public:
    FileOpener() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~FileOpener() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;
    Q_INVOKABLE void Open(const QUrl& url) { opened.append(url); }
    QList<QUrl> opened;
};

}  // namespace

class WindowScenariosGui : public QObject {
    Q_OBJECT
private slots:
    // "max" holds a euro sign: "  One" (F5) sends nothing and names the field,
    // which keeps it, and so does the settings file at the end.
    void numberFieldBeyondLatin1() {
        WindowRig s;
        QVERIFY(s.StartAuto());
        s.Paste(MaxField, "1" + kEuro);
        s.Answer("The field \"max\"" + kRefusedEuro + "\r\nNothing was done.");
        s.Key(Qt::Key_F5);
        QVERIFY(s.Settle());
        QVERIFY(s.Traffic().empty());
        QCOMPARE(s.Window().StatusLine()->ResultText(),
                 QStringLiteral("Last: not run: a field holds a character no byte stands for"));

        QCOMPARE(s.Text(MaxField).toStdString(), "1" + kEuro);
        s.Menu("File/Exit");
        QCOMPARE(s.Ini("Tagwright.ini", "Auto", "Carrier ID Max"), "1" + kEuro);
    }

    // A record folder named beyond ASCII: the status line and the message
    // show it as it is; the desktop gets the folder while it is there.
    void recordFolder() {
        WindowRig s;
        const std::string folder = s.Path("r\xC3\xA4ume").string();
        std::filesystem::create_directory(folder);
        std::string set = LineSet(s, kCounter);
        set.replace(set.find("record.xml"), 10, "r\xC3\xA4ume/rows.xml");
        QVERIFY(s.StartAuto(set));
        const QString shown = QString::fromStdString(folder);
        QCOMPARE(s.Window().StatusLine()->RecordFileText(), "Record: " + shown + "/rows.xml");
        FileOpener opener;
        s.Menu("File/Open record folder");
        QCOMPARE(opener.opened, QList<QUrl>{QUrl::fromLocalFile(shown)});
        std::filesystem::remove_all(folder);
        // Messages are in their code page, where "ä" is its Latin-1 byte.
        s.Answer(("The record folder does not exist:\r\n" + shown).toLatin1().toStdString());
        s.Menu("File/Open record folder");
        QVERIFY(s.Settle());
        QCOMPARE(opener.opened.size(), 1);
    }

    // Manual mode in ASCII form, its place kept: 8-bit page texts show as
    // their characters (control bytes as pictures) and go back to the file
    // byte for byte; a refused page is kept as typed, also by the next start.
    void manualMode() {
        WindowRig s;
        const std::string page1("H\x01\xE4\xFF\x80\xA0\x7Fz");
        s.Settings(0, {}, "[Data]\r\nFormat=1\r\nP1=" + page1 + "\r\n[Window]\r\nLeft=40\r\n"
                          "Top=30\r\nWidth=799\r\nHeight=461\r\n");
        QVERIFY(s.Start());
        gui::MainWindow& w = s.Window();
        QCOMPARE(w.windowTitle(), QStringLiteral("Tagwright"));
        QCOMPARE(QRect(w.pos(), w.size()), QRect(40, 30, 799, 461));
        QCOMPARE(s.Text(PageField(1)), QStringLiteral("H\u2401\u00E4\u00FF\u2460\u237D\u2421z"));
        QVERIFY(AllShown(s, {One, NextField, StatusField, ContOn, Traffic}, false));
        QVERIFY(AllShown(s, {Read, Write, ReadUid, CarrierId, Uid}));
        QVERIFY(Shows(s, ManualButton, gui::ChoiceImage(true)) &&
                Shows(s, AsciiButton, gui::ChoiceImage(true)));
        s.Menu("Terminal/Show");
        QVERIFY(w.size() == QSize(1120, 461) && AllShown(s, {Traffic, Send, TerminalCommand}));
        s.Menu("Terminal/Show");
        QCOMPARE(w.size(), QSize(799, 461));
        s.Key(Qt::Key_F5);  // no "  One" here
        QVERIFY(!w.Model().run.oneRequested);

        const std::string typed = "Pr" + kEuro + " is 5";
        s.Paste(PageField(4), typed);
        s.Answer("P4" + kRefusedEuro + kPageNotSent);
        s.Key(Qt::Key_Return);
        s.Click("  read UID");  // shows the fields again
        QVERIFY(s.Settle());
        QVERIFY(s.Colour(PageField(4)) == kRed && s.Text(PageField(4)) == typed.c_str());
        s.Click(SelectAll);
        for (int p = 1; p <= kPageCount; ++p) QVERIFY(Shows(s, SelectBox(p), gui::SelectBoxImage(true)));
        s.Click(SelectBox(5));
        QVERIFY(Shows(s, SelectBox(5), gui::SelectBoxImage(false)));

        s.Menu("File/Exit");
        QVERIFY(s.Ini("Tagwright.ini", "Data", "P1") == page1);
        QVERIFY(s.Ini("Tagwright.ini", "Data", "Format") == "1");
        QVERIFY(s.Ini("Tagwright.ini", "Data", "P4") == typed);
        QVERIFY(s.Ini("Tagwright.ini", "Data", "P4 UTF-8") == "1");
        gui::MainWindow again;
        again.Initialise();
        QCOMPARE(static_cast<QLineEdit*>(again.Control(PageField(4)))->text().toStdString(), typed);
    }

    // Automatic mode: what shows and can be edited, the arrows, Enter, Escape
    // and F5, and the switch to manual mode.
    void automaticMode() {
        WindowRig s;
        QVERIFY(s.StartAuto(SetIni(kCounter, "[Transponder type]\r\nTI=1\r\n[Pages 3-17]\r\n"
                                             "Write Pages 3-17=1\r\n", 17, {{3, "Edit Page 3=1"}},
                                   {{3, "44656D6F20303031"}})));
        gui::MainWindow& w = s.Window();
        QCOMPARE(s.Text(StatusField), QStringLiteral("Line"));
        QVERIFY(AllShown(s, {One, NextField, MaxField}) && w.Control(One)->isEnabled());
        QVERIFY(AllShown(s, {Read, CarrierIdFieldLabel}, false));
        QCOMPARE(s.Text(PageField(3)), QStringLiteral("44 65 6D 6F 20 30 30 31"));
        QVERIFY(w.Control(PageField(3))->isEnabled() && !w.Control(PageField(4))->isEnabled());
        QCOMPARE(s.Colour(PageField(4)), kGrey);
        QVERIFY(!w.Control(SelectBox(1))->isEnabled());

        for (MainControl spin : {NextSpin, MaxSpin}) {
            QTest::mouseClick(static_cast<gui::SpinArrows*>(w.Control(spin))->UpButton(),
                              Qt::LeftButton);
        }
        QCOMPARE(s.Text(NextField) + "/" + s.Text(MaxField), QStringLiteral("6/21"));
        QCOMPARE(s.Text(PageField(1)), QStringLiteral("30 30 30 36 00 00 00 00"));
        // Enter outside the fields is the OK command: focus to "  One".
        // Neither it nor Escape ends the station.
        w.Control(HexButton)->setFocus(Qt::TabFocusReason);
        s.Key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w.Control(One));
        s.Key(Qt::Key_Escape);
        QVERIFY(!w.Ended() && w.isVisible());
        w.Control(One)->setEnabled(false);  // F5 is "  One" only while it can be pressed
        s.Key(Qt::Key_F5);
        QVERIFY(!w.Model().run.oneRequested && s.Settle() && s.Traffic().empty());

        s.Click(ManualButton);
        QVERIFY(w.Control(PageField(4))->isEnabled() && s.Colour(PageField(4)) == Qt::white);
        QVERIFY(AllShown(s, {NextField}, false) && AllShown(s, {Read}));
        QVERIFY(Shows(s, ConfigButton, gui::ChoiceImage(false)));
    }

    // Every end takes the fields and writes the settings and the window's
    // place, and only once; while continuous mode is on, it asks first.
    void endsWriteSettingsOnce() {
        for (const std::string how : {"exit", "close", "destroy", "exit, continuous",
                                      "close, continuous"}) {
            const bool continuous = how.find("continuous") != std::string::npos;
            WindowRig s;
            QVERIFY(s.StartManual());
            gui::MainWindow& w = s.Window();
            s.Type(PageField(1), "AA BB", false);  // typed, not confirmed
            s.Type(CarrierIdLength, "6", false);
            w.Control(Read)->setFocus(Qt::TabFocusReason);
            w.move(40, 30);
            w.Model().run.continuousMode = continuous;
            const std::string question = "Continuous mode is on. Close Tagwright anyway?";
            if (continuous) s.Answer(question, MsgAnswer::No);
            if (continuous) s.Answer(question, MsgAnswer::Yes);
            for (int i = 0; i < (continuous ? 2 : 1) && how != "destroy"; ++i) {
                QVERIFY(!w.Ended());  // No
                how[0] == 'e' ? s.Menu("File/Exit") : void(w.close());
            }
            if (how == "destroy") s.DestroyWindow();
            QVERIFY2(how == "destroy" || (w.Ended() && s.Settle()), how.c_str());
            QVERIFY(s.Ini("Tagwright.ini", "Data", "P1") == "AA BB");
            QVERIFY(s.Ini("Tagwright.ini", "Manual", "Carrier ID Length") == "6");
            if (how == "destroy") continue;
            QVERIFY(s.Ini("Tagwright.ini", "Window", "Left") == "40");
            s.Write("Tagwright.ini", "[Data]\r\nP1=later\r\n");
            s.Menu("File/Exit");
            w.close();
            w.RequestClose();
            s.DestroyWindow();
            QVERIFY(s.Ini("Tagwright.ini", "Data", "P1") == "later");
        }
    }

    // The program itself, ended by a signal while its first message box
    // (the port) is still open: the settings are written all the same.
    void signalEndsTheProgram() {
        const QString program = QCoreApplication::applicationDirPath() + "/tagwright";
        if (!QFileInfo::exists(program)) QSKIP("the program is not built beside the tests");
        for (int signalNumber : {SIGTERM, SIGINT}) {
            ScenarioDir dir;
            dir.Write("Tagwright.ini", "[Data]\r\nP5=kept\r\nP5Default=12\r\n[Auto]\r\n"
                                       "SelectConfig=2\r\n");
            QProcess process;
            process.setWorkingDirectory(QString::fromStdString(dir.Path().string()));
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
            QVERIFY(process.waitForStarted(30000));
            ::kill(static_cast<pid_t>(process.processId()), signalNumber);
            QVERIFY(process.waitForFinished(30000));
            QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
            QVERIFY(dir.Ini("Tagwright.ini", "Data", "P5") == "kept");
            QVERIFY(dir.Ini("Tagwright.ini", "Data", "P5Default") == "12");
            QVERIFY(dir.Ini("Tagwright.ini", "Auto", "SelectConfig") == "0");
            QVERIFY(dir.Ini("Tagwright.ini", "Interface", "Flowcontrol") == "No");
        }
    }

    // The terminal against the Reader: a command no byte holds is refused
    // and kept; a reply shows; notes stay below lines that come in, 8-bit
    // bytes as their Latin-1 characters; Clear. The field keeps the newest
    // lines within the bound, stamps them on request, and the command field
    // walks back through what was sent.
    void terminal() {
        WindowRig s;
        QVERIFY(s.StartManual());
        gui::MainWindow& w = s.Window();
        s.Menu("Terminal/Show");
        auto* traffic = static_cast<QPlainTextEdit*>(w.Control(Traffic));
        s.Paste(TerminalCommand, "R" + kEuro + "D 1");
        s.Answer("The command" + kRefusedEuro + "\r\nNothing was sent.");
        s.Key(Qt::Key_Return);
        QVERIFY(s.Settle() && s.Text(TerminalCommand) == QString::fromStdString("R" + kEuro + "D 1"));
        s.Type(TerminalCommand, "RUID");
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(), QStringLiteral("1A2B3C4D\n"), 30000);
        QVERIFY(SameLines(s.Traffic(), {"RUID"}));
        s.Menu("Terminal/Clear");
        QVERIFY(traffic->toPlainText().isEmpty());
        traffic->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(traffic, QStringLiteral("note"));
        s.reader.SendUnsolicited("Gr\xFC\xDF\r");
        QTRY_COMPARE_WITH_TIMEOUT(traffic->toPlainText(), QStringLiteral("Gr\u00FC\u00DF\nnote"),
                                  30000);
        QCOMPARE(w.Model().reader.traffic.Text(), std::string("Gr\xFC\xDF\r\nnote"));
        s.Menu("Terminal/Clear");
        QVERIFY(traffic->toPlainText().isEmpty());

        PutLines(s, 0, 10);
        const int bound = static_cast<int>(w.Model().reader.traffic.Bound());
        PutLines(s, 10, bound + 500);
        QCOMPARE(TrafficDoc(s)->blockCount(), bound + 1);  // and the empty last line
        QCOMPARE(TrafficDoc(s)->firstBlock().text(), QStringLiteral("line %1").arg(bound + 499));
        QCOMPARE(TrafficDoc(s)->findBlockByNumber(bound - 1).text(), QStringLiteral("line 500"));
        s.Menu("Terminal/Time Stamps");
        const QRegularExpression stamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d line "));
        QVERIFY(stamped.match(TrafficDoc(s)->firstBlock().text()).hasMatch());
        QVERIFY(traffic->isReadOnly());
        PutLines(s, 0, 1);
        QVERIFY(stamped.match(TrafficDoc(s)->firstBlock().text()).hasMatch());
        QCOMPARE(TrafficDoc(s)->blockCount(), bound + 1);
        s.Menu("Terminal/Time Stamps");
        QVERIFY(TrafficDoc(s)->firstBlock().text() == "line 0" && !traffic->isReadOnly());

        s.Type(TerminalCommand, "VER");
        QString walked;
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down}) {
            s.Key(key);
            walked += s.Text(TerminalCommand) + "|";
        }
        QCOMPARE(walked, QStringLiteral("VER|RUID|RUID|VER||"));
    }

    // A slow Reader: the window waits for each reply. A message left for
    // the message timer does not pop up while an operation still waits for
    // the Reader: the tick that comes meanwhile is skipped, a later one
    // shows it.
    void messageWaitsForTheReader() {
        sim::Options slow;
        slow.replyDelay = std::chrono::milliseconds(400);
        WindowRig s(slow);
        QVERIFY(s.StartManual());
        Station& st = s.Window().Model();
        bool busyWhenShown = true;
        int shown = 0;
        const gui::MessageBoxHandler previous = gui::SetMessageBoxHandler([&](const MessageRequest&) {
            busyWhenShown = st.reader.port.readBusy || st.reader.port.writeBusy;
            ++shown;
            return MsgAnswer::Ok;
        });
        bool leftDuringWait = false;
        QTimer::singleShot(100, &s.Window(), [&] {
            st.run.pendingMessage = "later";
            leftDuringWait = static_cast<bool>(st.reader.port.readBusy);
        });
        s.Click("  read UID");
        QVERIFY(leftDuringWait);  // the click returns when the operation has ended
        QCOMPARE(s.Text(Uid), QStringLiteral("1A2B3C4D"));
        QCOMPARE(s.Colour(Uid), kGreen);
        QVERIFY(SameLines(s.Traffic(), {"TOR", "RUID"}));
        QTRY_COMPARE_WITH_TIMEOUT(shown, 1, 30000);
        gui::SetMessageBoxHandler(previous);
        QVERIFY(!busyWhenShown);
    }

    // Interface > Settings: the port is closed while the dialog is open; a
    // box with a character no byte stands for keeps it open, told and kept;
    // Cancel reopens the port, OK (Enter in a box) takes the boxes' texts.
    void interfaceSettings() {
        WindowRig s;
        QVERIFY(s.StartManual());
        Station& st = s.Window().Model();
        InterfaceTexts seen;
        QString kept;
        bool openMeanwhile = true;
        WhenModalOpens<gui::InterfaceSettingsDialog>([&](gui::InterfaceSettingsDialog& dlg) {
            seen = dlg.Texts();
            openMeanwhile = st.reader.port.portOpen;
            dlg.BaudRateBox()->setEditText(QStringLiteral("19200"));
            dlg.PortBox()->setEditText(QString::fromStdString("/dev/tty" + kEuro));
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
            if (dlg.isVisible()) kept = dlg.PortBox()->currentText();
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
        s.Answer("The box \"Com Port\"" + kRefusedEuro +
                 "\r\nThe settings are not taken until it is mended.");
        s.Menu("Interface/Settings");
        QVERIFY(s.Settle() && kept.toStdString() == "/dev/tty" + kEuro);
        QVERIFY(seen.port + "|" + seen.baudRate == s.Port() + "|9600" && !openMeanwhile);
        QVERIFY(st.settings.port.baudRate == 9600 && st.reader.port.portOpen);

        WhenModalOpens<gui::InterfaceSettingsDialog>([](gui::InterfaceSettingsDialog& dlg) {
            dlg.BaudRateBox()->setEditText(QStringLiteral("57600"));
            TypeInto(dlg.PortBox()->lineEdit(), QStringLiteral("/nonexistent/ttyReader"),
                     Qt::Key_Return);
        });
        s.Answer("/nonexistent/ttyReader konnte nicht ge\xF6" "ffnet werden!\r\nNo device "
                 "/nonexistent/ttyReader: the Reader's adapter is not plugged in, or it came back "
                 "under another name (choose it again in Interface > Settings).");
        s.Menu("Interface/Settings");
        QVERIFY(s.Settle());
        QVERIFY(st.settings.port.baudRate == 57600 && !st.reader.port.portOpen);
    }

    // A set made in the Config window programs transponders: Cancel leaves
    // the station as it was; the saved set is the window's, with its block
    // once in the record file and a row per tag.
    void configMadeSetPrograms() {
        WindowRig s;
        QVERIFY(s.StartManual());
        Station& st = s.Window().Model();
        const ParameterSet before = st.currentSet;
        WhenModalOpens<gui::ConfigDialog>([](gui::ConfigDialog& dlg) {
            TypeInto(dlg.NameBox()->lineEdit(), QStringLiteral("Thrown away"));
            QTest::mouseClick(dlg.Control(ConfigControl::DecimalCounter), Qt::LeftButton);
            QTest::mouseClick(dlg.Control(ConfigControl::Cancel), Qt::LeftButton);
        });
        s.Menu("Config");
        QVERIFY(!st.AutomaticMode() && st.currentSet == before && s.Text(StatusField).isEmpty());

        const std::string records = s.Path("records.xml").string();
        const gui::FileDialogHandler previous = gui::SetFileDialogHandler(
            [records](const FileDialogRequest&) { return std::optional(records); });
        WhenModalOpens<gui::ConfigDialog>(MakeLineE2E);
        s.Answer("This name has characters that a parameter set's name cannot hold.\r\nA name "
                 "may use the characters of Latin-1 (ISO 8859-1) only.");
        s.Answer("A field" + kRefusedEuro + "\r\nA parameter set holds bytes only; mend the "
                 "field first.");
        s.Menu("Config");
        gui::SetFileDialogHandler(previous);
        QCOMPARE(s.Text(StatusField), QStringLiteral("Line E2E"));
        QCOMPARE(s.Text(MaxField), QStringLiteral("43"));
        QCOMPARE(s.Text(PageField(1)), QStringLiteral("00 00 00 00 30 30 30 30"));
        for (int i = 0; i < 3; ++i) QVERIFY(s.Press("  One"));
        QCOMPARE(s.Text(NextField), QStringLiteral("44"));
        QVERIFY(PageHex(s.reader.GetTransponder(), 1) == "0000000030303030");
        QVERIFY(PageHex(s.reader.GetTransponder(), 2) == "3030343300000000");
        QVERIFY(!s.reader.GetTransponder().locked[0] && !s.reader.GetTransponder().locked[1]);
        const QByteArray xml = QByteArray::fromStdString(s.Read("records.xml"));
        QCOMPARE(xml.count("Line E2E"), 1);
        for (const char* id : {"30 30 34 31 00", "30 30 34 32 00", "30 30 34 33 00"}) {
            QCOMPARE(xml.count(id), 1);
        }
    }
};

TW_SCENARIOS(WindowScenariosGui)
#include "WindowScenariosGui.moc"
