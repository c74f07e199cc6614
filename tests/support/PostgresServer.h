#pragma once
// A real PostgreSQL server for tests and benchmarks, from Debian's
// postgresql package: a fresh cluster in a temporary directory, reached on a
// Unix socket in that directory only (no TCP), stopped and removed at the
// end. As root the server runs as the "postgres" user, since initdb and
// postgres refuse root.

#include <filesystem>
#include <string>

namespace tagwright::test {

class PostgresServer {
public:
    // Creates the cluster, starts it and creates the database "tagwright".
    // Check Running() and Error().
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    bool Running() const { return running_; }
    // Why the server is not running, with the tail of its log.
    const std::string& Error() const { return error_; }

    // "host=<socket directory> port=... dbname=tagwright user=postgres".
    std::string ConnectionString() const;
    // The socket directory: the "host" of the connection string.
    const std::filesystem::path& SocketDirectory() const { return dir_; }

    // Takes the server away (fast shutdown: sessions are cut) and brings it
    // back with its data.
    bool Stop();
    bool Start();

    // Runs SQL in the database with psql; false when it fails.
    bool Sql(const std::string& sql);

private:
    int Run(const std::string& program, const std::string& arguments);

    std::filesystem::path bin_;
    std::filesystem::path dir_;
    int owner_ = 0;  // the process that started it: a forked child leaves it be
    bool running_ = false;
    std::string error_;
};

// The test program's one server, started at first use and stopped at exit.
PostgresServer& SharedPostgresServer();

// A connection string to the shared server whose tables go to a new, empty
// schema, so that each test starts from an empty journal. "" when the server
// is not running (its Error() says why).
std::string FreshPostgresSchema();

}  // namespace tagwright::test
