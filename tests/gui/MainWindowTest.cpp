// The main window without a Reader: start-up, the modes, page commit and
// selection, the OK and Cancel commands, the terminal pane's size, and the
// settings written once at every kind of end, also after SIGTERM.

#include <signal.h>

#include <csignal>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
#include "controls/Images.h"
#include "station/PageCodec.h"
#include "station/SpinArrows.h"
#include "station/ZB48App.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

constexpr int kWait = 15000;

const QColor kWhite(255, 255, 255);
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kGrey(240, 240, 240);
const QColor kGreyText(109, 109, 109);

bool ShownIn(CZB48Dlg& w, MainControl c) { return w.Control(c)->isVisibleTo(&w); }

ImageButton* ImageOf(CZB48Dlg& w, MainControl c) { return static_cast<ImageButton*>(w.Control(c)); }

bool ShowsImage(CZB48Dlg& w, MainControl c, const QPixmap& image) {
    return ImageOf(w, c)->Image().toImage() == image.toImage();
}

void Click(CZB48Dlg& w, MainControl c) { QTest::mouseClick(w.Control(c), Qt::LeftButton); }

// Types TEXT into a field as the operator would, replacing what it holds.
void Type(CZB48Dlg& w, MainControl c, const QString& text) {
    CEnterEdit* edit = EditOf(w, c);
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void PressEnter(QWidget* widget) { QTest::keyClick(widget, Qt::Key_Return); }

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartInEmptyDirectory() {
        StationDir dir;
        QVERIFY(dir.Valid());
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();

        // The empty port name fails to open; the text begins with its blank.
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(boxes.shown[0].text, std::string(" konnte nicht ge\xF6"
                                                  "ffnet werden!"));
        QCOMPARE(boxes.shown[0].caption, std::string("Error"));

        QCOMPARE(w.windowTitle(), QStringLiteral("Tagwright"));
        QCOMPARE(w.size(), QSize(799, 461));
        QVERIFY(!w.Action(CZB48Dlg::MenuItem::ShowTerminal)->isChecked());
        QVERIFY(!ShownIn(w, MainControl::Traffic));
        for (int p = 1; p <= 17; ++p) {
            CEnterEdit* page = EditOf(w, PageField(p));
            QVERIFY(page->isEnabled());
            QVERIFY(page->text().isEmpty());
            QCOMPARE(page->BackgroundColour(), kWhite);
        }
        for (MainControl c : {MainControl::One, MainControl::NextField, MainControl::MaxField,
                              MainControl::StatusField, MainControl::ContOn}) {
            QVERIFY2(!ShownIn(w, c), "automatic control shown in manual mode");
        }
        for (MainControl c : {MainControl::Read, MainControl::Write, MainControl::ReadUid,
                              MainControl::CarrierId, MainControl::Uid}) {
            QVERIFY(ShownIn(w, c));
        }
        QVERIFY(ShowsImage(w, MainControl::ManualButton, ChoiceImage(true)));
        QVERIFY(ShowsImage(w, MainControl::HexButton, ChoiceImage(true)));
        QVERIFY(ShowsImage(w, MainControl::SelectAll, SelectBoxImage(false)));

        w.Action(CZB48Dlg::MenuItem::Exit)->trigger();
        QVERIFY(w.Ended());
        const IniFile ini = dir.Settings();
        QCOMPARE(ini.Get("Auto", "SelectConfig"), std::string("0"));
        QCOMPARE(ini.Get("Interface", "parity"), std::string("None"));
    }

    // Format 1 with 8-bit page texts: the field shows them, and they go back
    // to the file byte for byte.
    void asciiStartUpKeepsEightBitTexts() {
        StationDir dir;
        const std::string page1("Hi\xE4\xFF\x80-\xA9z");
        dir.Write("Tagwright.ini",
                  StationIni("", 0, "", "[Data]\r\nFormat=1\r\nP1=" + page1 + "\r\n"));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();

        QCOMPARE(EditOf(w, PageField(1))->text(),
                 QString::fromLatin1(page1.data(), static_cast<int>(page1.size())));
        QVERIFY(ShowsImage(w, MainControl::AsciiButton, ChoiceImage(true)));
        QVERIFY(ShowsImage(w, MainControl::HexButton, ChoiceImage(false)));
        QCOMPARE(w.Model().image.hexText[0], PageCodec::AsciiToHexText(page1));

        w.Action(CZB48Dlg::MenuItem::Exit)->trigger();
        QCOMPARE(dir.Settings().Get("Data", "P1"), page1);
        QCOMPARE(dir.Settings().Get("Data", "Format"), std::string("1"));
    }

    void automaticStartUp() {
        StationDir dir;
        SetFile set;
        set.carrierId = "00000042";
        set.pageHex[3] = "44656D6F20303031";
        dir.Write("Line.ini", set.Ini());
        dir.Write("Tagwright.ini", StationIni("", 1, "Line", "Carrier ID Max=500\r\n"));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();

        QCOMPARE(static_cast<QLabel*>(w.Control(MainControl::StatusField))->text(),
                 QStringLiteral("Line"));
        QCOMPARE(EditOf(w, MainControl::NextField)->text(), QStringLiteral("00000042"));
        QCOMPARE(EditOf(w, MainControl::MaxField)->text(), QStringLiteral("500"));
        QVERIFY(ShownIn(w, MainControl::One) && w.Control(MainControl::One)->isEnabled());
        QVERIFY(!w.Control(MainControl::ContOn)->isEnabled());
        QVERIFY(!ShownIn(w, MainControl::Read));
        QVERIFY(!ShownIn(w, MainControl::CarrierIdFieldLabel));
        QVERIFY(ShowsImage(w, MainControl::ConfigButton, ChoiceImage(true)));

        CEnterEdit* page3 = EditOf(w, PageField(3));
        QVERIFY(page3->isEnabled());
        QCOMPARE(page3->BackgroundColour(), kWhite);
        QCOMPARE(page3->text(), QStringLiteral("44 65 6D 6F 20 30 30 31"));
        CEnterEdit* page4 = EditOf(w, PageField(4));
        QVERIFY(!page4->isEnabled());
        QCOMPARE(page4->BackgroundColour(), kGrey);
        QCOMPARE(page4->TextColour(), kGreyText);
        QCOMPARE(page4->text(), QStringLiteral("00 00 00 00 00 00 00 00"));
        QVERIFY(!w.Control(SelectBox(1))->isEnabled());
    }

    void modeSwitch_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("counterFields");
        QTest::newRow("counter") << int(SetFile::Source::Counter) << true;
        QTest::newRow("list file") << int(SetFile::Source::List) << false;
    }
    void modeSwitch() {
        QFETCH(int, source);
        QFETCH(bool, counterFields);
        StationDir dir;
        SetFile set;
        set.source = static_cast<SetFile::Source>(source);
        set.editPages = {1, 2};  // "Edit Page 3" off
        set.writePages3to17 = false;
        set.pageHex[2] = "4142434445464748";
        dir.Write("S.ini", set.Ini());
        dir.Write("Tagwright.ini",
                  StationIni("", 0, "S",
                             "Carrier ID Max=77\r\n[Data]\r\nSelectAll=1\r\nSelectP3=1\r\n"
                             "SelectP9=1\r\n"));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));

        Click(w, MainControl::ConfigButton);
        Station& s = w.Model();
        QVERIFY(s.AutomaticMode());
        QVERIFY(!EditOf(w, PageField(3))->isEnabled());
        QCOMPARE(EditOf(w, PageField(3))->BackgroundColour(), kGrey);
        QVERIFY(EditOf(w, PageField(2))->isEnabled());
        for (int p = 1; p <= 17; ++p) {
            QCOMPARE(s.image.selected[static_cast<std::size_t>(p - 1)], p <= 2 ? 1 : 0);
        }
        QCOMPARE(s.image.selectAll, 0);
        // The pictures of the boxes are left as they were.
        QVERIFY(ShowsImage(w, SelectBox(9), SelectBoxImage(true)));

        CEnterEdit* next = EditOf(w, MainControl::NextField);
        CEnterEdit* max = EditOf(w, MainControl::MaxField);
        QCOMPARE(next->isEnabled(), counterFields);
        QCOMPARE(max->isEnabled(), counterFields);
        QCOMPARE(max->BackgroundColour(), counterFields ? kWhite : kGrey);
        QCOMPARE(max->text(), counterFields ? QStringLiteral("77") : QString());
        QCOMPARE(w.Control(MainControl::NextSpin)->isEnabled(), counterFields);

        Click(w, MainControl::ManualButton);
        QVERIFY(!s.AutomaticMode());
        for (int p = 1; p <= 17; ++p) {
            QVERIFY(EditOf(w, PageField(p))->isEnabled());
            QCOMPARE(EditOf(w, PageField(p))->BackgroundColour(), kWhite);
        }
        // The set's texts stay in the fields.
        QCOMPARE(EditOf(w, PageField(2))->text(), QStringLiteral("41 42 43 44 45 46 47 48"));
        QVERIFY(!ShownIn(w, MainControl::NextField));
        QVERIFY(ShowsImage(w, MainControl::ManualButton, ChoiceImage(true)));
        QVERIFY(ShowsImage(w, MainControl::ConfigButton, ChoiceImage(false)));
    }

    void pageCommitColoursAndMessage() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));
        boxes.shown.clear();

        Type(w, PageField(2), QStringLiteral("01 02 03 04 05 06 07 08"));
        PressEnter(w.Control(PageField(2)));
        QCOMPARE(EditOf(w, PageField(2))->BackgroundColour(), kGreen);
        QVERIFY(boxes.shown.empty());
        QCOMPARE(w.Model().image.hexText[1], std::string("01 02 03 04 05 06 07 08"));

        Type(w, PageField(4), QStringLiteral("01 02 ZZ"));
        PressEnter(w.Control(PageField(4)));
        QCOMPARE(EditOf(w, PageField(4))->BackgroundColour(), kRed);
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(boxes.shown[0].text, PageCodec::PageTextMessage(4, PageFormat::Hex));
        QVERIFY(!w.Ended());
        // In manual mode the focus stays in the field once the message
        // timer has served the commit.
        QVERIFY(w.Model().image.pageCommitted);
        QTRY_VERIFY_WITH_TIMEOUT(!w.Model().image.pageCommitted, kWait);
        QCOMPARE(QApplication::focusWidget(), w.Control(PageField(4)));
    }

    void pageCommitInAutomaticModeFocusesOne() {
        StationDir dir;
        SetFile set;
        set.pageHex[3] = "3132333435363738";
        dir.Write("S.ini", set.Ini());
        dir.Write("Tagwright.ini", StationIni("", 1, "S", "Carrier ID Max=9\r\n"));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));
        Type(w, PageField(3), QStringLiteral("41 41 41 41 41 41 41 41"));
        PressEnter(w.Control(PageField(3)));
        QCOMPARE(EditOf(w, PageField(3))->BackgroundColour(), kGreen);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), w.Control(MainControl::One), kWait);
    }

    void selectAllAndClear() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));
        Station& s = w.Model();
        s.SetBackground(PageField(6), colour::Red);

        Click(w, MainControl::SelectAll);
        QCOMPARE(s.image.selectAll, 1);
        for (int p = 1; p <= 17; ++p) {
            QCOMPARE(s.image.selected[static_cast<std::size_t>(p - 1)], 1);
            QVERIFY(ShowsImage(w, SelectBox(p), SelectBoxImage(true)));
        }
        QVERIFY(ShowsImage(w, MainControl::SelectAll, SelectBoxImage(true)));
        QCOMPARE(EditOf(w, PageField(6))->BackgroundColour(), kWhite);

        // Clearing one page while "all" is set clears "all" and goes there.
        Click(w, SelectBox(5));
        QCOMPARE(s.image.selectAll, 0);
        QCOMPARE(s.image.selected[4], 0);
        QCOMPARE(QApplication::focusWidget(), w.Control(PageField(5)));
        QVERIFY(ShowsImage(w, SelectBox(5), SelectBoxImage(false)));
        QVERIFY(ShowsImage(w, MainControl::SelectAll, SelectBoxImage(true)));

        Click(w, MainControl::SelectAll);  // set again
        Click(w, MainControl::SelectAll);  // and clear
        for (int p = 1; p <= 17; ++p) {
            QCOMPARE(s.image.selected[static_cast<std::size_t>(p - 1)], 0);
            QVERIFY(ShowsImage(w, SelectBox(p), SelectBoxImage(false)));
            QCOMPARE(EditOf(w, PageField(p))->BackgroundColour(), kWhite);
        }
        QCOMPARE(QApplication::focusWidget(), w.Control(PageField(17)));
    }

    void okCommandKeepsWindowOpen() {
        StationDir dir;
        dir.Write("S.ini", SetFile{}.Ini());
        dir.Write("Tagwright.ini", StationIni("", 1, "S", "Carrier ID Max=9\r\n"));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));
        QWidget* hex = w.Control(MainControl::HexButton);
        hex->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), hex);
        PressEnter(hex);
        QCOMPARE(QApplication::focusWidget(), w.Control(MainControl::One));
        QVERIFY(!w.Ended());
        QVERIFY(w.isVisible());

        // Escape in a page field is the field's; elsewhere it ends the window.
        QTest::keyClick(w.Control(PageField(3)), Qt::Key_Escape);
        QVERIFY(!w.Ended());
        QTest::keyClick(hex, Qt::Key_Escape);
        QVERIFY(w.Ended());
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }

    // Every end takes the fields and writes the settings, and only once.
    void endsWriteSettingsOnce_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("File > Exit") << QStringLiteral("exit");
        QTest::newRow("Escape") << QStringLiteral("escape");
        QTest::newRow("close command") << QStringLiteral("close");
        QTest::newRow("window destroyed") << QStringLiteral("destroy");
    }
    void endsWriteSettingsOnce() {
        QFETCH(QString, how);
        StationDir dir;
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));
        Type(w, PageField(1), QStringLiteral("AA BB"));  // typed, not confirmed
        Type(w, MainControl::CarrierIdLength, QStringLiteral("6"));
        QCOMPARE(EditOf(w, MainControl::CarrierIdLength)->text(), QStringLiteral("6"));
        w.Control(MainControl::Read)->setFocus(Qt::TabFocusReason);

        if (how == "exit") w.Action(CZB48Dlg::MenuItem::Exit)->trigger();
        if (how == "escape") QTest::keyClick(w.Control(MainControl::Read), Qt::Key_Escape);
        if (how == "close") QVERIFY(w.close());
        if (how == "destroy") dir.window.reset();
        if (dir.window) QVERIFY(w.Ended());

        QCOMPARE(dir.Settings().Get("Data", "P1"), std::string("AA BB"));
        QCOMPARE(dir.Settings().Get("Manual", "Carrier ID Length"), std::string("6"));

        // A second end changes nothing on disk.
        dir.Write("Tagwright.ini", "[Data]\r\nP1=later\r\n");
        if (dir.window) {
            w.Action(CZB48Dlg::MenuItem::Exit)->trigger();
            w.close();
            w.RequestClose();
            dir.window.reset();
        }
        QCOMPARE(dir.Settings().Get("Data", "P1"), std::string("later"));
    }

    void terminalShowResizesTheWindow() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QAction* show = w.Action(CZB48Dlg::MenuItem::ShowTerminal);
        show->trigger();
        QCOMPARE(w.size(), QSize(1120, 461));
        QVERIFY(show->isChecked());
        QVERIFY(ShownIn(w, MainControl::Traffic) && ShownIn(w, MainControl::Send));
        show->trigger();
        QCOMPARE(w.size(), QSize(799, 461));
        QVERIFY(!show->isChecked());
        QVERIFY(!ShownIn(w, MainControl::TerminalCommand));
    }

    void counterSpinAndCommit() {
        StationDir dir;
        SetFile set;
        set.length = 4;
        set.carrierId = "5";
        dir.Write("S.ini", set.Ini());
        dir.Write("Tagwright.ini", StationIni("", 1, "S", "Carrier ID Max=20\r\n"));
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));
        auto* spin = static_cast<SpinArrows*>(w.Control(MainControl::NextSpin));
        CEnterEdit* next = EditOf(w, MainControl::NextField);

        // Up counts up, down counts down; each composes pages 1 and 2.
        QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
        QCOMPARE(next->text(), QStringLiteral("6"));
        QCOMPARE(EditOf(w, PageField(1))->text(), QStringLiteral("30 30 30 36 00 00 00 00"));
        QTest::mouseClick(spin->DownButton(), Qt::LeftButton);
        QTest::mouseClick(spin->DownButton(), Qt::LeftButton);
        QCOMPARE(next->text(), QStringLiteral("4"));

        auto* maxSpin = static_cast<SpinArrows*>(w.Control(MainControl::MaxSpin));
        QTest::mouseClick(maxSpin->UpButton(), Qt::LeftButton);
        QCOMPARE(EditOf(w, MainControl::MaxField)->text(), QStringLiteral("21"));

        // Leaving the field clamps to the length's limit.
        Type(w, MainControl::NextField, QStringLiteral("123456"));
        w.Control(PageField(3))->setFocus(Qt::MouseFocusReason);
        QCOMPARE(next->text(), QStringLiteral("9999"));
        QCOMPARE(w.Model().currentCarrierId, std::string("9999"));
        QCOMPARE(EditOf(w, PageField(1))->text(), QStringLiteral("39 39 39 39 00 00 00 00"));
    }

    // SIGTERM while the window runs: the window closes as with its close
    // command, and the settings are written.
    void sigtermInProcess() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        TerminationSignals signalsIn;
        QSignalSpy requested(&signalsIn, &TerminationSignals::requested);
        connect(&signalsIn, &TerminationSignals::requested, &w, [&w] { w.RequestClose(); });
        QVERIFY(signalsIn.Install());
        Type(w, PageField(2), QStringLiteral("11"));

        ::raise(SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(w.Ended(), kWait);
        QCOMPARE(requested.size(), 1);
        QCOMPARE(requested[0][0].toInt(), SIGTERM);
        QCOMPARE(dir.Settings().Get("Data", "P2"), std::string("11"));
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
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);

        const IniFile ini = dir.Settings();
        QCOMPARE(ini.Get("Data", "P5"), std::string("kept"));
        QCOMPARE(ini.Get("Data", "P5Default"), std::string("12"));
        QCOMPARE(ini.Get("Auto", "SelectConfig"), std::string("0"));
        QCOMPARE(ini.Get("Interface", "Flowcontrol"), std::string("No"));
    }

    void aboutBox() {
        StationDir dir;
        ScopedMessageBoxes boxes;
        CZB48Dlg& w = dir.Start();
        QVERIFY(ShowActive(w));
        bool seen = false;
        QTimer::singleShot(0, &w, [&seen] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (about == nullptr) return;
            seen = about->windowTitle() == QStringLiteral("Tagwright  V1.48  16.12.2024") &&
                   about->size() == QSize(460, 460);
            auto* ok = about->findChild<QPushButton*>();
            if (ok != nullptr && ok->text() == QStringLiteral("OK")) ok->click();
        });
        w.Action(CZB48Dlg::MenuItem::Info)->trigger();
        QVERIFY(seen);
        QVERIFY(!w.Ended());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
