#include "core/production/SqliteDb.h"

#include <utility>

#include <sqlite3.h>

#include "core/base/Utf8.h"

namespace tagwright::sqlite {

Statement::Statement(sqlite3* db, std::string_view sql) {
    if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                           SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

void Statement::Bind(int index, std::string_view text, bool nullIfEmpty) {
    if (nullIfEmpty && text.empty()) {
        BindNull(index);
        return;
    }
    const std::string utf8 = Latin1ToUtf8(text);
    sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }

void Statement::BindNull(int index) { sqlite3_bind_null(stmt_, index); }

int Statement::Step() { return stmt_ == nullptr ? SQLITE_MISUSE : sqlite3_step(stmt_); }

std::string Statement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    if (text == nullptr) return {};
    const int size = sqlite3_column_bytes(stmt_, column);
    return Utf8ToLatin1(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)));
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int Statement::Columns() const { return sqlite3_column_count(stmt_); }

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

Connection::~Connection() { Close(); }

Connection::Connection(Connection&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        Close();
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

int Connection::Open(const std::filesystem::path& path) {
    Close();
    const int rc = sqlite3_open_v2(path.c_str(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (db_ != nullptr) sqlite3_extended_result_codes(db_, 1);
    return rc;
}

void Connection::Close() {
    // Statements are finalised by their owners first; v2 copes if not.
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
}

int Connection::Exec(std::string_view sql) {
    if (db_ == nullptr) return SQLITE_MISUSE;
    return sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, nullptr);
}

int Connection::ErrorCode() const {
    return db_ == nullptr ? SQLITE_CANTOPEN : sqlite3_extended_errcode(db_);
}

std::string Connection::ErrorText() const {
    if (db_ == nullptr) return sqlite3_errstr(SQLITE_CANTOPEN);
    return sqlite3_errmsg(db_);
}

}  // namespace tagwright::sqlite
