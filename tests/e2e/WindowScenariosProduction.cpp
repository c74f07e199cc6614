// The Production window beside the main window: its figures after a run
// with the faults a line meets agree with counts made here with SQL of our
// own on the journal, it reads them again after each cycle on its own, a
// cause lists its rows, and a continuous run without tags warns of a stall.

#include <atomic>
#include <ctime>

#include <QListWidget>
#include <QTableWidget>
#include <QTest>

#include "core/app/ProgrammingCycle.h"
#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/main/MainWindow.h"
#include "gui/production/ProductionWindow.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

constexpr int kWait = 30000;

// The system's clock, moved on by the test.
class MovedClock final : public Clock {
public:
    LocalTime Now() const override {
        const std::time_t t = std::time(nullptr) + offset.load();
        std::tm tm{};
        ::localtime_r(&t, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
    std::atomic<long> offset{0};
};

gui::ProductionWindow* OpenProduction(WindowRig& s) {
    s.Menu("Production");
    gui::ProductionWindow* p = s.Window().Production();
    if (p == nullptr || !QTest::qWaitFor([p] { return p->isVisible() && p->Refreshes() > 0; })) {
        return nullptr;
    }
    return p;
}

QString Single(const Texts& rows) { return rows.size() == 1 ? QString::fromStdString(rows[0]) : "?"; }

// The failure causes as the window lists them and as SQL counts them.
Texts Listed(const QListWidget& list) {
    Texts shown;
    for (int i = 0; i < list.count(); ++i) shown.push_back(list.item(i)->text().toStdString());
    return shown;
}

}  // namespace

class WindowProductionScenarios : public QObject {
    Q_OBJECT
private slots:
    // A tag programmed, one without a UID, one whose write was refused (its
    // ID burned) and one whose read-back healed on the retry: the window,
    // refreshed after each cycle, counts as the journal does.
    void figuresAgreeWithTheJournal() {
        WindowRig s;
        QVERIFY(s.StartAuto(LineSet(s, kCounter, "Norvik", "[Write checks]\r\nRetries=1\r\n")));
        gui::ProductionWindow* p = OpenProduction(s);
        QVERIFY(p != nullptr);
        QCOMPARE(p->FigureText("Tags programmed"), QStringLiteral("0"));

        int seen = p->Refreshes();
        const auto cycle = [&](const std::string& uid, auto fault, const Texts& told) {
            s.Lay(uid);
            s.reader.ClearLog();
            fault();
            s.Answer(told);
            if (!s.Press("  One")) return false;
            // Read again after the cycle, on its own.
            const bool refreshed = QTest::qWaitFor([&] { return p->Refreshes() > seen; }, kWait);
            seen = p->Refreshes();
            return refreshed;
        };
        QVERIFY(cycle("00000001", [] {}, {}));
        QCOMPARE(p->FigureText("Tags programmed"), QStringLiteral("1"));
        QVERIFY(cycle("00000002", [&] { s.reader.SetPresent(false); }, {kNoUid}));
        s.reader.SetPresent(true);
        QVERIFY(cycle("00000003", [&] { s.reader.ReplaceAnswer(4, "NAK\r"); },  // WD 1
                      {kWriteFailedMessage, Replaced(kBurned, "0005", "0006")}));
        QVERIFY(cycle("00000004", [&] { s.reader.ReplaceAnswer(7, "No Read\r"); }, {}));  // RD 2

        const auto count = [&](const std::string& where) {
            return Single(s.Journal("SELECT count(*) FROM cycles WHERE " + where));
        };
        QCOMPARE(p->FigureText("Tags programmed"), count("outcome = 'programmed'"));
        QCOMPARE(p->FigureText("Cycles"), count("1"));
        QVERIFY(p->FigureText("First-pass yield")
                    .contains("(" + count("outcome = 'programmed' AND retries = 0") + " of " +
                              count("1") + " cycles"));
        QVERIFY(p->FigureText("Burned IDs").startsWith(count("outcome IN ('burned', 'reserved')")));
        QVERIFY(p->FigureText("Work order WO-1")
                    .startsWith(count("work_order = 'WO-1' AND outcome = 'programmed'") + " of 10"));
        Texts causes = s.Journal(
            "SELECT failed_step || ': ' || coalesce(nullif(reader_reply, ''), 'no reply') || '   ' "
            "|| count(*) FROM cycles WHERE outcome <> 'programmed' GROUP BY failed_step, "
            "reader_reply ORDER BY count(*) DESC, 1");
        Texts listed = Listed(*p->Causes());
        std::sort(causes.begin(), causes.end());
        std::sort(listed.begin(), listed.end());
        QVERIFY(SameLines(listed, causes));
        QVERIFY(!p->SinceLastTagText().isEmpty());

        // A click on the cause of the missing UID lists its one row.
        QListWidget* list = p->Causes();
        int uidCause = -1;
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text().startsWith("read UID")) uidCause = i;
        }
        QVERIFY(uidCause >= 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(uidCause)).center());
        const Texts expected = s.Journal(
            "SELECT coalesce(nullif(carrier_id, ''), '-'), coalesce(nullif(uid, ''), '-'), "
            "time_local, coalesce(nullif(reader_reply, ''), 'no reply') FROM cycles "
            "WHERE failed_step = 'read UID'");
        QTRY_COMPARE_WITH_TIMEOUT(p->CauseRows()->rowCount(), int(expected.size()), kWait);
        Texts shown;
        for (int r = 0; r < p->CauseRows()->rowCount(); ++r) {
            std::string line;
            for (int c = 0; c < 4; ++c) {
                line += (c > 0 ? "|" : "") + p->CauseRows()->item(r, c)->text().toStdString();
            }
            shown.push_back(line);
        }
        QVERIFY(SameLines(shown, expected));
    }

    // Continuous mode on and no tag for the set time: the warning shows on
    // the window's own clock; a programmed tag takes it away.
    void stallWarning() {
        MovedClock clock;
        WindowRig s;
        s.clock = &clock;
        s.Write("Line.ini", LineSet(s, kCounter, "TI"));
        s.Settings(1, "Line", "Carrier ID Max=20\r\n[Shifts]\r\nStallMinutes=5\r\n");
        s.reader.SetPresent(false);
        QVERIFY(s.Start());
        gui::ProductionWindow* p = OpenProduction(s);
        QVERIFY(p != nullptr);
        s.Click(ContOn);
        clock.offset = 4 * 60;
        QTest::qWait(1500);  // two ticks of the window's clock: not yet
        QCOMPARE(p->StallText(), QString());
        clock.offset = 6 * 60;
        QTRY_VERIFY_WITH_TIMEOUT(p->StallText().startsWith("Stalled: no tag programmed for 6 min"),
                                 kWait);
        s.Lay("00000001");
        s.reader.SetPresent(true);
        QTRY_COMPARE_WITH_TIMEOUT(s.Text(StatusField),
                                  QStringLiteral("Programmed: remove the transponder"), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(p->StallText(), QString(), kWait);
        s.Click(ContOn);
        QVERIFY(s.Settle());
    }
};

TW_SCENARIOS(WindowProductionScenarios)
#include "WindowScenariosProduction.moc"
