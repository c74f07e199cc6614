// The Production window's refresh after a cycle, on a large journal: the
// real main window offscreen in a scratch station whose SQLite journal holds
// ROWS rows (three stations, a tag every 3 s up to now, the failures a line
// meets), "  One" pressed for a new tag on the virtual Reader each time.
// Measured per cycle: the cycle itself with the Production window closed and
// open (it must not slow the cycle), the refresh (figures read and shown),
// the time from the cycle's end to the refresh done, and the window's repaint.
// Target: the refresh under 20 ms at 1,000,000 rows.
//
//   bench_production_window [--quick] [ROWS] [--screenshot FILE]
//
// --quick: 20,000 rows, a few cycles. --screenshot: a shift's worth of rows
// instead (a tag every 7 s since 8 hours ago), and a picture of the window.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

#include "QuickMode.h"
#include "SqliteFill.h"
#include "Timing.h"
#include "core/production/JournalSqlite.h"
#include "core/production/ProductionStats.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/main/MainWindow.h"
#include "gui/production/ProductionWindow.h"
#include "reader-sim/VirtualReader.h"
#include "support/StationFiles.h"

namespace {

using namespace tagwright;
namespace fs = std::filesystem;

constexpr int kWaitMs = 60000;

// ROWS rows up to now, SPACING seconds apart, some quarter hours busier than
// others; the last 20,000 of work order WO-7, the set's.
std::string FillSql(long rows, long spacing) {
    const long first = static_cast<long>(std::time(nullptr)) - rows * spacing;
    const std::string at = "datetime(" + std::to_string(first) + " + i * " +
                           std::to_string(spacing) + ", 'unixepoch'";
    const std::string outcome =
        "CASE WHEN i % 61 = 7 THEN 'failed' WHEN i % 1009 = 13 THEN 'reserved' "
        "WHEN i % 97 = 3 OR i % 151 = 5 OR i % 233 = 11 OR i % 311 = 17 THEN 'burned' "
        "ELSE 'programmed' END";
    const std::string step =
        "CASE WHEN i % 61 = 7 THEN 'read UID' WHEN i % 1009 = 13 THEN NULL "
        "WHEN i % 97 = 3 THEN 'verify failed' WHEN i % 151 = 5 THEN 'write' "
        "WHEN i % 233 = 11 THEN 'lock not proven' WHEN i % 311 = 17 THEN 'lock' END";
    const std::string reply =
        "CASE WHEN i % 1009 = 13 THEN NULL WHEN i % 61 = 7 THEN 'No Read' WHEN i % 97 = 3 THEN '3030303546464647' "
        "WHEN i % 151 = 5 THEN 'NAK' WHEN i % 233 = 11 THEN 'No Read' END";
    return "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(rows) +
           ") INSERT INTO cycles (time_utc, time_local, host, set_name, work_order, part_number, "
           "operator_badge, carrier_id, carrier_number, outcome, failed_step, reader_reply, uid, "
           "retries, locks) SELECT " + at + "), " + at + ", 'localtime'), 'station-' || (i % 3), "
           "'Line', CASE WHEN i > " + std::to_string(rows - 20000) + " THEN 'WO-7' ELSE 'WO-' || "
           "(100 + i / 50000) END, 'PN-4711', 'OP-' || (i % 2), "
           "CASE WHEN i % 61 = 7 THEN NULL ELSE printf('%08d', i) END, "
           "CASE WHEN i % 61 = 7 THEN NULL ELSE i END, " + outcome + ", " + step + ", " + reply +
           ", CASE WHEN i % 61 = 7 THEN NULL ELSE printf('E004%012X', i) END, "
           "CASE WHEN i % 17 = 0 THEN 1 ELSE 0 END, '1' FROM n "
           "WHERE i % 10 < 6 + (i / 150) % 5";
}

bool Fill(const fs::path& dir, long rows, long spacing) {
    {
        JournalOpenResult created = OpenSqliteJournal(dir);
        if (!created.journal) return false;
    }
    return bench::FillSqliteFile(JournalPath(dir).string(), FillSql(rows, spacing));
}

void WriteFile(const QString& path, const std::string& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(text.data(), static_cast<qint64>(text.size()));
}

struct Times {
    std::vector<double> cycle, refresh, delay, repaint;
};

// One "  One" for a new tag; with the Production window open, waits for its
// refresh after the cycle.
bool Cycle(gui::MainWindow& window, sim::VirtualReader& reader, Times& times, bool open) {
    gui::ProductionWindow* p = window.Production();
    const int before = open ? p->Refreshes() : 0;
    reader.SetTransponder(sim::Transponder{});
    QTest::mouseClick(qobject_cast<QAbstractButton*>(window.Control(MainControl::One)),
                      Qt::LeftButton);
    const Station& s = window.Model();
    const std::uint64_t sequence = s.run.lastCycle.sequence;
    const bool done = QTest::qWaitFor(
        [&] {
            return s.run.lastCycle.sequence != sequence && !s.run.oneRequested &&
                   (!open || p->Refreshes() > before);
        },
        kWaitMs);
    if (!done || s.run.lastCycle.result != CycleResult::Programmed) return false;
    times.cycle.push_back(static_cast<double>(s.run.lastCycle.elapsedMs));
    if (!open) return true;
    times.refresh.push_back(p->LastRefreshMs());
    times.delay.push_back(p->LastDelayMs());
    const bench::Clock::time_point start = bench::Clock::now();
    p->repaint();
    times.repaint.push_back(bench::MsSince(start));
    return true;
}

double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The refresh again and again, and the figures alone, as the last cycle's
// refresh asked them: wall and CPU time of each, the core's share apart.
struct Split {
    std::vector<double> refreshWall, refreshCpu, figuresWall, figuresCpu;
};

Split SplitRefresh(gui::MainWindow& window, int runs) {
    Split split;
    gui::ProductionWindow* p = window.Production();
    Journal* journal = window.Model().journal.journal.get();
    if (journal == nullptr) return split;
    const StatsQuery query = p->Panel().LastQuery();
    for (int i = 0; i < runs; ++i) {
        double cpu = ThreadCpuMs();
        bench::Clock::time_point start = bench::Clock::now();
        p->RefreshNow();
        split.refreshWall.push_back(bench::MsSince(start));
        split.refreshCpu.push_back(ThreadCpuMs() - cpu);
        cpu = ThreadCpuMs();
        start = bench::Clock::now();
        const ProductionFigures f = ComputeProductionFigures(*journal, query);
        split.figuresWall.push_back(bench::MsSince(start));
        split.figuresCpu.push_back(ThreadCpuMs() - cpu);
        if (!f.ok) return {};
    }
    return split;
}

void Print(const char* name, const std::vector<double>& ms) {
    if (ms.empty()) return;
    std::printf("  %-34s median %7.2f ms, max %7.2f ms (%zu)\n", name, bench::Percentile(ms, 0.5),
                bench::Percentile(ms, 1.0), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = bench::TakeQuickFlag(argc, argv);
    std::string screenshot;
    long rows = quick ? 20000 : 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else {
            rows = std::max(1000L, std::atol(argv[i]));
        }
    }
    const long spacing = screenshot.empty() ? 3 : 7;
    if (!screenshot.empty()) rows = 8 * 3600 / spacing;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const gui::MessageBoxHandler previous = gui::SetMessageBoxHandler([](const MessageRequest& r) {
        std::fprintf(stderr, "message: %s\n", r.text.c_str());
        return MsgAnswer::Ok;
    });

    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const bench::Clock::time_point building = bench::Clock::now();
    if (!Fill(root, rows, spacing)) {
        std::fprintf(stderr, "cannot build the journal in %s\n", root.c_str());
        return 1;
    }
    std::printf("journal of %ld generated rows, built in %.0f ms\n", rows,
                bench::MsSince(building));

    sim::VirtualReader reader;  // outlives the window, which closes the port
    std::string error;
    if (!reader.Start(&error)) {
        std::fprintf(stderr, "no virtual Reader: %s\n", error.c_str());
        return 1;
    }
    WriteFile(dir.filePath("Line.ini"),
              test::SetIni("Decimal counter=1\r\n",
                           "[Transponder type]\r\nTI=1\r\n[Work order Setup]\r\n"
                           "Work order number=WO-7\r\nQuantity=25000\r\n[Log]\r\nLog=1\r\n"
                           "file name=" + (root / "record.xml").string() + "\r\n",
                           2, {{1, "Lock Page 1=1"}}, {}, "41"));
    WriteFile(dir.filePath("Tagwright.ini"),
              test::StationIni(reader.SlavePath(), 1, "Line",
                               "Carrier ID Max=99999999\r\n[Shifts]\r\nStarts=06:00,14:00,22:00\r\n"));
    QDir::setCurrent(dir.path());
    auto window = std::make_unique<gui::MainWindow>();
    window->Initialise();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()) || !window->Model().reader.port.portOpen) {
        std::fprintf(stderr, "the window did not start on %s\n", reader.SlavePath().c_str());
        return 1;
    }

    Times closed, open;
    const int cycles = quick ? 3 : 20;
    bool ok = true;
    for (int i = 0; ok && i < cycles; ++i) ok = Cycle(*window, reader, closed, false);
    window->Action(gui::MainWindow::MenuItem::Production)->trigger();
    gui::ProductionWindow* p = window->Production();
    ok = ok && p != nullptr && QTest::qWaitForWindowExposed(p);
    for (int i = 0; ok && i < cycles; ++i) ok = Cycle(*window, reader, open, true);
    if (ok && !screenshot.empty()) {
        p->resize(1180, 760);
        QTest::qWait(200);
        p->Causes()->setCurrentRow(1);  // a cause's rows listed, as after a click
        QTest::qWait(200);
        ok = p->grab().save(QString::fromStdString(screenshot));
    }
    const Split split = ok ? SplitRefresh(*window, quick ? 3 : 50) : Split{};
    ok = ok && !split.refreshWall.empty();
    if (ok) {
        std::printf("after each cycle, %s:\n", screenshot.empty() ? "the last 8 hours busy" : "a shift");
        Print("cycle, Production window closed", closed.cycle);
        Print("cycle, Production window open", open.cycle);
        Print("refresh (figures read and shown)", open.refresh);
        Print("cycle's end to refresh done", open.delay);
        Print("repaint of the Production window", open.repaint);
        std::printf("the refresh again, as the last one:\n");
        Print("refresh, wall", split.refreshWall);
        Print("refresh, CPU of the window thread", split.refreshCpu);
        Print("figures alone (core), wall", split.figuresWall);
        Print("figures alone (core), CPU", split.figuresCpu);
    }
    window.reset();
    gui::SetMessageBoxHandler(previous);
    if (!ok) std::fprintf(stderr, "bench_production_window: a cycle or its refresh failed\n");
    return ok ? 0 : 1;
}
