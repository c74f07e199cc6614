#pragma once
// Fills a journal file with generated rows fast: one transaction, no sync,
// then the WAL folded back so that the measured opens start clean.

#include <sqlite3.h>

#include <cstdio>
#include <string>

namespace tagwright::bench {

// Runs insertSql (INSERT statements) into the SQLite file; false when it failed.
inline bool FillSqliteFile(const std::string& file, const std::string& insertSql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK;
    const std::string sql = "PRAGMA synchronous = OFF; BEGIN; " + insertSql +
                            "; COMMIT; PRAGMA wal_checkpoint(TRUNCATE)";
    char* error = nullptr;
    ok = ok && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
    if (error != nullptr) std::fprintf(stderr, "%s\n", error);
    sqlite3_free(error);
    sqlite3_close(db);
    return ok;
}

}  // namespace tagwright::bench
