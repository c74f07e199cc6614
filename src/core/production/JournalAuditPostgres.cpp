#include <cstdlib>

#include "core/base/Utf8.h"
#include "core/production/JournalAudit.h"
#include "core/production/JournalFields.h"
#include "core/production/PgConnection.h"

namespace tagwright {

std::string CreatePostgresAuditTable(pg::Connection& db) {
    // Asked first: CREATE ... IF NOT EXISTS wants the right to create even
    // when the table is there, and a station's account may lack it.
    const pg::Result found = db.Exec("SELECT to_regclass('audit') IS NOT NULL");
    if (!found.Ok() || found.Rows() != 1) return db.ErrorText();
    if (found.Text(0, 0) == "t") return "";
    const bool ok = db.Exec(AuditTableSql("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY")).Ok();
    return ok ? "" : db.ErrorText();
}

bool InsertPostgresAudit(pg::Connection& db, std::string_view host, const AuditEntry& entry) {
    const JournalStamp now = JournalNow();
    std::vector<pg::Param> params{now.utc, now.local};
    for (std::string_view text : {host, std::string_view(entry.osUser),
                                  std::string_view(entry.operatorBadge),
                                  std::string_view(entry.role), std::string_view(entry.kind),
                                  std::string_view(entry.change)}) {
        params.emplace_back(Latin1ToUtf8(text));
    }
    return db.Exec(AuditInsertSql('$'), params).Ok();
}

bool ReadPostgresAudit(pg::Connection& db, std::string_view sinceUtc,
                       std::vector<AuditEntry>* rows) {
    const pg::Result r = db.Exec(AuditRowsSql('$'), {std::string(sinceUtc)});
    if (!r.Ok()) return false;
    for (int i = 0; i < r.Rows(); ++i) {
        AuditEntry row;
        row.id = std::atoll(r.Text(i, 0).c_str());
        int c = 1;
        for (std::string* text : {&row.timeUtc, &row.timeLocal, &row.host, &row.osUser,
                                  &row.operatorBadge, &row.role, &row.kind, &row.change}) {
            *text = Utf8ToLatin1(r.Text(i, c++));
        }
        rows->push_back(std::move(row));
    }
    return true;
}

}  // namespace tagwright
