#pragma once
// A thin owner of an SQLite connection and its prepared statements, so that
// the journal reads as SQL and results rather than as handle bookkeeping.
// Texts are the station's 8-bit (Latin-1) texts; they are stored as UTF-8 so
// that any SQLite tool shows them right, and read back as 8-bit texts.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tagwright::sqlite {

class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Prepared() const { return stmt_ != nullptr; }
    // Parameters count from 1. An empty text binds NULL when nullIfEmpty.
    void Bind(int index, std::string_view text, bool nullIfEmpty = false);
    void Bind(int index, std::int64_t value);
    void BindNull(int index);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    std::string Text(int column) const;  // as an 8-bit text; "" for NULL
    std::int64_t Int(int column) const;
    bool IsNull(int column) const;
    int Columns() const;
    // Ready for the next use, bindings cleared.
    void Reset();

private:
    sqlite3_stmt* stmt_ = nullptr;
};

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens or creates the file read-write. The result code of SQLite.
    int Open(const std::filesystem::path& path);
    void Close();
    sqlite3* Handle() const { return db_; }
    // Runs statements without results; the result code of the first failure.
    int Exec(std::string_view sql);
    // The extended code and text of the last failure, as SQLite says it.
    int ErrorCode() const;
    std::string ErrorText() const;

private:
    sqlite3* db_ = nullptr;
};

// Runs `body` between BEGIN IMMEDIATE and COMMIT; rolls back when it fails.
// body returns an SQLite result code (SQLITE_OK or SQLITE_DONE for success).
template <typename Body>
int InTransaction(Connection& db, Body&& body) {
    int rc = db.Exec("BEGIN IMMEDIATE");
    if (rc != 0) return rc;
    rc = body();
    if (rc != 0 && rc != 101 /* SQLITE_DONE */) {
        db.Exec("ROLLBACK");
        return rc;
    }
    rc = db.Exec("COMMIT");
    if (rc != 0) db.Exec("ROLLBACK");
    return rc;
}

}  // namespace tagwright::sqlite
