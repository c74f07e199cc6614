#include "core/production/JournalSqlite.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <system_error>
#include <thread>
#include <utility>

#include <sqlite3.h>
#include <unistd.h>

#include "core/base/Utf8.h"
#include "core/production/JournalAudit.h"
#include "core/production/JournalFields.h"
#include "core/production/JournalOutboxSqlite.h"
#include "core/production/JournalStatsSql.h"
#include "core/production/SqliteDb.h"

namespace tagwright {

namespace fs = std::filesystem;

namespace {

// "TWJ1" in the database header: tells our journals from other databases.
constexpr int kApplicationId = 0x54574A31;
constexpr int kSchemaVersion = 1;
// How long a statement waits for another station's write.
constexpr int kBusyTimeoutMs = 10000;
// The finish statement's first detail parameter.
constexpr int kFinishDetail = 10;

// One row per cycle. A carrier ID is taken by every row but a failed cycle
// that never reserved it; the partial UNIQUE index is what makes a
// reservation atomic (INSERT ... ON CONFLICT DO NOTHING).
std::string SchemaSql() {
    std::string pages;
    for (int p = 1; p <= kJournalPages; ++p) pages += "  page_" + std::to_string(p) + " TEXT,\n";
    return "CREATE TABLE IF NOT EXISTS cycles (\n"
           "  id INTEGER PRIMARY KEY,\n"
           "  time_utc TEXT NOT NULL,\n"
           "  time_local TEXT NOT NULL,\n"
           "  host TEXT NOT NULL,\n"
           "  set_name TEXT NOT NULL,\n"
           "  work_order TEXT NOT NULL,\n"
           "  part_number TEXT NOT NULL,\n"
           "  operator_badge TEXT NOT NULL,\n"
           "  carrier_id TEXT,\n"
           "  carrier_number INTEGER,\n"
           "  outcome TEXT NOT NULL\n"
           "    CHECK (outcome IN ('reserved', 'programmed', 'burned', 'failed')),\n"
           "  failed_step TEXT,\n"
           "  reader_reply TEXT,\n"
           "  uid TEXT,\n" +
           pages +
           "  locks TEXT,\n"
           "  record_file TEXT,\n"
           "  record_row INTEGER,\n"
           "  retries INTEGER NOT NULL DEFAULT 0,\n"
           "  " + std::string(kOriginColumnSql) + "\n"
           ");\n"
           "CREATE UNIQUE INDEX IF NOT EXISTS carrier_id_once ON cycles (carrier_id)\n"
           "  WHERE outcome <> 'failed';\n"
           "CREATE INDEX IF NOT EXISTS programmed_uid ON cycles (uid)\n"
           "  WHERE outcome = 'programmed';\n"
           "CREATE INDEX IF NOT EXISTS set_carrier_number ON cycles (set_name, carrier_number)\n"
           "  WHERE outcome <> 'failed';\n";
}

bool IsDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

class SqliteJournal final : public RowJournal {
public:
    SqliteJournal(sqlite::Connection db, fs::path path)
        : db_(std::move(db)), path_(std::move(path)), host_(JournalHostName()),
          outbox_(MakeSqliteOutbox(db_, host_)),
          stats_(MakeSqliteStatsSource(db_.Handle(), MessagePath(path_))) {}

    // Prepares every statement; false when the schema is not ours.
    bool Prepare();

    ReserveResult Reserve(const JournalContext& context, std::string_view carrierId) override;
    JournalResult RecordFailure(const JournalContext& context, std::string_view carrierId,
                                const CycleDetails& details) override;
    CarrierIdLookup IsUsed(std::string_view carrierId) override;
    UidLookup FindProgrammedUid(std::string_view uid) override;
    HighestCarrierId HighestCarrierIdOfSet(std::string_view setName) override;
    JournalRows Rows(std::string_view sinceUtc) override;
    JournalResult RecordAudit(const AuditEntry& entry) override {
        const int rc = InsertSqliteAudit(db_, host_, entry);
        if (rc == SQLITE_DONE) return {true, {}};
        return {false, rc == SQLITE_READONLY_DBMOVED ? MovedText() : Failure("written")};
    }
    AuditRows Audit(std::string_view sinceUtc) override {
        AuditRows result;
        result.ok = ReadSqliteAudit(db_, sinceUtc, &result.rows) == SQLITE_DONE;
        if (!result.ok) result = {false, {}, Failure("read")};
        return result;
    }
    std::string Location() const override { return path_.string(); }
    JournalOutbox* Outbox() override { return outbox_.get(); }
    JournalStatsSource* StatsSource() override { return stats_.get(); }

private:
    void BindContext(sqlite::Statement& st, const JournalStamp& now,
                     const JournalContext& context, std::string_view carrierId) const;
    static void BindDetails(sqlite::Statement& st, int first, const CycleDetails& details);
    JournalResult Finish(JournalCycleId cycle, const CycleDetails& details,
                         const char* outcome) override;
    std::string Failure(std::string_view doing) const;
    std::string MovedText() const {
        return "The production journal \"" + MessagePath(path_) +
               "\" cannot be written: the file was removed or renamed.";
    }

    sqlite::Connection db_;
    fs::path path_;
    std::string host_;
    sqlite::Statement reserve_, finish_, failure_, used_, uid_, highestNumber_, highestText_;
    std::unique_ptr<JournalOutbox> outbox_;
    std::unique_ptr<JournalStatsSource> stats_;
};

bool SqliteJournal::Prepare() {
    sqlite3* h = db_.Handle();
    reserve_ = sqlite::Statement(h, JournalReserveSql('?'));
    finish_ = sqlite::Statement(h, JournalFinishSql('?', kFinishDetail));
    failure_ = sqlite::Statement(h, JournalFailureSql('?'));
    used_ = sqlite::Statement(
        h, "SELECT outcome, time_local FROM cycles WHERE carrier_id = ?1 AND outcome <> 'failed'");
    uid_ = sqlite::Statement(h,
                             "SELECT carrier_id, time_local FROM cycles WHERE uid = ?1 AND "
                             "outcome = 'programmed' ORDER BY id DESC LIMIT 1");
    highestNumber_ = sqlite::Statement(
        h, "SELECT carrier_id FROM cycles WHERE set_name = ?1 AND outcome <> 'failed' AND "
           "carrier_number IS NOT NULL ORDER BY carrier_number DESC, carrier_id DESC LIMIT 1");
    highestText_ = sqlite::Statement(
        h, "SELECT max(carrier_id) FROM cycles WHERE set_name = ?1 AND outcome <> 'failed'");
    for (const sqlite::Statement* st :
         {&reserve_, &finish_, &failure_, &used_, &uid_, &highestNumber_, &highestText_}) {
        if (!st->Prepared()) return false;
    }
    return true;
}

std::string SqliteJournal::Failure(std::string_view doing) const {
    std::string text = "The production journal \"" + MessagePath(path_) + "\" cannot be " +
                       std::string(doing) + ": " + db_.ErrorText();
    const int err = sqlite3_system_errno(db_.Handle());
    if ((db_.ErrorCode() & 0xFF) == SQLITE_IOERR) {
        // A short write leaves no errno: a full disk is the likely cause.
        text += err != 0 ? " (" + std::generic_category().message(err) + ")"
                         : " (the disk may be full or failing)";
    }
    if (IsDamage(db_.ErrorCode())) text += ". The journal is damaged; restart the station";
    return text + ".";
}

void SqliteJournal::BindContext(sqlite::Statement& st, const JournalStamp& now,
                                const JournalContext& context, std::string_view carrierId) const {
    st.Bind(1, now.utc);
    st.Bind(2, now.local);
    st.Bind(3, host_);
    st.Bind(4, context.setName);
    st.Bind(5, context.workOrder);
    st.Bind(6, context.partNumber);
    st.Bind(7, context.operatorBadge);
    st.Bind(8, carrierId, true);
    if (const auto number = CarrierNumber(carrierId)) {
        st.Bind(9, *number);
    } else {
        st.BindNull(9);
    }
    st.Bind(10, context.origin);
}

void SqliteJournal::BindDetails(sqlite::Statement& st, int first, const CycleDetails& details) {
    int i = first;
    st.Bind(i++, details.failedStep, true);
    st.Bind(i++, details.readerReply, true);
    st.Bind(i++, details.uid, true);
    for (const std::string& page : details.pages) st.Bind(i++, page, true);
    st.Bind(i++, LockList(details.locked));
    st.Bind(i++, details.recordFile, true);
    if (details.recordFile.empty()) {
        st.BindNull(i);
    } else {
        st.Bind(i, details.recordRow);
    }
    st.Bind(++i, static_cast<std::int64_t>(details.retries));
}

ReserveResult SqliteJournal::Reserve(const JournalContext& context, std::string_view carrierId) {
    ReserveResult result;
    if (db_.HasMoved()) {
        result.message = MovedText();
        return result;
    }
    BindContext(reserve_, JournalNow(), context, carrierId);
    int rc = reserve_.Step();
    const bool taken = rc == SQLITE_ROW;
    if (taken) {
        result.cycle = reserve_.Int(0);
        rc = reserve_.Step();  // runs the statement to its end: the commit
    }
    if (rc != SQLITE_DONE) {
        result.message = Failure("written");
        reserve_.Reset();
        return result;
    }
    reserve_.Reset();
    if (taken) {
        result.status = JournalStatus::Ok;
        return result;
    }
    used_.Bind(1, carrierId);
    rc = used_.Step();
    if (rc == SQLITE_ROW) {
        result.use = CarrierIdUseOf(used_.Text(0));
        result.usedAt = used_.Text(1);
    }
    used_.Reset();
    if (rc != SQLITE_ROW) {
        result.message = Failure("read");
        return result;
    }
    result.status = JournalStatus::AlreadyUsed;
    result.message = "Carrier ID " + std::string(carrierId) + " was already used: " +
                     CarrierIdUseText(result.use) + " on " + result.usedAt + ".";
    return result;
}

JournalResult SqliteJournal::Finish(JournalCycleId cycle, const CycleDetails& details,
                                    const char* outcome) {
    const JournalStamp now = JournalNow();
    finish_.Bind(1, now.utc);
    finish_.Bind(2, now.local);
    finish_.Bind(3, std::string_view(outcome));
    finish_.Bind(4, cycle);
    BindDetails(finish_, kFinishDetail, details);
    const int rc = finish_.Step();
    const std::string failure = rc == SQLITE_DONE ? "" : Failure("written");
    finish_.Reset();
    if (rc != SQLITE_DONE) return {false, failure};
    if (sqlite3_changes(db_.Handle()) != 1) {
        return {false, "The production journal \"" + MessagePath(path_) + "\" holds no open cycle " +
                           std::to_string(cycle) + "."};
    }
    return {true, {}};
}

JournalResult SqliteJournal::RecordFailure(const JournalContext& context,
                                           std::string_view carrierId,
                                           const CycleDetails& details) {
    if (db_.HasMoved()) return {false, MovedText()};
    BindContext(failure_, JournalNow(), context, carrierId);
    BindDetails(failure_, kJournalContextCount + 1, details);
    const int rc = failure_.Step();
    const std::string failure = rc == SQLITE_DONE ? "" : Failure("written");
    failure_.Reset();
    if (rc != SQLITE_DONE) return {false, failure};
    return {true, {}};
}

std::string RowsSql() {
    return "SELECT " + JournalRowColumns() + " FROM cycles WHERE time_utc >= ?1 ORDER BY id";
}

// The columns in RowsSql's order.
JournalRow RowAt(const sqlite::Statement& st) {
    JournalRow row;
    int i = 0;
    row.cycle = st.Int(i++);
    for (std::string* text : {&row.timeUtc, &row.timeLocal, &row.host, &row.setName,
                              &row.workOrder, &row.partNumber, &row.operatorBadge, &row.carrierId,
                              &row.outcome, &row.failedStep, &row.readerReply, &row.uid}) {
        *text = st.Text(i++);
    }
    for (std::string& page : row.pages) page = st.Text(i++);
    row.locks = st.Text(i++);
    row.recordFile = st.Text(i++);
    row.recordRow = st.Int(i++);
    row.retries = static_cast<int>(st.Int(i++));
    row.origin = st.Text(i);
    return row;
}

JournalRows SqliteJournal::Rows(std::string_view sinceUtc) {
    JournalRows result;
    sqlite::Statement st(db_.Handle(), RowsSql());
    if (!st.Prepared()) {
        result.message = Failure("read");
        return result;
    }
    st.Bind(1, sinceUtc);
    int rc = SQLITE_ROW;
    while ((rc = st.Step()) == SQLITE_ROW) result.rows.push_back(RowAt(st));
    if (rc != SQLITE_DONE) {
        result.rows.clear();
        result.message = Failure("read");
        return result;
    }
    result.ok = true;
    return result;
}

CarrierIdLookup SqliteJournal::IsUsed(std::string_view carrierId) {
    CarrierIdLookup result;
    used_.Bind(1, carrierId);
    const int rc = used_.Step();
    if (rc == SQLITE_ROW) result.use = CarrierIdUseOf(used_.Text(0));
    used_.Reset();
    result.ok = rc == SQLITE_ROW || rc == SQLITE_DONE;
    if (!result.ok) result.message = Failure("read");
    return result;
}

UidLookup SqliteJournal::FindProgrammedUid(std::string_view uid) {
    UidLookup result;
    uid_.Bind(1, uid);
    const int rc = uid_.Step();
    if (rc == SQLITE_ROW) result.found = ProgrammedUid{uid_.Text(0), uid_.Text(1)};
    uid_.Reset();
    result.ok = rc == SQLITE_ROW || rc == SQLITE_DONE;
    if (!result.ok) result.message = Failure("read");
    return result;
}

HighestCarrierId SqliteJournal::HighestCarrierIdOfSet(std::string_view setName) {
    HighestCarrierId result;
    for (sqlite::Statement* st : {&highestNumber_, &highestText_}) {
        st->Bind(1, setName);
        const int rc = st->Step();
        if (rc == SQLITE_ROW && !st->IsNull(0)) result.carrierId = st->Text(0);
        st->Reset();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            result.message = Failure("read");
            return result;
        }
        if (result.carrierId) break;
    }
    result.ok = true;
    return result;
}

// What one attempt to open the file gave.
struct Attempt {
    std::unique_ptr<SqliteJournal> journal;
    bool damaged = false;  // never to be written to: set it aside
    std::string error;
};

std::string OpenFailure(const sqlite::Connection& db, const fs::path& path, std::string_view doing) {
    std::string text = "The production journal \"" + MessagePath(path) + "\" cannot be " +
                       std::string(doing) + ": " + db.ErrorText();
    const int err = db.Handle() != nullptr ? sqlite3_system_errno(db.Handle()) : 0;
    if (err != 0) text += " (" + std::generic_category().message(err) + ")";
    return text + ".";
}

// The first integer a statement gives, or the failure's code.
int QueryInt(sqlite::Connection& db, std::string_view sql, std::int64_t* value) {
    sqlite::Statement st(db.Handle(), sql);
    if (!st.Prepared()) return db.ErrorCode();
    const int rc = st.Step();
    if (rc == SQLITE_ROW) *value = st.Int(0);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : db.ErrorCode();
}

// Reads the header and the table list only, so that a file that is not a
// journal of ours is found before anything is written to it. Sets *ours to
// false for a foreign database.
int CheckHeader(sqlite::Connection& db, bool* ours, std::string* why) {
    std::int64_t app = 0, version = 0, tables = 0;
    // One read transaction: another station creating the journal at this
    // moment must be seen before or after, never half-way (its tables
    // without its mark would look like a foreign database and be set aside).
    int rc = db.Exec("BEGIN");
    if (rc == SQLITE_OK) rc = QueryInt(db, "PRAGMA application_id", &app);
    if (rc == SQLITE_OK) rc = QueryInt(db, "PRAGMA user_version", &version);
    if (rc == SQLITE_OK) rc = QueryInt(db, "SELECT count(*) FROM sqlite_schema", &tables);
    if (rc == SQLITE_OK) {
        rc = db.Exec("COMMIT");
    } else {
        db.Exec("ROLLBACK");
    }
    if (rc != SQLITE_OK) return rc;
    *ours = app == kApplicationId || (app == 0 && tables == 0);
    if (!*ours) *why = "it is not a production journal";
    if (*ours && version > kSchemaVersion) {
        *why = "it was written by a newer version of the station";
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

// Switches a new journal to WAL. Changing the mode does not wait for a busy
// database as statements do: when two stations open a new journal at once,
// one of them gets SQLITE_BUSY at once, so the switch is tried again for as
// long as statements would wait.
int UseWal(sqlite::Connection& db) {
    int rc = SQLITE_BUSY;
    for (int waited = 0; waited < kBusyTimeoutMs; waited += 10) {
        sqlite::Statement st(db.Handle(), "PRAGMA journal_mode = WAL");
        rc = st.Step();
        if (rc == SQLITE_ROW && sqlite3_stricmp(st.Text(0).c_str(), "wal") == 0) return SQLITE_OK;
        if (rc != SQLITE_BUSY && rc != SQLITE_ROW) return rc;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return SQLITE_BUSY;
}

// A journal made before rows told manual writes from cycles gains the
// column in place; its rows keep everything and read as the cycle's.
int AddOriginColumn(sqlite::Connection& db) {
    std::int64_t has = 0;
    int rc = QueryInt(db, "SELECT count(*) FROM pragma_table_info('cycles') WHERE name = 'origin'",
                      &has);
    if (rc == SQLITE_OK && has == 0) {
        rc = db.Exec("ALTER TABLE cycles ADD COLUMN " + std::string(kOriginColumnSql));
    }
    return rc;
}

int CreateSchema(sqlite::Connection& db) {
    // WAL: readers never wait for the writer; FULL: the WAL is synced at
    // every commit, so a committed reservation survives a power cut.
    int rc = UseWal(db);
    if (rc == SQLITE_OK) rc = db.Exec("PRAGMA synchronous = FULL");
    if (rc != SQLITE_OK) return rc;
    return sqlite::InTransaction(db, [&] {
        int r = db.Exec(SchemaSql());
        if (r == SQLITE_OK) r = AddOriginColumn(db);
        if (r == SQLITE_OK) r = CreateSqliteAuditTable(db);
        if (r == SQLITE_OK) r = AddOutboxColumns(db);
        if (r == SQLITE_OK) r = db.Exec(StatsIndexSql(""));
        if (r == SQLITE_OK) r = db.Exec("PRAGMA application_id = " + std::to_string(kApplicationId));
        if (r == SQLITE_OK) r = db.Exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
        return r;
    });
}

Attempt TryOpen(const fs::path& path) {
    Attempt attempt;
    sqlite::Connection db;
    if (db.Open(path) != SQLITE_OK) {
        attempt.error = OpenFailure(db, path, "opened");
        return attempt;
    }
    sqlite3_busy_timeout(db.Handle(), kBusyTimeoutMs);
    bool ours = true;
    std::string why;
    int rc = CheckHeader(db, &ours, &why);
    if (rc == SQLITE_OK && ours && sqlite3_db_readonly(db.Handle(), "main") == 1) {
        attempt.error = "The production journal \"" + MessagePath(path) +
                        "\" cannot be written: the file is read-only.";
        return attempt;
    }
    if (rc == SQLITE_OK && ours) rc = CreateSchema(db);
    if (IsDamage(rc) || (rc == SQLITE_OK && !ours)) {
        attempt.damaged = true;
        attempt.error = why.empty() ? db.ErrorText() : why;
        return attempt;
    }
    if (rc != SQLITE_OK) {
        attempt.error = why.empty() ? OpenFailure(db, path, "opened")
                                    : "The production journal \"" + MessagePath(path) +
                                          "\" cannot be used: " + why + ".";
        return attempt;
    }
    auto journal = std::make_unique<SqliteJournal>(std::move(db), path);
    if (!journal->Prepare()) {
        attempt.damaged = true;
        attempt.error = "its tables are not those of a production journal";
        return attempt;
    }
    attempt.journal = std::move(journal);
    return attempt;
}

// A free name beside the journal for the damaged file.
fs::path DamagedName(const fs::path& path) {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    const std::string base = path.stem().string() + ".damaged-" + stamp;
    std::error_code ec;
    for (int n = 1;; ++n) {
        std::string suffix;
        if (n > 1) suffix.append("-").append(std::to_string(n));
        fs::path candidate = path.parent_path() / (base + suffix + path.extension().string());
        if (!fs::exists(candidate, ec)) return candidate;
    }
}

// Renames the damaged file with its WAL and lock files; never overwrites.
bool SetAside(const fs::path& path, const fs::path& kept, std::string* error) {
    for (const char* suffix : {"-wal", "-journal", "-shm", ""}) {
        const fs::path from = path.string() + suffix;
        const fs::path to = kept.string() + suffix;
        std::error_code ec;
        if (!fs::exists(from, ec)) continue;
        if (::rename(from.c_str(), to.c_str()) != 0) {
            *error = "The production journal \"" + MessagePath(path) +
                     "\" is damaged and cannot be set aside: " +
                     std::generic_category().message(errno) + ".";
            return false;
        }
    }
    return true;
}

}  // namespace

fs::path JournalPath(const fs::path& directory) { return directory / kJournalFileName; }

JournalOpenResult OpenSqliteJournal(const fs::path& directory) {
    JournalOpenResult result;
    const fs::path path = JournalPath(directory);
    Attempt attempt = TryOpen(path);
    if (attempt.damaged) {
        const std::string why = attempt.error;
        const fs::path kept = DamagedName(path);
        if (!SetAside(path, kept, &result.error)) return result;
        attempt = TryOpen(path);
        if (attempt.journal) {
            result.notice = "The production journal \"" + MessagePath(path) + "\" is damaged (" +
                            why + "). It is kept as \"" + MessagePath(kept) +
                            "\" and a new journal was started. The carrier IDs recorded in "
                            "the damaged journal are no longer checked.";
        }
    }
    result.journal = std::move(attempt.journal);
    if (!result.journal) result.error = attempt.error;
    return result;
}

}  // namespace tagwright
