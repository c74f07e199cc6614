#include <sqlite3.h>

#include "core/production/JournalAudit.h"
#include "core/production/JournalFields.h"
#include "core/production/SqliteDb.h"

namespace tagwright {

int CreateSqliteAuditTable(sqlite::Connection& db) {
    return db.Exec(AuditTableSql("INTEGER PRIMARY KEY"));
}

int InsertSqliteAudit(sqlite::Connection& db, std::string_view host, const AuditEntry& entry) {
    if (db.HasMoved()) return SQLITE_READONLY_DBMOVED;
    sqlite::Statement st(db.Handle(), AuditInsertSql('?'));
    if (!st.Prepared()) return db.ErrorCode();
    const JournalStamp now = JournalNow();
    int i = 1;
    for (std::string_view text : {std::string_view(now.utc), std::string_view(now.local), host,
                                  std::string_view(entry.osUser),
                                  std::string_view(entry.operatorBadge),
                                  std::string_view(entry.role), std::string_view(entry.kind),
                                  std::string_view(entry.change)}) {
        st.Bind(i++, text);
    }
    return st.Step();
}

int ReadSqliteAudit(sqlite::Connection& db, std::string_view sinceUtc,
                    std::vector<AuditEntry>* rows) {
    sqlite::Statement st(db.Handle(), AuditRowsSql('?'));
    if (!st.Prepared()) return db.ErrorCode();
    st.Bind(1, sinceUtc);
    int rc = SQLITE_ROW;
    while ((rc = st.Step()) == SQLITE_ROW) {
        AuditEntry row;
        row.id = st.Int(0);
        int c = 1;
        for (std::string* text : {&row.timeUtc, &row.timeLocal, &row.host, &row.osUser,
                                  &row.operatorBadge, &row.role, &row.kind, &row.change}) {
            *text = st.Text(c++);
        }
        rows->push_back(std::move(row));
    }
    return rc;
}

}  // namespace tagwright
