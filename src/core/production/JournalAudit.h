#pragma once
// The audit table beside the cycles, alike in both journals: its columns,
// the statements that write and read it, and the OS user a row names.
// Each journal creates the table in place when it opens (an earlier
// journal gains it without losing a row) and sends these statements.

#include <string>
#include <string_view>
#include <vector>

#include "core/production/Journal.h"

namespace tagwright {

namespace sqlite {
class Connection;
}
namespace pg {
class Connection;
}

// The account the station runs under, for the audit rows.
std::string AuditOsUser();

// Both journals stamp rows the same way: 1 time_utc, 2 time_local, 3 host,
// 4 os_user, 5 operator_badge, 6 role, 7 kind, 8 what_changed.
std::string AuditInsertSql(char mark);
// The table and its index; idColumn is the database's own key column.
std::string AuditTableSql(std::string_view idColumn);
// Rows from ?1 on ("" = all), oldest first, in AuditEntry order.
std::string AuditRowsSql(char mark);

// SQLite: the table, in the schema's transaction; an SQLite result code.
int CreateSqliteAuditTable(sqlite::Connection& db);
// PostgreSQL: the table, under the schema lock; "" when done, else why not.
std::string CreatePostgresAuditTable(pg::Connection& db);

// Writes the entry stamped now under host: SQLITE_DONE when written,
// SQLITE_READONLY_DBMOVED (nothing written) when the file was removed or
// renamed since it was opened.
int InsertSqliteAudit(sqlite::Connection& db, std::string_view host, const AuditEntry& entry);
// SQLITE_DONE when every row from sinceUtc on was read.
int ReadSqliteAudit(sqlite::Connection& db, std::string_view sinceUtc,
                    std::vector<AuditEntry>* rows);
// The same on the server; false: the connection's ErrorText says why.
bool InsertPostgresAudit(pg::Connection& db, std::string_view host, const AuditEntry& entry);
bool ReadPostgresAudit(pg::Connection& db, std::string_view sinceUtc,
                       std::vector<AuditEntry>* rows);

}  // namespace tagwright
