#pragma once
// A thin owner of a libpq connection and its results, so that the shared
// journal reads as SQL and results rather than as handle bookkeeping. Texts
// cross as UTF-8 (the connection's client encoding); the station's 8-bit
// texts are converted on the way in and out by the caller.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace tagwright::pg {

// NULL when empty.
using Param = std::optional<std::string>;

class Result {
public:
    Result() = default;
    explicit Result(pg_result* result) : result_(result) {}
    ~Result();
    Result(Result&& other) noexcept;
    Result& operator=(Result&& other) noexcept;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    // The statement ran (with or without rows).
    bool Ok() const;
    int Rows() const;
    std::string Text(int row, int column) const;  // "" for NULL
    bool IsNull(int row, int column) const;
    // Rows changed by an INSERT, UPDATE or DELETE.
    long Changed() const;

private:
    pg_result* result_ = nullptr;
};

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects with a libpq connection string or URI; our own defaults
    // (timeouts, keepalives) give way to what the string sets. False when
    // no connection was made: ErrorText() says why.
    bool Open(const std::string& conninfo);
    bool Connected() const;

    Result Exec(std::string_view sql);
    Result Exec(std::string_view sql, const std::vector<Param>& params);
    bool Prepare(const std::string& name, std::string_view sql);
    Result ExecPrepared(const std::string& name, const std::vector<Param>& params);

    // libpq's last error on one line, without its trailing newline.
    std::string ErrorText() const;
    // "database \"tw\" on the PostgreSQL server /run/postgresql:5432", for
    // messages: never the password.
    std::string Describe() const;

private:
    pg_conn* conn_ = nullptr;
};

// Why a connection string cannot be used, or nothing. A string that holds a
// password is refused: passwords belong in a service or password file.
std::optional<std::string> ConnectionStringProblem(const std::string& conninfo);

}  // namespace tagwright::pg
