#include "support/PostgresServer.h"
#include "support/LogTail.h"

#include <cstdlib>
#include <system_error>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tagwright::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPort = "5432";

// The bin directory of the newest server installed, or "".
fs::path NewestServer() {
    fs::path best;
    int bestVersion = -1;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        const int version = std::atoi(entry.path().filename().c_str());
        if (version > bestVersion && fs::exists(entry.path() / "bin" / "postgres", ec)) {
            bestVersion = version;
            best = entry.path() / "bin";
        }
    }
    return best;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

PostgresServer::PostgresServer() : bin_(NewestServer()), owner_(::getpid()) {
    if (bin_.empty()) {
        error_ = "no PostgreSQL server in /usr/lib/postgresql (scripts/install-deps)";
        return;
    }
    // Short, so that the socket's path stays far below its limit.
    char pattern[] = "/tmp/twpg-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        error_ = "no temporary directory";
        return;
    }
    dir_ = pattern;
    if (::geteuid() == 0) {
        const passwd* pw = ::getpwnam("postgres");
        if (pw == nullptr || ::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            error_ = "no \"postgres\" user to run the server as";
            return;
        }
    }
    const std::string data = Quoted((dir_ / "data").string());
    if (Run("initdb", "-D " + data + " -U postgres -A trust -E UTF8 --locale=C --no-sync") != 0) {
        error_ = "initdb failed: " + LogTail(dir_ / "setup.log");
        return;
    }
    if (!Start()) return;
    const std::string database = " -p " + std::string(kPort) + " -U postgres tagwright";
    if (Run("createdb", "-h " + Quoted(dir_.string()) + database) != 0) {
        error_ = "createdb failed: " + LogTail(dir_ / "setup.log");
        Stop();
    }
}

PostgresServer::~PostgresServer() {
    if (::getpid() != owner_) return;
    if (running_) Stop();
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
}

std::string PostgresServer::ConnectionString() const {
    return "host=" + dir_.string() + " port=" + kPort + " dbname=tagwright user=postgres";
}

bool PostgresServer::Start() {
    const std::string options = "-c listen_addresses='' -k " + dir_.string() + " -p " + kPort;
    running_ = Run("pg_ctl", "start -w -t 120 -D " + Quoted((dir_ / "data").string()) + " -l " +
                                 Quoted((dir_ / "server.log").string()) + " -o " +
                                 Quoted(options)) == 0;
    if (!running_) error_ = "pg_ctl start failed: " + LogTail(dir_ / "server.log");
    return running_;
}

bool PostgresServer::Stop() {
    const bool stopped =
        Run("pg_ctl", "stop -w -t 120 -m fast -D " + Quoted((dir_ / "data").string())) == 0;
    if (stopped) running_ = false;
    return stopped;
}

bool PostgresServer::Sql(const std::string& sql) {
    return Run("psql", "-X -q -v ON_ERROR_STOP=1 -h " + Quoted(dir_.string()) + " -p " + kPort +
                           " -U postgres -d tagwright -c " + Quoted(sql)) == 0;
}

PostgresServer& SharedPostgresServer() {
    static PostgresServer server;
    return server;
}

std::string FreshPostgresSchema() {
    static int count = 0;
    PostgresServer& server = SharedPostgresServer();
    const std::string schema = "test_" + std::to_string(++count);
    if (!server.Running() || !server.Sql("CREATE SCHEMA " + schema)) return "";
    return server.ConnectionString() + " options='-c search_path=" + schema + "'";
}

// Runs one of the server's programs, as "postgres" when we are root; its
// output goes to the server's log.
int PostgresServer::Run(const std::string& program, const std::string& arguments) {
    const std::string runAs = ::geteuid() == 0 ? "runuser -u postgres -- " : "";
    const std::string log = Quoted((dir_ / "setup.log").string());
    const std::string command = "cd / && " + runAs + Quoted((bin_ / program).string()) + " " +
                                arguments + " >>" + log + " 2>&1";
    const int status = std::system(command.c_str());
    return status == -1 ? -1 : WEXITSTATUS(status);
}

}  // namespace tagwright::test
