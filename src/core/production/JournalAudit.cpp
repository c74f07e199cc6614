#include "core/production/JournalAudit.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace tagwright {

namespace {

constexpr std::string_view kColumns =
    "time_utc, time_local, host, os_user, operator_badge, role, kind, what_changed";

}  // namespace

std::string AuditOsUser() {
    const uid_t uid = ::geteuid();
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr && found->pw_name[0] != '\0') {
        return found->pw_name;
    }
    // A container without a passwd entry for the account.
    if (const char* user = std::getenv("USER"); user != nullptr && user[0] != '\0') return user;
    return "uid " + std::to_string(uid);
}

std::string AuditTableSql(std::string_view idColumn) {
    std::string sql = "CREATE TABLE IF NOT EXISTS audit (\n  id " + std::string(idColumn) + ",\n";
    for (std::string_view column : {"time_utc", "time_local", "host", "os_user", "operator_badge",
                                    "role", "kind", "what_changed"}) {
        sql += "  " + std::string(column) + " TEXT NOT NULL" +
               (column == "what_changed" ? "\n" : ",\n");
    }
    return sql + ");\nCREATE INDEX IF NOT EXISTS audit_time ON audit (time_utc);\n";
}

std::string AuditInsertSql(char mark) {
    std::string values;
    for (int i = 1; i <= 8; ++i) {
        values += (i > 1 ? ", " : "") + std::string(1, mark) + std::to_string(i);
    }
    return "INSERT INTO audit (" + std::string(kColumns) + ") VALUES (" + values + ")";
}

std::string AuditRowsSql(char mark) {
    const std::string since = std::string(1, mark) + "1";
    // COLLATE "C" keeps the server's comparison bytewise, as SQLite's is.
    const std::string collate = mark == '$' ? " COLLATE \"C\"" : "";
    return "SELECT id, " + std::string(kColumns) + " FROM audit WHERE " + since +
           " = '' OR time_utc" + collate + " >= " + since + " ORDER BY id";
}

}  // namespace tagwright
