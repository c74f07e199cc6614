// Times one cycle's journal work, a reservation and its confirmation, in a
// journal of 100 rows and in one of 1,000,000. Both are indexed look-ups and
// one synced commit each, so the time must not grow with the journal: the
// target is a median under 2 ms and a ratio of the two medians under 2.
// Also shown: opening the journal, and the UID look-up of a Norvik cycle.
//
// Usage: bench_journal_cost [--quick] [DIRECTORY]  (default: a new temporary
// directory, removed at the end; the large journal takes about 1 GB while it
// lives. --quick: 20 cycles in journals of 100 and 2,000 rows)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include "QuickMode.h"
#include "Timing.h"
#include "core/production/JournalSqlite.h"

using namespace tagwright;
namespace fs = std::filesystem;
using namespace tagwright::bench;

namespace {

const JournalContext kContext{"Bench", "WO-2026-0042", "PN-4711-A", "OP-0815"};

std::string Page(long n, int page) {
    char text[32];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X %02X %02X",
                  static_cast<int>(n & 0xFF), page, 0x30, 0x31, 0x32, 0x33,
                  static_cast<int>((n >> 8) & 0xFF), static_cast<int>((n >> 16) & 0xFF));
    return text;
}

std::string CarrierId(long n) {
    char id[24];
    std::snprintf(id, sizeof id, "%010ld", n);
    return id;
}

std::string Uid(long n) {
    char uid[24];
    std::snprintf(uid, sizeof uid, "E004%012lX", n);
    return uid;
}

// Fills the journal with `rows` programmed cycles in one transaction, without
// syncs: the timed cycles must not pay for building it.
bool Fill(const fs::path& dir, long rows) {
    {
        JournalOpenResult created = OpenSqliteJournal(dir);  // creates the schema
        if (!created.journal) return false;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(JournalPath(dir).c_str(), &db) != SQLITE_OK) return false;
    std::string sql =
        "INSERT INTO cycles (time_utc, time_local, host, set_name, work_order, part_number, "
        "operator_badge, carrier_id, carrier_number, outcome, uid, locks, record_file, record_row";
    for (int p = 1; p <= kJournalPages; ++p) sql += ", page_" + std::to_string(p);
    sql += ") VALUES ('2026-12-01 06:00:00', '2026-12-01 07:00:00', 'bench', 'Bench', "
           "'WO-2026-0042', 'PN-4711-A', 'OP-0815', ?1, ?2, 'programmed', ?3, '1 2', "
           "'/data/Tagwright.xml', ?2";
    for (int p = 1; p <= kJournalPages; ++p) sql += ", ?" + std::to_string(p + 3);
    sql += ")";
    sqlite3_exec(db, "PRAGMA synchronous = OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    bool ok = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK;
    for (long n = 1; ok && n <= rows; ++n) {
        const std::string id = CarrierId(n), uid = Uid(n);
        sqlite3_bind_text(st, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, n);
        sqlite3_bind_text(st, 3, uid.c_str(), -1, SQLITE_TRANSIENT);
        for (int p = 1; p <= kJournalPages; ++p) {
            const std::string page = Page(n, p);
            sqlite3_bind_text(st, p + 3, page.c_str(), -1, SQLITE_TRANSIENT);
        }
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && sqlite3_exec(db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr,
                            nullptr) == SQLITE_OK;
    sqlite3_close(db);
    ::sync();
    return ok;
}

struct Subject {
    long rows = 0;
    fs::path dir;
    std::unique_ptr<Journal> journal;
    double built = 0, open = 0;
    std::vector<double> cycle, lookup;
};

// One cycle's journal work after the rows already there: the UID look-up of
// a Norvik cycle, then the timed reserve plus confirm.
bool RunCycle(Subject& s, long n) {
    CycleDetails details;
    for (int p = 0; p < kJournalPages; ++p) details.pages[p] = Page(n, p + 1);
    details.locked[0] = details.locked[1] = true;
    details.recordFile = "/data/Tagwright.xml";
    details.uid = Uid(s.rows + n);
    details.recordRow = s.rows + n;
    Clock::time_point start = Clock::now();
    const UidLookup seen = s.journal->FindProgrammedUid(details.uid);
    s.lookup.push_back(MsSince(start));
    start = Clock::now();
    const ReserveResult r = s.journal->Reserve(kContext, CarrierId(s.rows + n));
    const JournalResult c = s.journal->Confirm(r.cycle, details);
    s.cycle.push_back(MsSince(start));
    if (seen.ok && r.status == JournalStatus::Ok && c.ok) return true;
    std::fprintf(stderr, "%s%s%s\n", seen.message.c_str(), r.message.c_str(), c.message.c_str());
    return false;
}

bool Prepare(Subject& s) {
    fs::create_directories(s.dir);
    const Clock::time_point building = Clock::now();
    if (!Fill(s.dir, s.rows)) {
        std::fprintf(stderr, "cannot fill a journal of %ld rows in %s\n", s.rows, s.dir.c_str());
        return false;
    }
    s.built = MsSince(building);
    const Clock::time_point opening = Clock::now();
    JournalOpenResult opened = OpenSqliteJournal(s.dir);
    s.open = MsSince(opening);
    if (!opened.journal) std::fprintf(stderr, "%s\n", opened.error.c_str());
    s.journal = std::move(opened.journal);
    return s.journal != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = TakeQuickFlag(argc, argv);
    const int cycles = quick ? 20 : 300;
    std::string base = argc > 1 ? argv[1] : fs::temp_directory_path().string();
    std::string pattern = (fs::path(base) / "journal-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path root = pattern;
    std::printf("journal in %s, %d cycles each (reserve + confirm)\n", root.c_str(), cycles);

    Subject subjects[2];
    subjects[0].rows = 100;
    subjects[1].rows = quick ? 2000 : 1000000;
    bool ok = true;
    for (Subject& s : subjects) {
        s.dir = root / std::to_string(s.rows);
        ok = ok && Prepare(s);
    }
    // Taken in turns, so that a change in the disk's load weighs on both alike.
    for (long n = 1; ok && n <= cycles; ++n) {
        for (Subject& s : subjects) ok = ok && RunCycle(s, n);
    }
    if (ok) {
        for (const Subject& s : subjects) {
            std::printf("%8ld rows: built in %7.0f ms, opened in %6.2f ms; cycle median %.3f ms, "
                        "p99 %.3f ms; UID look-up median %.3f ms\n",
                        s.rows, s.built, s.open, Percentile(s.cycle, 0.5),
                        Percentile(s.cycle, 0.99), Percentile(s.lookup, 0.5));
        }
        std::printf("ratio of medians (%ld / 100): %.2f\n", subjects[1].rows,
                    Percentile(subjects[1].cycle, 0.5) / Percentile(subjects[0].cycle, 0.5));
        std::printf("one 4 KiB append + fdatasync on this file system: median %.3f ms\n",
                    SyncFloor(root.string(), 4096));
    }
    for (Subject& s : subjects) s.journal.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
    if (!ok) std::fprintf(stderr, "bench_journal_cost: the journal work failed\n");
    return ok ? 0 : 1;
}
