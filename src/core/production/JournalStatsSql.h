#pragma once
// Each journal's side of the production figures: the source that runs their
// SELECTs on its connection, and the indexes their range scans need. The
// indexes are created in place when a journal opens, so a journal of the
// earlier layout gains them and keeps every row.

#include <memory>
#include <string>
#include <string_view>

#include "core/production/ProductionStats.h"

struct sqlite3;

namespace tagwright {

namespace pg {
class Connection;
}

// The CREATE INDEX IF NOT EXISTS statements; textOrder as TextOrder() gives it.
std::string StatsIndexSql(std::string_view textOrder);

// location as the journal's messages name it.
std::unique_ptr<JournalStatsSource> MakeSqliteStatsSource(sqlite3* db, std::string location);
std::unique_ptr<JournalStatsSource> MakePostgresStatsSource(pg::Connection& db,
                                                            std::string location);

// Creates the missing indexes on the server (inside the caller's transaction
// and lock); "" when done, else why not. Asks for the table's lock only when
// one is missing, so that a station opening the journal never holds up the
// others' writes.
std::string CreatePostgresStatsIndexes(pg::Connection& db);

}  // namespace tagwright
