#include "core/production/PgConnection.h"

#include <cstdlib>

#include <libpq-fe.h>

namespace tagwright::pg {

namespace {

// libpq's messages span lines, with tabs and doubled blanks; the operator
// gets one line, without its final full stop (ours follows).
std::string OneLine(const char* text) {
    std::string flat;
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        const char c = *p == '\n' || *p == '\t' ? ' ' : *p;
        if (c != ' ' || (!flat.empty() && flat.back() != ' ')) flat += c;
    }
    while (!flat.empty() && (flat.back() == ' ' || flat.back() == '.')) flat.pop_back();
    return flat;
}

// The values libpq passes as parameters: nullptr for NULL.
std::vector<const char*> Values(const std::vector<Param>& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
    return values;
}

}  // namespace

void ResultClear::operator()(pg_result* result) const { PQclear(result); }

void ConnectionFinish::operator()(pg_conn* conn) const { PQfinish(conn); }

bool Result::Ok() const {
    const ExecStatusType status = PQresultStatus(result_.get());
    return result_ != nullptr && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
}

int Result::Rows() const { return result_ != nullptr ? PQntuples(result_.get()) : 0; }
int Result::Columns() const { return result_ != nullptr ? PQnfields(result_.get()) : 0; }

std::string Result::Text(int row, int column) const {
    if (IsNull(row, column)) return {};
    return std::string(PQgetvalue(result_.get(), row, column),
                       static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}

bool Result::IsNull(int row, int column) const {
    return result_ == nullptr || PQgetisnull(result_.get(), row, column) != 0;
}

long Result::Changed() const {
    return result_ != nullptr ? std::atol(PQcmdTuples(result_.get())) : 0;
}

bool Connection::Open(const std::string& conninfo) {
    conn_.reset();
    // A server lost on the network must fail a call within seconds rather
    // than hang the station; the connection string may set its own values.
    // The client encoding comes last: the journal always speaks UTF-8.
    const char* keys[] = {"connect_timeout", "keepalives_idle", "keepalives_interval",
                          "keepalives_count", "tcp_user_timeout", "application_name",
                          "dbname", "client_encoding", nullptr};
    const char* values[] = {"10", "10", "5", "3", "15000", "tagwright", conninfo.c_str(),
                            "UTF8", nullptr};
    conn_.reset(PQconnectdbParams(keys, values, 1));
    // The server's notices ("already exists, skipping" of the in-place
    // upgrades) would land on the station's standard error at every start.
    if (conn_) PQsetNoticeProcessor(conn_.get(), [](void*, const char*) {}, nullptr);
    return Connected();
}

bool Connection::Connected() const {
    return conn_ != nullptr && PQstatus(conn_.get()) == CONNECTION_OK;
}

Result Connection::Exec(std::string_view sql) {
    return Result(PQexec(conn_.get(), std::string(sql).c_str()));
}

Result Connection::Exec(std::string_view sql, const std::vector<Param>& params) {
    const std::vector<const char*> values = Values(params);
    return Result(PQexecParams(conn_.get(), std::string(sql).c_str(),
                               static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                               nullptr, 0));
}

bool Connection::Prepare(const std::string& name, std::string_view sql) {
    return Result(PQprepare(conn_.get(), name.c_str(), std::string(sql).c_str(), 0, nullptr))
        .Ok();
}

Result Connection::ExecPrepared(const std::string& name, const std::vector<Param>& params) {
    const std::vector<const char*> values = Values(params);
    return Result(PQexecPrepared(conn_.get(), name.c_str(), static_cast<int>(values.size()),
                                 values.data(), nullptr, nullptr, 0));
}

std::string Connection::ErrorText() const {
    return conn_ != nullptr ? OneLine(PQerrorMessage(conn_.get())) : "out of memory";
}

std::string Connection::Describe() const {
    std::string host, hostaddr, port, dbname, user;
    if (PQconninfoOption* options = conn_ != nullptr ? PQconninfo(conn_.get()) : nullptr) {
        for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
            const std::string key = o->keyword;
            const std::string value = o->val != nullptr ? o->val : "";
            if (key == "host") host = value;
            if (key == "hostaddr") hostaddr = value;
            if (key == "port") port = value;
            if (key == "dbname") dbname = value;
            if (key == "user") user = value;
        }
        PQconninfoFree(options);
    }
    if (host.empty()) host = hostaddr;
    if (dbname.empty()) dbname = user;
    const std::string server = host.empty() ? "the PostgreSQL server on the local socket"
                                            : "the PostgreSQL server " + host +
                                                  (port.empty() ? std::string() : ":" + port);
    return dbname.empty() ? server : "database \"" + dbname + "\" on " + server;
}

std::optional<std::string> ConnectionStringProblem(const std::string& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (options == nullptr) {
        std::string why = error != nullptr ? OneLine(error) : "out of memory";
        PQfreemem(error);
        return "it cannot be read: " + why;
    }
    bool password = false;
    for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
        if (std::string_view(o->keyword) == "password" && o->val != nullptr && *o->val != '\0') {
            password = true;
        }
    }
    PQconninfoFree(options);
    if (!password) return std::nullopt;
    return "it holds a password, and passwords are not kept in the settings file. Put the "
           "password in a libpq service file (pg_service.conf, with \"service=NAME\" as the "
           "connection) or in a password file named by PGPASSFILE";
}

}  // namespace tagwright::pg
