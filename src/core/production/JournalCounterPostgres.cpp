#include "core/production/JournalCounterPostgres.h"

#include <cstdlib>
#include <utility>

namespace tagwright {

namespace {

using pg::Param;

// Parameters: 1-8 the context (see Draw), 9 the counter, 10 the station's
// next, 11 the limit, 12 the ID's length. The counter is not drawn once it
// stands at the limit, so that raising "max" later leaves no gap; two
// stations drawing at that moment may move it one past, and no row takes
// an ID above the limit. setval: the station's own next is ahead (a
// number typed into "next"), and the counter follows it.
constexpr char kDrawSql[] =
    "WITH drawn AS (\n"
    "  SELECT nextval($9::regclass) AS n\n"
    "  WHERE coalesce(pg_sequence_last_value($9::regclass), -1) < $11::bigint\n"
    "), taken AS (\n"
    "  SELECT CASE WHEN n < $10::bigint THEN setval($9::regclass, $10::bigint) ELSE n END\n"
    "    AS number FROM drawn\n"
    "), reserved AS (\n"
    "  INSERT INTO cycles (time_utc, time_local, host, set_name, work_order, part_number,\n"
    "                      operator_badge, origin, carrier_id, carrier_number, outcome)\n"
    "  SELECT $1, $2, $3, $4, $5, $6, $7, $8, lpad(number::text, $12::int, '0'), number,\n"
    "         'reserved'\n"
    "  FROM taken WHERE number <= $11::bigint\n"
    "  ON CONFLICT DO NOTHING RETURNING id\n"
    ")\n"
    "SELECT lpad(number::text, $12::int, '0'), number <= $11::bigint, (SELECT id FROM reserved)\n"
    "FROM taken";

// The counter's name for a set and length: hex digits only, so it goes into
// the statements as it is.
constexpr char kNameSql[] =
    "SELECT 'carrier_counter_' || md5($1 || '/' || $2), "
    "to_regclass('carrier_counter_' || md5($1 || '/' || $2)) IS NOT NULL";

// Starts the new counter after the set's highest decimal ID of that length.
constexpr char kSeedSql[] =
    "SELECT setval($1::regclass, max(carrier_number)) FROM cycles "
    "WHERE set_name = $2 AND outcome <> 'failed' AND length(carrier_id) = $3::int "
    "HAVING max(carrier_number) IS NOT NULL";

// Finds or makes the counter, within the transaction that holds the lock.
std::string FindOrMake(pg::Connection& db, const std::string& setName, int length) {
    const std::vector<Param> key{setName, std::to_string(length)};
    const pg::Result named = db.Exec(kNameSql, key);
    if (!named.Ok() || named.Rows() != 1) return "";
    const std::string name = named.Text(0, 0);
    if (named.Text(0, 1) == "t") return name;
    if (!db.Exec("CREATE SEQUENCE " + name + " AS bigint MINVALUE 0 START 0").Ok()) return "";
    return db.Exec(kSeedSql, {name, setName, std::to_string(length)}).Ok() ? name : "";
}

}  // namespace

bool PgCounters::Prepare() { return db_.Prepare("counter_draw", kDrawSql); }

std::string PgCounters::Counter(const std::string& setName, int length, std::string* error) {
    const auto key = std::make_pair(setName, length);
    if (const auto found = counters_.find(key); found != counters_.end()) return found->second;
    if (!db_.Exec("BEGIN").Ok()) {
        *error = db_.ErrorText();
        return "";
    }
    std::string name = db_.Exec(kJournalSchemaLock).Ok() ? FindOrMake(db_, setName, length) : "";
    if (!name.empty() && !db_.Exec("COMMIT").Ok()) name.clear();
    if (name.empty()) {
        *error = db_.ErrorText();  // before the ROLLBACK clears it
        db_.Exec("ROLLBACK");
        return name;
    }
    counters_.emplace(key, name);
    return name;
}

PgCounters::Drawn PgCounters::Draw(std::vector<Param> context, const CounterDraw& draw) {
    Drawn drawn;
    const std::string counter = Counter(context.at(3).value_or(""), draw.length, &drawn.error);
    if (counter.empty()) return drawn;
    context.insert(context.end(), {counter, std::to_string(draw.next), std::to_string(draw.limit),
                                   std::to_string(draw.length)});
    const pg::Result r = db_.ExecPrepared("counter_draw", context);
    if (!r.Ok()) {
        drawn.error = db_.ErrorText();
        return drawn;
    }
    drawn.ok = true;
    drawn.maximumReached = r.Rows() != 1 || r.Text(0, 1) != "t";
    if (drawn.maximumReached) return drawn;
    drawn.carrierId = r.Text(0, 0);
    if (!r.IsNull(0, 2)) drawn.cycle = std::atoll(r.Text(0, 2).c_str());
    return drawn;
}

}  // namespace tagwright
