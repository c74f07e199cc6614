// The main window against the virtual Reader. The status line: the port as
// it goes and comes back, the set's carrier ID source, each cycle's result
// and its progress; after a cycle that stopped before writing, the page
// fields are white and the UID field is empty. File > Open record folder, the
// terminal round trip, and input and timer work held back while an operation
// waits for the Reader. Continuous mode on the window's own timers, and a
// "next" typed but not committed when the cycle starts. A character no
// byte stands for never reaches the Reader, and a path beyond ASCII shows as
// it is in a message.

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
#include "gui/controls/Text.h"
#include "gui/main/SpinArrows.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/RecordFile.h"
#include "gui/main/StatusLineWidget.h"
#include "reader-sim/VirtualReader.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

constexpr int kWait = 20000;
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const std::string kCounter = "Decimal counter=1\r\n";

// A set of TYPE on work order WO-1 of 10 tags, pages 1 and 2 written, page 1
// locked; SOURCE holds the [Data Source] keys, EXTRA more.
std::string SetFile(const std::string& source, const std::string& extra,
                    const std::string& type = "TI") {
    return SetIni(source,
                  "[Transponder type]\r\n" + type +
                      "=1\r\n[Work order Setup]\r\nWork order number=WO-1\r\nQuantity=10\r\n",
                  2, {{1, "Lock Page 1=1"}}, {}, "41") +
           extra;
}

// A virtual Reader and a station directory; Start runs the window in
// automatic mode on the set "Line".
struct Rig {
    // LINK: the Reader is reached through a link in the directory.
    bool Start(const std::string& source, const std::string& extra = {}, bool link = false,
               const std::string& type = "TI") {
        if (!reader.Start()) return false;
        std::string name = reader.SlavePath();
        if (link) name = dir.Path("reader").toStdString();
        if (link && !reader.CreateLink(name)) return false;
        dir.Write("Line.ini", SetFile(source, extra, type));
        dir.Write("Tagwright.ini", StationIni(name, 1, "Line", "Carrier ID Max=20\r\n"));
        return ShowActive(dir.Start());
    }
    MainWindow& Window() { return *dir.window; }
    StatusLineWidget& Line() { return *dir.window->StatusLine(); }
    // F5, then until the cycle tick has run it.
    bool PressOne() {
        QTest::keyClick(&Window(), Qt::Key_F5);
        if (!Window().Model().run.oneRequested) return false;
        return QTest::qWaitFor([&] { return !Window().Model().run.oneRequested; }, kWait);
    }

    sim::VirtualReader reader;
    StationDir dir;
    ScopedMessageBoxes boxes;
};

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

const std::string kNoVerify = "[Write checks]\r\nVerify after write=0\r\n";

std::size_t CountOf(const std::vector<std::string>& log, const std::string& command) {
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), command));
}

// Results whose judging needs more than the cycle's message: a list left
// without an open entry, a lock refused with no message at all.
struct Result {
    const char* list;  // ids.csv with these entries, or fix data
    sim::Faults faults;
    const char* setText;
    const char* result;
};

sim::Faults TagLeavesAfter(int page) {
    sim::Faults faults;
    faults.removeAfterPage = page;
    return faults;
}

const std::map<QString, Result>& Results() {
    static const std::map<QString, Result> results{
        {"list used up", {"0001;X;\r\n", {}, "Set Line (list, 0 left)",
                          "Last: stopped: no carrier ID left in the list"}},
        {"lock refused", {nullptr, TagLeavesAfter(2), "Set Line (fix data)",
                          "Last: failed: the pages were not locked"}}};
    return results;
}

// Calls CHECK from the event loop every 20 ms, also inside a Reader wait
// (where the test's own timers still fire), until it returns true.
void PollDuringWaits(QObject* context, std::function<bool()> check) {
    QTimer::singleShot(20, context, [context, check = std::move(check)]() mutable {
        if (!check()) PollDuringWaits(context, std::move(check));
    });
}

QPushButton* Button(MainWindow& w, MainControl c) {
    return static_cast<QPushButton*>(w.Control(c));
}

}  // namespace

class MainWindowReaderTest : public QObject {
    Q_OBJECT
private slots:
    // Open, a cycle, one stopped before writing; then the Reader goes away
    // (unplugged) and comes back under the same name, and the next cycle runs.
    void portAndCycles() {
        Rig rig;
        QVERIFY(rig.Start(kCounter, {}, true, "Norvik"));
        MainWindow& w = rig.Window();
        const QString link = rig.dir.Path("reader");
        const QString port = QStringLiteral("Reader %1: ").arg(link);
        QCOMPARE(rig.Line().PortText(), port + "open");
        QCOMPARE(rig.Line().SetText(), QStringLiteral("Set Line (counter)"));
        QCOMPARE(rig.Line().ResultText(), QString());
        QVERIFY(rig.PressOne());
        QCOMPARE(rig.Line().ResultText(), QStringLiteral("Last: programmed"));
        QCOMPARE(rig.Line().ResultBackground(), kGreen);
        QCOMPARE(rig.Line().CountText(), QStringLiteral("1 programmed this session, 1 of 10 in WO-1"));
        QVERIFY(!EditOf(w, MainControl::Uid)->text().isEmpty());

        rig.reader.SetPresent(false);
        QVERIFY(rig.PressOne());
        QCOMPARE(rig.Line().ResultText(), QStringLiteral("Last: failed: no transponder on the antenna"));
        QCOMPARE(rig.Line().ResultBackground(), kRed);
        QVERIFY(rig.Line().CountText().startsWith(QStringLiteral("1 programmed")));
        QVERIFY(EditOf(w, MainControl::Uid)->text().isEmpty());
        for (int p = 1; p <= kPageCount; ++p) {
            const QColor shown = EditOf(w, PageField(p))->BackgroundColour();
            QVERIFY(shown == QColor(Qt::white) || shown == QColor(240, 240, 240));
        }

        // As an adapter's by-id link goes when it is unplugged; a link left
        // behind could meet another test's pseudo-terminal under the old number.
        rig.reader.HangUp();
        QVERIFY(QFile::remove(link));
        QTRY_COMPARE_WITH_TIMEOUT(rig.Line().PortText(), port + "lost, waiting for the device",
                                  kWait);
        // Lost, or closed by a look for the device that came first.
        QVERIFY(rig.PressOne());
        QVERIFY(rig.Line().ResultText().startsWith(QStringLiteral("Last: not run: the port is ")));
        const std::size_t told = rig.boxes.shown.size();
        sim::VirtualReader again;
        QVERIFY(again.Start());
        sim::Transponder next;  // another tag: a UID is programmed once
        next.uid = "5E6F7A8B";
        again.SetTransponder(next);
        QVERIFY(again.CreateLink(link.toStdString()));
        QTRY_COMPARE_WITH_TIMEOUT(rig.Line().PortText(), port + "reopened", kWait);
        QVERIFY(rig.PressOne());
        QCOMPARE(rig.Line().ResultText(), QStringLiteral("Last: programmed"));
        QVERIFY(!again.CommandLog().empty() && rig.boxes.shown.size() == told);
    }

    // Each of them one short phrase, red, and nothing counted.
    void eachResult_data() {
        QTest::addColumn<QString>("name");
        for (const auto& [name, result] : Results()) QTest::newRow(qPrintable(name)) << name;
    }
    void eachResult() {
        QFETCH(QString, name);
        const Result& c = Results().at(name);
        Rig rig;
        std::string source = "fix data=1\r\n";
        if (c.list != nullptr) {
            rig.dir.Write("ids.csv", std::string("Carrier ID;done;\r\n") + c.list);
            source = "csv file=1\r\nfile name=" + rig.dir.Path("ids.csv").toStdString() + "\r\n";
        }
        QVERIFY(rig.Start(source, kNoVerify));
        QCOMPARE(rig.Line().SetText(), QString(c.setText));
        rig.reader.SetFaults(c.faults);
        QVERIFY(rig.PressOne());
        QCOMPARE(rig.Line().ResultText(), QString(c.result));
        QCOMPARE(rig.Line().ResultBackground(), kRed);
        QVERIFY(rig.Line().CountText().startsWith("0 programmed"));
    }

    // File > Open record folder hands the record file's folder to the
    // desktop; a folder that is not there is said so instead.
    void openRecordFolder() {
        Rig rig;
        // A folder name beyond ASCII: the file system names it in UTF-8, the
        // message must still show it as it is.
        const QString folder = rig.dir.Path(QStringLiteral("r\u00E4ume"));
        QVERIFY(QDir(rig.dir.Path()).mkdir(QStringLiteral("r\u00E4ume")));
        QVERIFY(rig.Start(kCounter, "[Log]\r\nLog=1\r\nfile name=" +
                                        (folder + "/rows.xml").toStdString() + "\r\n"));
        QVERIFY(rig.Line().RecordFileText().contains(QStringLiteral("/rows.xml")));
        FileOpener opener;
        QAction* open = rig.Window().Action(MainWindow::MenuItem::OpenRecordFolder);
        open->trigger();
        QCOMPARE(opener.opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
        QVERIFY(QDir(folder).removeRecursively());
        open->trigger();
        QCOMPARE(rig.boxes.shown.size(), std::size_t{1});
        QCOMPARE(MessageText(rig.boxes.shown[0].text),
                 QStringLiteral("The record folder does not exist:\r\n") + folder);
        QVERIFY(rig.boxes.shown[0].icon == MsgIcon::Warning && opener.opened.size() == 1);
    }
    // A character that no byte stands for is never sent: not on Enter, not
    // with "  One" on an edited page, not with "  write"; the field keeps
    // what was typed and the operator is told which character it is.
    void unencodablePageIsNeverSent() {
        Rig rig;
        QVERIFY(rig.Start(kCounter, kNoVerify + "[Pages 3-17]\r\nWrite Pages 3-17=1\r\n"
                                                "[Page 3]\r\nEdit Page 3=1\r\n"));
        MainWindow& w = rig.Window();
        QTest::mouseClick(w.Control(MainControl::AsciiButton), Qt::LeftButton);
        const QString typed = QStringLiteral("A B \u20AC D E F G H");
        auto refusedAndKept = [&] {
            const std::string told = rig.boxes.shown.empty() ? "" : rig.boxes.shown.front().text;
            return told.find("P3 holds the character U+20AC") != std::string::npos &&
                   EditOf(w, PageField(3))->text() == typed;
        };
        auto nothingSentForPage3 = [&] {
            const std::vector<std::string> log = rig.reader.CommandLog();
            return std::none_of(log.begin(), log.end(),
                                [](const std::string& c) { return c.rfind("WD 3", 0) == 0; }) &&
                   rig.reader.ReceivedBytes().find("3F") == std::string::npos;
        };
        // Set directly: the test's own key clicks carry Latin-1 only.
        EnterEdit* page3 = EditOf(w, PageField(3));
        page3->setFocus(Qt::OtherFocusReason);
        page3->setText(typed);
        QTest::keyClick(page3, Qt::Key_Return);
        QVERIFY(refusedAndKept() && page3->BackgroundColour() == kRed);

        // Edited again, not committed: the cycle writes pages 1 and 2, not 3.
        page3->setText(QString());
        page3->setText(typed);
        rig.boxes.shown.clear();
        QVERIFY(rig.PressOne());
        QVERIFY(refusedAndKept());
        QVERIFY(CountOf(rig.reader.CommandLog(), "WD 1 3030303541414141") == 1);
        QVERIFY(nothingSentForPage3());

        QTest::mouseClick(w.Control(MainControl::ManualButton), Qt::LeftButton);
        rig.boxes.shown.clear();
        QTest::mouseClick(w.Control(MainControl::Write), Qt::LeftButton);
        QVERIFY(refusedAndKept() && page3->BackgroundColour() == kRed);
        QVERIFY(nothingSentForPage3());
    }

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

        // A character no byte stands for: told, kept, and nothing sent (the
        // first command the Reader sees is the next one).
        auto* commandEdit = static_cast<EnterEdit*>(command);
        commandEdit->setFocus(Qt::OtherFocusReason);
        commandEdit->setText(QStringLiteral("R\u20ACD 1"));
        QTest::keyClick(commandEdit, Qt::Key_Return);
        QVERIFY(boxes.shown.size() == 1 && boxes.shown[0].text.find("U+20AC") != std::string::npos);
        QCOMPARE(commandEdit->text(), QStringLiteral("R\u20ACD 1"));
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

    // Clicks and Enter while a slow cycle waits for the Reader are dropped:
    // "  One" three times and Enter twice give one cycle, and a click on the
    // "next" arrows or "Read" runs neither inside the cycle nor after it.
    void inputDuringACycleIsDropped() {
        Rig rig;
        QVERIFY(rig.Start(kCounter, kNoVerify));
        MainWindow& w = rig.Window();
        sim::VirtualReader& reader = rig.reader;
        reader.SetReplyDelay(std::chrono::milliseconds(300));

        QWidget* one = w.Control(MainControl::One);
        int pressesDuringWait = 0;
        bool oneEnabledDuringWait = true;
        // Fires inside one of the cycle's waits for a page write, which the
        // result's place tells (timer ticks reach no command then, but this
        // one is the test's own).
        std::function<void()> duringWait = [&] {
            if (!w.Busy() || !rig.Line().ResultText().startsWith(QStringLiteral("writing page "))) {
                QTimer::singleShot(20, &w, duringWait);
                return;
            }
            oneEnabledDuringWait = one->isEnabled();
            for (int i = 0; i < 3; ++i) QTest::mouseClick(one, Qt::LeftButton);
            for (int i = 0; i < 2; ++i) QTest::keyClick(one, Qt::Key_Return);
            auto* arrows = static_cast<SpinArrows*>(w.Control(MainControl::NextSpin));
            QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
            QTest::mouseClick(w.Control(MainControl::Read), Qt::LeftButton);
            pressesDuringWait = 1;
        };
        QTimer::singleShot(50, &w, duringWait);
        QTest::mouseClick(one, Qt::LeftButton);
        QVERIFY(!one->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(CountOf(reader.CommandLog(), "LD 1") == 1 && !w.Busy(), kWait);
        QCOMPARE(pressesDuringWait, 1);
        QVERIFY(!oneEnabledDuringWait);
        // Time for anything queued to come out: nothing does.
        QTest::qWait(500);
        const std::vector<std::string> log = reader.CommandLog();
        QCOMPARE(CountOf(log, "WD 1 3030303541414141"), std::size_t{1});
        QCOMPARE(CountOf(log, "LD 1"), std::size_t{1});
        QCOMPARE(CountOf(log, "RD 1"), std::size_t{0});
        QCOMPARE(w.Model().carrierId.nextText, std::string("6"));
        QVERIFY(one->isEnabled() && rig.boxes.shown.empty());
    }

    // Tags laid one after another while continuous mode runs on the window's
    // timers: each is programmed once, with its row, its count and its
    // result on the status line, and a tag left lying is not programmed again.
    void continuousModeProgramsEachTagOnce() {
        Rig rig;
        QVERIFY(rig.Start(kCounter, kNoVerify + "[Log]\r\nLog=1\r\nfile name=" +
                                        rig.dir.Path("rows.xml").toStdString() + "\r\n"));
        MainWindow& w = rig.Window();
        sim::TagSequence sequence;
        sequence.tags.resize(3);
        // Long enough for the look, the cycle and two looks more.
        sequence.stayCommands = 8;
        sequence.gapCommands = 2;
        rig.reader.SetSequence(sequence);
        Button(w, MainControl::ContOn)->click();
        QCOMPARE(Button(w, MainControl::ContOn)->text(), QStringLiteral("Cont Off"));
        QVERIFY(!w.Control(MainControl::One)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(rig.reader.CommandLog().size() >= 3 * (8 + 2) + 2, 60000);
        QVERIFY2(w.Model().run.continuousMode, rig.boxes.shown.empty()
                                                  ? "" : rig.boxes.shown.back().text.c_str());
        Button(w, MainControl::ContOn)->click();

        QCOMPARE(CountOf(rig.reader.CommandLog(), "LD 1"), std::size_t{3});
        const std::vector<sim::Transponder> tags = rig.reader.SequenceTags();
        for (std::size_t i = 0; i < tags.size(); ++i) {
            QCOMPARE(tags[i].pages[0][3], static_cast<std::uint8_t>('5' + i));
            QVERIFY(tags[i].locked[0]);
        }
        QCOMPARE(w.Model().carrierId.nextText, std::string("8"));
        QCOMPARE(ReadRecordRows(rig.dir.Path("rows.xml").toStdString()).rows.size(), std::size_t{3});
        QCOMPARE(rig.Line().CountText(), QStringLiteral("3 programmed this session, 3 of 10 in WO-1"));
        QCOMPARE(rig.Line().ResultText(), QStringLiteral("Last: programmed"));
        QVERIFY(rig.boxes.shown.empty());
    }

    // While continuous mode runs: Config is refused; a close waits for the
    // cycle's end before it asks, and the cycle's progress survives the
    // message ticks inside its waits; Interface > Settings switches the mode
    // off and says so.
    void continuousModeGuards() {
        Rig rig;
        QVERIFY(rig.Start(kCounter, kNoVerify));
        MainWindow& w = rig.Window();
        Station& s = w.Model();
        rig.reader.SetPresent(false);
        Button(w, MainControl::ContOn)->click();
        QTRY_COMPARE_WITH_TIMEOUT(s.continuous.status, std::string(kWaitingForTagText), kWait);
        QAction* config = w.Action(MainWindow::MenuItem::Config);
        QVERIFY(!config->isEnabled() && !w.Control(MainControl::ManualButton)->isEnabled());
        config->trigger();
        QVERIFY(!w.Control(MainControl::One)->isEnabled() && s.run.continuousMode);

        rig.reader.SetReplyDelay(std::chrono::milliseconds(300));
        rig.reader.SetPresent(true);
        bool askedDuringCycle = true;
        std::string question;
        const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageRequest& r) {
            askedDuringCycle = s.run.cycleRunning;
            question = r.text;
            return MsgAnswer::No;
        });
        QStringList progress;
        bool closed = false;
        PollDuringWaits(&w, [&] {
            if (!s.run.cycleRunning) return closed;
            progress << rig.Line().ResultText();
            if (!closed) {
                w.close();
                closed = true;
            }
            return false;
        });
        QTRY_VERIFY_WITH_TIMEOUT(!question.empty(), kWait);
        SetMessageBoxHandler(previous);
        QVERIFY(!askedDuringCycle && !w.Ended());
        QCOMPARE(question, std::string("Continuous mode is on. Close Tagwright anyway?"));
        QVERIFY2(progress.contains(QStringLiteral("locking page 1 of 17")),
                 qPrintable(progress.join('|')));
        QCOMPARE(rig.Line().ResultText(), QStringLiteral("Last: programmed"));

        rig.reader.SetReplyDelay(std::chrono::milliseconds(0));
        WhenModalOpens<QDialog>([](QDialog& dialog) { dialog.reject(); });
        w.Action(MainWindow::MenuItem::Settings)->trigger();
        QVERIFY(!s.run.continuousMode && config->isEnabled());
        QCOMPARE(Button(w, MainControl::ContOn)->text(), QStringLiteral("Cont On"));
        QCOMPARE(rig.boxes.shown.back().text, std::string(kContinuousSettingsMessage));
        rig.reader.ClearLog();
        QTest::qWait(1200);  // two ticks of the stopped timer: no look comes
        QVERIFY(rig.reader.CommandLog().empty());
    }

    // A number typed into "next" without Enter is the cycle's, whether "  One"
    // comes by F5 or by a click; one above "max" is refused with the message.
    void typedNextIsTaken_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byF5");
        QTest::addColumn<QString>("written");  // "" for none
        QTest::addColumn<QString>("nextAfter");
        QTest::newRow("F5") << "9" << true << "WD 1 3030303941414141" << "10";
        QTest::newRow("click") << "12" << false << "WD 1 3030313241414141" << "13";
        QTest::newRow("above max") << "30" << true << "" << "30";
    }
    void typedNextIsTaken() {
        QFETCH(QString, typed);
        QFETCH(bool, byF5);
        QFETCH(QString, written);
        QFETCH(QString, nextAfter);
        Rig rig;
        QVERIFY(rig.Start(kCounter, kNoVerify));
        MainWindow& w = rig.Window();
        TypeInto(w.Control(MainControl::NextField), typed);
        if (byF5) {
            QVERIFY(rig.PressOne());
        } else {
            QTest::mouseClick(w.Control(MainControl::One), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!w.Model().run.oneRequested && !w.Busy(), kWait);
        }
        const std::vector<std::string> log = rig.reader.CommandLog();
        if (written.isEmpty()) {
            QVERIFY(log.empty());
            QCOMPARE(rig.boxes.shown.at(0).text, std::string(kMaximumReachedMessage));
        } else {
            QCOMPARE(CountOf(log, written.toStdString()), std::size_t{1});
        }
        QCOMPARE(EditOf(w, MainControl::NextField)->text(), nextAfter);
    }
};

QTEST_MAIN(MainWindowReaderTest)
#include "MainWindowReaderTest.moc"
