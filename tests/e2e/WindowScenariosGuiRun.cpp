// The automatic run as the status line and the Reader see it: each kind of
// result, continuous mode on the window's timers and its guards, input while
// a cycle waits for the Reader, a "next" typed but not committed, and a page
// with a character no byte stands for.

#include <algorithm>
#include <functional>

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "../gui/GuiTestSupport.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/RecordFile.h"
#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/main/MainWindow.h"
#include "gui/main/SpinArrows.h"
#include "gui/main/StatusLineWidget.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

constexpr int kWait = 30000;
const std::string kNoVerify = "[Write checks]\r\nVerify after write=0\r\n";

// Automatic mode on "Line" (no read-back), started.
bool StartLine(WindowRig& s, const std::string& source, const std::string& extra = {},
               const std::string& type = "TI") {
    return s.StartAuto(LineSet(s, source, type, kNoVerify + extra));
}

gui::StatusLineWidget& Line(WindowRig& s) { return *s.Window().StatusLine(); }

std::size_t CountOf(const Texts& log, const std::string& command) {
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), command));
}

// Calls CHECK from the event loop every 20 ms, also inside a Reader wait
// (where the test's own timers still fire), until it returns true.
void PollDuringWaits(QObject* context, std::function<bool()> check) {
    QTimer::singleShot(20, context, [context, check = std::move(check)]() mutable {
        if (!check()) PollDuringWaits(context, std::move(check));
    });
}

struct Result {
    const char* name;
    const char* list;  // ids.csv with these entries; nullptr: SOURCE
    const char* source;
    bool present;
    int leavesAfterPage;
    const char* setText;
    const char* result;
    Texts boxes;
};

}  // namespace

class WindowScenariosGuiRun : public QObject {
    Q_OBJECT
private slots:
    // One short phrase per result on the status line, green only for a
    // programmed tag, which alone is counted; a cycle that stopped before
    // writing leaves the page fields neutral and the UID field empty.
    void eachResult() {
        const Result results[] = {
            {"programmed", nullptr, "Decimal counter=1\r\n", true, 0, "Set Line (counter)", "Last: programmed", {}},
            {"no tag", nullptr, "Decimal counter=1\r\n", false, 0, "Set Line (counter)",
             "Last: failed: no transponder on the antenna",
             {kNoUid}},
            {"list used up", "0001;X;\r\n", "", true, 0, "Set Line (list, 0 left)",
             "Last: stopped: no carrier ID left in the list",
             {kWrongListFormatMessage, kMaximumReachedMessage}},
            {"lock refused", nullptr, "fix data=1\r\n", true, 2, "Set Line (fix data)",
             "Last: failed: the pages were not locked", {}}};
        for (const Result& r : results) {
            WindowRig s;
            const std::string source = r.list != nullptr ? s.ListFile(r.list) : r.source;
            s.reader.SetPresent(r.present);
            sim::Faults faults;
            faults.removeAfterPage = r.leavesAfterPage;
            s.reader.SetFaults(faults);
            s.Answer(r.boxes);
            QVERIFY(StartLine(s, source, {}, "Norvik"));
            QCOMPARE(Line(s).PortText(), QString::fromStdString("Reader " + s.Port() + ": open"));
            QCOMPARE(Line(s).SetText(), QString(r.setText));
            s.Key(Qt::Key_F5);
            QVERIFY2(s.Settle(), r.name);
            QCOMPARE(Line(s).ResultText(), QString(r.result));
            const bool good = r.result == std::string("Last: programmed");
            QCOMPARE(Line(s).ResultBackground(), good ? kGreen : kRed);
            QCOMPARE(Line(s).CountText(),
                     QString("%1 programmed this session, %1 of 10 in WO-1").arg(good ? 1 : 0));
            if (good) QVERIFY(!s.Text(Uid).isEmpty());
            if (r.present) continue;
            QVERIFY(s.Text(Uid).isEmpty());
            for (int p = 1; p <= kPageCount; ++p) {
                QVERIFY(s.Colour(PageField(p)) == Qt::white ||
                        s.Colour(PageField(p)) == kGrey);
            }
        }
    }

    // A "next" typed without Enter is the cycle's, by F5 or by a click; one
    // above "max" is refused with the message.
    void typedNextIsTaken() {
        const struct {
            const char* typed;
            bool byF5;
            const char* written;  // "" for none
            const char* nextAfter;
        } rows[] = {{"9", true, "WD 1 3030303946464646", "10"},
                    {"12", false, "WD 1 3030313246464646", "13"},
                    {"30", true, "", "30"}};
        for (const auto& row : rows) {
            WindowRig s;
            QVERIFY(StartLine(s, kCounter));
            s.Type(NextField, row.typed, false);
            if (*row.written == '\0') s.Answer(kMaximumReachedMessage);
            row.byF5 ? s.Key(Qt::Key_F5) : s.Click("  One");
            QVERIFY2(s.Settle(), row.typed);
            QCOMPARE(CountOf(s.Traffic(), row.written), std::size_t{*row.written == '\0' ? 0u : 1u});
            if (*row.written == '\0') QVERIFY(s.Traffic().empty());
            QCOMPARE(s.Text(NextField), QString(row.nextAfter));
        }
    }

    // Never sent: not on Enter, not with "  One" on an edited page, not with
    // "  write"; the field keeps what was typed and the operator is told.
    void unencodablePageIsNeverSent() {
        WindowRig s;
        QVERIFY(StartLine(s, kCounter, "[Pages 3-17]\r\nWrite Pages 3-17=1\r\n"
                                       "[Page 3]\r\nEdit Page 3=1\r\n"));
        s.Click(AsciiButton);
        const QString typed = QString::fromStdString("A B " + kEuro + " D E F G H");
        const std::string told = "P3" + kRefusedEuro + kPageNotSent;
        auto* page3 = qobject_cast<QLineEdit*>(s.Window().Control(PageField(3)));
        auto nothingSentForPage3 = [&] {
            const Texts log = s.Traffic();
            return std::none_of(log.begin(), log.end(),
                                [](const std::string& c) { return c.rfind("WD 3", 0) == 0; }) &&
                   s.reader.ReceivedBytes().find("3F") == std::string::npos;
        };
        s.Paste(PageField(3), typed.toStdString());
        s.Answer(told);
        s.Key(Qt::Key_Return);
        QVERIFY(s.Settle() && s.Colour(PageField(3)) == kRed && page3->text() == typed);

        page3->setText(QString());  // edited again, not committed
        page3->setText(typed);
        s.Answer({told, "Error on locking the pages of the transponder.", kBurned});
        s.Key(Qt::Key_F5);
        QVERIFY(s.Settle() && page3->text() == typed);
        QCOMPARE(CountOf(s.Traffic(), "WD 1 3030303546464646"), std::size_t{1});

        s.Click(ManualButton);
        s.Answer(told);
        s.Click("  write");
        QVERIFY(s.Settle() && page3->text() == typed && s.Colour(PageField(3)) == kRed);
        QVERIFY(nothingSentForPage3());
    }

    // Clicks and Enter while a slow cycle waits for the Reader are dropped:
    // "  One" three times and Enter twice give one cycle, and a click on the
    // "next" arrows or "Read" runs neither inside the cycle nor after it.
    void inputDuringACycleIsDropped() {
        WindowRig s;
        QVERIFY(StartLine(s, kCounter));
        gui::MainWindow& w = s.Window();
        s.reader.SetReplyDelay(std::chrono::milliseconds(300));
        QWidget* one = w.Control(One);
        bool pressed = false;
        bool oneEnabledDuringWait = true;
        // Inside one of the cycle's waits for a page write (timer ticks
        // reach no command then, but this one is the test's own).
        PollDuringWaits(&w, [&] {
            if (!w.Busy() || !Line(s).ResultText().startsWith(QStringLiteral("writing page "))) {
                return false;
            }
            oneEnabledDuringWait = one->isEnabled();
            for (int i = 0; i < 3; ++i) QTest::mouseClick(one, Qt::LeftButton);
            for (int i = 0; i < 2; ++i) QTest::keyClick(one, Qt::Key_Return);
            auto* arrows = static_cast<gui::SpinArrows*>(w.Control(NextSpin));
            QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
            QTest::mouseClick(w.Control(Read), Qt::LeftButton);
            return pressed = true;
        });
        QTest::mouseClick(one, Qt::LeftButton);
        QVERIFY(!one->isEnabled());
        QVERIFY(s.Settle());
        QVERIFY(pressed && !oneEnabledDuringWait);
        QTest::qWait(500);  // time for anything queued to come out: nothing does
        QVERIFY(s.Settle());
        const Texts log = s.Traffic();
        QCOMPARE(CountOf(log, "WD 1 3030303546464646"), std::size_t{1});
        QCOMPARE(CountOf(log, "LD 1"), std::size_t{1});
        QCOMPARE(CountOf(log, "RD 1"), std::size_t{0});
        QCOMPARE(s.Text(NextField), QStringLiteral("6"));
        QVERIFY(one->isEnabled());
    }

    // Tags laid one after another: each is programmed once, with its row,
    // its count and its result, and a tag left lying is not programmed again.
    void continuousModeProgramsEachTagOnce() {
        WindowRig s;
        QVERIFY(StartLine(s, kCounter));
        sim::TagSequence sequence;
        sequence.tags.resize(3);
        sequence.stayCommands = 9;  // the look, the cycle and two looks more
        sequence.gapCommands = 2;
        s.reader.SetSequence(sequence);
        s.Click(ContOn);
        QCOMPARE(s.Text(ContOn), QStringLiteral("Cont Off"));
        QVERIFY(!s.Window().Control(One)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(s.Traffic().size() >= 3 * (9 + 2) + 2, 60000);
        QVERIFY(s.Window().Model().run.continuousMode);
        s.Click(ContOn);
        QVERIFY(s.Settle());

        QCOMPARE(CountOf(s.Traffic(), "LD 1"), std::size_t{3});
        const std::vector<sim::Transponder> tags = s.reader.SequenceTags();
        for (std::size_t i = 0; i < tags.size(); ++i) {
            QCOMPARE(tags[i].pages[0][3], static_cast<std::uint8_t>('5' + i));
            QVERIFY(tags[i].locked[0]);
        }
        QCOMPARE(s.Text(NextField), QStringLiteral("8"));
        QCOMPARE(ReadRecordRows(s.Path("record.xml")).rows.size(), std::size_t{3});
        QCOMPARE(Line(s).CountText(), QStringLiteral("3 programmed this session, 3 of 10 in WO-1"));
        QCOMPARE(Line(s).ResultText(), QStringLiteral("Last: programmed"));
    }

    // While continuous mode runs: Config is refused; a close waits for the
    // cycle's end before it asks, and the cycle's progress survives the
    // message ticks inside its waits; Interface > Settings switches the mode
    // off and says so.
    void continuousModeGuards() {
        WindowRig s;
        QVERIFY(StartLine(s, kCounter));
        gui::MainWindow& w = s.Window();
        Station& st = w.Model();
        s.reader.SetPresent(false);
        s.Click(ContOn);
        QTRY_COMPARE_WITH_TIMEOUT(s.Text(StatusField), QString(kWaitingForTagText), kWait);
        QAction* config = w.Action(gui::MainWindow::MenuItem::Config);
        QVERIFY(!config->isEnabled() && !w.Control(ManualButton)->isEnabled());
        config->trigger();
        QVERIFY(!w.Control(One)->isEnabled() && st.run.continuousMode);

        s.reader.SetReplyDelay(std::chrono::milliseconds(300));
        s.reader.SetPresent(true);
        bool askedDuringCycle = true;
        const gui::MessageBoxHandler previous =
            gui::SetMessageBoxHandler([&](const MessageRequest& r) {
                askedDuringCycle = st.run.cycleRunning;
                s.messages.push_back(r.text);
                return MsgAnswer::No;
            });
        QStringList progress;
        bool closed = false;
        PollDuringWaits(&w, [&] {
            if (!st.run.cycleRunning) return closed;
            progress << Line(s).ResultText();
            if (!closed) {
                w.close();
                closed = true;
            }
            return false;
        });
        QTRY_VERIFY_WITH_TIMEOUT(!s.messages.empty(), kWait);
        gui::SetMessageBoxHandler(previous);
        QVERIFY(!askedDuringCycle && !w.Ended());
        QCOMPARE(s.messages.back(), std::string("Continuous mode is on. Close Tagwright anyway?"));
        QVERIFY2(progress.contains(QStringLiteral("locking page 1 of 17")),
                 qPrintable(progress.join('|')));
        QCOMPARE(Line(s).ResultText(), QStringLiteral("Last: programmed"));

        s.reader.SetReplyDelay(std::chrono::milliseconds(0));
        WhenModalOpens<QDialog>([](QDialog& dialog) { dialog.reject(); });
        s.Answer(kContinuousSettingsMessage);
        s.Menu("Interface/Settings");
        QVERIFY(s.Settle());
        QVERIFY(!st.run.continuousMode && config->isEnabled());
        QCOMPARE(s.Text(ContOn), QStringLiteral("Cont On"));
        s.reader.ClearLog();
        QTest::qWait(1200);  // two ticks of the stopped timer: no look comes
        QVERIFY(s.Traffic().empty());
    }
};

TW_SCENARIOS(WindowScenariosGuiRun)
#include "WindowScenariosGuiRun.moc"
