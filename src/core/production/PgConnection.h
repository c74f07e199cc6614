#pragma once
// A thin owner of a libpq connection and its results, so that the shared
// journal reads as SQL and results rather than as handle bookkeeping. Texts
// cross as UTF-8 (the connection's client encoding); the station's 8-bit
// texts are converted on the way in and out by the caller.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace tagwright::pg {

// NULL when empty.
using Param = std::optional<std::string>;

// libpq's own release calls, so that the owners below move and free as
// unique_ptr does.
struct ResultClear {
    void operator()(pg_result* result) const;
};
struct ConnectionFinish {
    void operator()(pg_conn* conn) const;
};

class Result {
public:
    Result() = default;
    explicit Result(pg_result* result) : result_(result) {}

    // The statement ran (with or without rows).
    bool Ok() const;
    int Rows() const;
    int Columns() const;
    std::string Text(int row, int column) const;  // "" for NULL
    bool IsNull(int row, int column) const;
    // Rows changed by an INSERT, UPDATE or DELETE.
    long Changed() const;

private:
    std::unique_ptr<pg_result, ResultClear> result_;
};

class Connection {
public:
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
    std::unique_ptr<pg_conn, ConnectionFinish> conn_;
};

// Why a connection string cannot be used, or nothing. A string that holds a
// password is refused: passwords belong in a service or password file.
std::optional<std::string> ConnectionStringProblem(const std::string& conninfo);

}  // namespace tagwright::pg
