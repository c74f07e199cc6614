#include "core/production/JournalPostgres.h"

#include <cstdlib>
#include <utility>

#include "core/base/Utf8.h"
#include "core/production/JournalAudit.h"
#include "core/production/JournalCounterPostgres.h"
#include "core/production/JournalFields.h"
#include "core/production/JournalOutboxPostgres.h"
#include "core/production/JournalStatsSql.h"
#include "core/production/PgConnection.h"

namespace tagwright {

namespace {

using pg::Param;

// The table's comment tells our journal from another program's "cycles".
constexpr std::string_view kOwnerMark = "Tagwright production journal, schema ";
constexpr int kSchemaVersion = 1;

std::string PageColumns(std::string_view type) {
    std::string columns;
    for (int p = 1; p <= kJournalPages; ++p) {
        columns += "  page_" + std::to_string(p) + " " + std::string(type) + ",\n";
    }
    return columns;
}

// The SQLite journal's table, with the server's types.
std::string SchemaSql() {
    return "CREATE TABLE IF NOT EXISTS cycles (\n"
           "  id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,\n"
           "  time_utc TEXT NOT NULL,\n"
           "  time_local TEXT NOT NULL,\n"
           "  host TEXT NOT NULL,\n"
           "  set_name TEXT NOT NULL,\n"
           "  work_order TEXT NOT NULL,\n"
           "  part_number TEXT NOT NULL,\n"
           "  operator_badge TEXT NOT NULL,\n"
           "  carrier_id TEXT,\n"
           "  carrier_number BIGINT,\n"
           "  outcome TEXT NOT NULL\n"
           "    CHECK (outcome IN ('reserved', 'programmed', 'burned', 'failed')),\n"
           "  failed_step TEXT,\n"
           "  reader_reply TEXT,\n"
           "  uid TEXT,\n" +
           PageColumns("TEXT") +
           "  locks TEXT,\n"
           "  record_file TEXT,\n"
           "  record_row BIGINT,\n"
           "  retries INTEGER NOT NULL DEFAULT 0,\n"
           "  " + std::string(kOriginColumnSql) + "\n"
           ");\n"
           "CREATE UNIQUE INDEX IF NOT EXISTS carrier_id_once ON cycles (carrier_id)\n"
           "  WHERE outcome <> 'failed';\n"
           "CREATE INDEX IF NOT EXISTS programmed_uid ON cycles (uid)\n"
           "  WHERE outcome = 'programmed';\n"
           "CREATE INDEX IF NOT EXISTS set_carrier_number ON cycles (set_name, carrier_number)\n"
           "  WHERE outcome <> 'failed';\n"
           "COMMENT ON TABLE cycles IS '" +
           std::string(kOwnerMark) + std::to_string(kSchemaVersion) + "';\n";
}

std::string RowsSql() {
    return "SELECT " + JournalRowColumns() +
           " FROM cycles WHERE $1 = '' OR time_utc COLLATE \"C\" >= $1 ORDER BY id";
}

Param Text(std::string_view text) { return Latin1ToUtf8(text); }
Param TextOrNull(std::string_view text) {
    return text.empty() ? Param() : Text(text);
}
Param Number(std::int64_t n) { return std::to_string(n); }

std::vector<Param> ContextParams(const std::string& host, const JournalContext& context,
                                 std::string_view carrierId) {
    const JournalStamp now = JournalNow();
    const auto number = CarrierNumber(carrierId);
    return {now.utc, now.local, Text(host), Text(context.setName), Text(context.workOrder),
            Text(context.partNumber), Text(context.operatorBadge), TextOrNull(carrierId),
            number ? Number(*number) : Param(), Text(context.origin)};
}

void AddDetails(std::vector<Param>& params, const CycleDetails& details) {
    params.push_back(TextOrNull(details.failedStep));
    params.push_back(TextOrNull(details.readerReply));
    params.push_back(TextOrNull(details.uid));
    for (const std::string& page : details.pages) params.push_back(TextOrNull(page));
    params.push_back(LockList(details.locked));
    params.push_back(TextOrNull(details.recordFile));
    params.push_back(details.recordFile.empty() ? Param() : Number(details.recordRow));
    params.push_back(Number(details.retries));
}

// Ends a message with its full stop, unless it asks a question.
std::string Sentence(std::string text) {
    if (text.empty() || text.back() != '?') text += '.';
    return text;
}

class PostgresJournal final : public RowJournal {
public:
    PostgresJournal(pg::Connection db, std::string host)
        : db_(std::move(db)), host_(std::move(host)), where_(db_.Describe()),
          outbox_(MakePostgresOutbox(db_, host_)),
          stats_(MakePostgresStatsSource(db_, where_)) {}

    // Prepares every statement; false (ErrorText) when the server refuses.
    bool Prepare();

    ReserveResult Reserve(const JournalContext& context, std::string_view carrierId) override;
    ReserveResult ReserveFromCounter(const JournalContext& context,
                                     const CounterDraw& draw) override;
    JournalResult RecordFailure(const JournalContext& context, std::string_view carrierId,
                                const CycleDetails& details) override;
    CarrierIdLookup IsUsed(std::string_view carrierId) override;
    UidLookup FindProgrammedUid(std::string_view uid) override;
    HighestCarrierId HighestCarrierIdOfSet(std::string_view setName) override;
    JournalRows Rows(std::string_view sinceUtc) override;
    JournalResult RecordAudit(const AuditEntry& entry) override {
        if (InsertPostgresAudit(db_, host_, entry)) return {true, {}};
        return {false, Failure("written")};
    }
    AuditRows Audit(std::string_view sinceUtc) override {
        AuditRows result;
        result.ok = ReadPostgresAudit(db_, sinceUtc, &result.rows);
        if (!result.ok) result = {false, {}, Failure("read")};
        return result;
    }
    std::string Location() const override { return where_; }
    JournalOutbox* Outbox() override { return outbox_.get(); }
    JournalStatsSource* StatsSource() override { return stats_.get(); }

private:
    JournalResult Finish(JournalCycleId cycle, const CycleDetails& details,
                         const char* outcome) override;
    std::string Failure(std::string_view doing) const { return Failure(doing, db_.ErrorText()); }
    std::string Failure(std::string_view doing, const std::string& why) const {
        return Sentence("The production journal, " + where_ + ", cannot be " +
                        std::string(doing) + ": " + why);
    }
    // The reservation of carrierId was refused: how the ID was used.
    ReserveResult AlreadyUsed(std::string_view carrierId);

    pg::Connection db_;
    std::string host_;
    std::string where_;
    PgCounters counters_{db_};
    std::unique_ptr<JournalOutbox> outbox_;
    std::unique_ptr<JournalStatsSource> stats_;
};

bool PostgresJournal::Prepare() {
    const std::pair<const char*, std::string> statements[] = {
        {"reserve", JournalReserveSql('$')},
        {"finish", JournalFinishSql('$', 5)},
        {"failure", JournalFailureSql('$')},
        {"used", "SELECT outcome, time_local, host FROM cycles "
                 "WHERE carrier_id = $1 AND outcome <> 'failed'"},
        {"uid", "SELECT carrier_id, time_local FROM cycles WHERE uid = $1 AND "
                "outcome = 'programmed' ORDER BY id DESC LIMIT 1"},
        {"highest_number",
         "SELECT carrier_id FROM cycles WHERE set_name = $1 AND outcome <> 'failed' AND "
         "carrier_number IS NOT NULL ORDER BY carrier_number DESC, carrier_id COLLATE \"C\" DESC "
         "LIMIT 1"},
        {"highest_text", "SELECT max(carrier_id COLLATE \"C\") FROM cycles "
                         "WHERE set_name = $1 AND outcome <> 'failed'"},
        {"rows", RowsSql()},
    };
    for (const auto& [name, sql] : statements) {
        if (!db_.Prepare(name, sql)) return false;
    }
    return counters_.Prepare();
}

ReserveResult PostgresJournal::Reserve(const JournalContext& context, std::string_view carrierId) {
    ReserveResult result;
    const pg::Result inserted =
        db_.ExecPrepared("reserve", ContextParams(host_, context, carrierId));
    if (!inserted.Ok()) {
        result.message = Failure("written");
        return result;
    }
    if (inserted.Rows() == 1) {
        result.status = JournalStatus::Ok;
        result.cycle = std::atoll(inserted.Text(0, 0).c_str());
        return result;
    }
    return AlreadyUsed(carrierId);
}

ReserveResult PostgresJournal::AlreadyUsed(std::string_view carrierId) {
    ReserveResult result;
    // Rows are never deleted nor turned into failures, so the row that
    // refused the ID is there to be read.
    const pg::Result used = db_.ExecPrepared("used", {Text(carrierId)});
    if (!used.Ok() || used.Rows() != 1) {
        result.message = Failure("read");
        return result;
    }
    result.status = JournalStatus::AlreadyUsed;
    result.use = CarrierIdUseOf(used.Text(0, 0));
    result.usedAt = used.Text(0, 1);
    result.otherStation = Utf8ToLatin1(used.Text(0, 2)) != host_;
    result.message = "Carrier ID " + std::string(carrierId) + " was already used: " +
                     CarrierIdUseText(result.use) + " on " + result.usedAt + ".";
    return result;
}

ReserveResult PostgresJournal::ReserveFromCounter(const JournalContext& context,
                                                  const CounterDraw& draw) {
    std::vector<Param> params = ContextParams(host_, context, {});
    params.erase(params.begin() + 7, params.begin() + 9);  // the ID comes from the counter
    const PgCounters::Drawn drawn = counters_.Draw(std::move(params), draw);
    ReserveResult result;
    if (!drawn.ok) {
        result.message = Failure("written", drawn.error);
    } else if (drawn.maximumReached) {
        result.status = JournalStatus::MaximumReached;
    } else if (drawn.cycle != 0) {
        result.status = JournalStatus::Ok;
        result.cycle = drawn.cycle;
    } else {
        result = AlreadyUsed(drawn.carrierId);
    }
    result.carrierId = drawn.carrierId;  // digits: the same in UTF-8
    return result;
}

JournalResult PostgresJournal::Finish(JournalCycleId cycle, const CycleDetails& details,
                                      const char* outcome) {
    const JournalStamp now = JournalNow();
    std::vector<Param> params{now.utc, now.local, std::string(outcome), Number(cycle)};
    AddDetails(params, details);
    const pg::Result updated = db_.ExecPrepared("finish", params);
    if (!updated.Ok()) return {false, Failure("written")};
    if (updated.Changed() != 1) {
        return {false, "The production journal, " + where_ + ", holds no open cycle " +
                           std::to_string(cycle) + "."};
    }
    return {true, {}};
}

JournalResult PostgresJournal::RecordFailure(const JournalContext& context,
                                             std::string_view carrierId,
                                             const CycleDetails& details) {
    std::vector<Param> params = ContextParams(host_, context, carrierId);
    AddDetails(params, details);
    if (!db_.ExecPrepared("failure", params).Ok()) return {false, Failure("written")};
    return {true, {}};
}

CarrierIdLookup PostgresJournal::IsUsed(std::string_view carrierId) {
    CarrierIdLookup result;
    const pg::Result used = db_.ExecPrepared("used", {Text(carrierId)});
    result.ok = used.Ok();
    if (!result.ok) result.message = Failure("read");
    if (result.ok && used.Rows() == 1) result.use = CarrierIdUseOf(used.Text(0, 0));
    return result;
}

UidLookup PostgresJournal::FindProgrammedUid(std::string_view uid) {
    UidLookup result;
    const pg::Result found = db_.ExecPrepared("uid", {Text(uid)});
    result.ok = found.Ok();
    if (!result.ok) result.message = Failure("read");
    if (result.ok && found.Rows() == 1) {
        result.found = ProgrammedUid{Utf8ToLatin1(found.Text(0, 0)), found.Text(0, 1)};
    }
    return result;
}

HighestCarrierId PostgresJournal::HighestCarrierIdOfSet(std::string_view setName) {
    HighestCarrierId result;
    for (const char* statement : {"highest_number", "highest_text"}) {
        const pg::Result highest = db_.ExecPrepared(statement, {Text(setName)});
        if (!highest.Ok()) {
            result.message = Failure("read");
            return result;
        }
        if (highest.Rows() == 1 && !highest.IsNull(0, 0)) {
            result.carrierId = Utf8ToLatin1(highest.Text(0, 0));
            break;
        }
    }
    result.ok = true;
    return result;
}

JournalRow RowOf(const pg::Result& r, int i) {
    int c = 0;
    auto text = [&] { return Utf8ToLatin1(r.Text(i, c++)); };
    JournalRow row;
    row.cycle = std::atoll(text().c_str());
    for (std::string* field : {&row.timeUtc, &row.timeLocal, &row.host, &row.setName,
                               &row.workOrder, &row.partNumber, &row.operatorBadge,
                               &row.carrierId, &row.outcome, &row.failedStep, &row.readerReply,
                               &row.uid}) {
        *field = text();
    }
    for (std::string& page : row.pages) page = text();
    row.locks = text();
    row.recordFile = text();
    row.recordRow = std::atoll(text().c_str());
    row.retries = std::atoi(text().c_str());
    row.origin = text();
    return row;
}

JournalRows PostgresJournal::Rows(std::string_view sinceUtc) {
    JournalRows result;
    const pg::Result rows = db_.ExecPrepared("rows", {std::string(sinceUtc)});
    result.ok = rows.Ok();
    if (!result.ok) {
        result.message = Failure("read");
        return result;
    }
    result.rows.reserve(static_cast<std::size_t>(rows.Rows()));
    for (int i = 0; i < rows.Rows(); ++i) result.rows.push_back(RowOf(rows, i));
    return result;
}

// A journal made before rows told manual writes from cycles gains the column
// in place (its rows read as the cycle's); the lock it takes is asked for
// only when the column is missing. "" when done, else why not.
std::string AddOriginColumn(pg::Connection& db) {
    const pg::Result has = db.Exec(
        "SELECT count(*) FROM pg_attribute WHERE attrelid = to_regclass('cycles') AND "
        "attname = 'origin' AND NOT attisdropped");
    if (!has.Ok() || has.Rows() != 1) return db.ErrorText();
    if (has.Text(0, 0) != "0") return "";
    return db.Exec("ALTER TABLE cycles ADD COLUMN " + std::string(kOriginColumnSql)).Ok()
               ? ""
               : db.ErrorText();
}

// What the server holds under the name "cycles": "" when it is ours (or was
// just created), else why it cannot be used.
std::string CheckOrCreateTable(pg::Connection& db) {
    const pg::Result found = db.Exec(
        "SELECT to_regclass('cycles') IS NOT NULL, "
        "coalesce(obj_description(to_regclass('cycles'), 'pg_class'), '')");
    if (!found.Ok() || found.Rows() != 1) return db.ErrorText();
    if (found.Text(0, 0) != "t") return db.Exec(SchemaSql()).Ok() ? AddOutboxColumns(db) : db.ErrorText();
    const std::string mark = found.Text(0, 1);
    if (mark.rfind(kOwnerMark, 0) != 0) {
        return "its table \"cycles\" is not a production journal's, and is not written to";
    }
    if (std::atoi(mark.c_str() + kOwnerMark.size()) > kSchemaVersion) {
        return "its journal was written by a newer version of the station";
    }
    std::string why = AddOriginColumn(db);
    return why.empty() ? AddOutboxColumns(db) : why;
}

std::string CreateSchema(pg::Connection& db) {
    if (!db.Exec("BEGIN").Ok()) return db.ErrorText();
    std::string why = db.Exec(kJournalSchemaLock).Ok() ? CheckOrCreateTable(db) : db.ErrorText();
    if (why.empty()) why = CreatePostgresAuditTable(db);
    if (why.empty()) why = CreatePostgresStatsIndexes(db);
    if (why.empty() && !db.Exec("COMMIT").Ok()) why = db.ErrorText();
    if (!why.empty()) db.Exec("ROLLBACK");
    return why;
}

}  // namespace

JournalOpenResult OpenPostgresJournal(const std::string& conninfo, std::string host) {
    JournalOpenResult result;
    if (const auto problem = pg::ConnectionStringProblem(conninfo)) {
        result.error = "The production journal's connection in the station settings ([Journal] "
                       "Connection) cannot be used: " + *problem + ".";
        return result;
    }
    pg::Connection db;
    const bool connected = db.Open(conninfo);
    const std::string where = db.Describe();
    if (!connected) {
        result.error = Sentence("The production journal, " + where + ", cannot be reached: " +
                                db.ErrorText());
        return result;
    }
    if (const std::string why = CreateSchema(db); !why.empty()) {
        result.error = Sentence("The production journal, " + where + ", cannot be used: " + why);
        return result;
    }
    auto journal = std::make_unique<PostgresJournal>(std::move(db), host.empty()
                                                                         ? JournalHostName()
                                                                         : std::move(host));
    if (!journal->Prepare()) {
        result.error = "The production journal, " + where + ", cannot be used: its table "
                       "\"cycles\" is not that of a production journal.";
        return result;
    }
    result.journal = std::move(journal);
    return result;
}

}  // namespace tagwright
