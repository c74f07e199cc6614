#include "support/MqttBroker.h"
#include "support/LogTail.h"

#include <chrono>
#include <csignal>
#include <system_error>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tagwright::test {

namespace fs = std::filesystem;

namespace {

// A port no one listens on now: the kernel's choice for a socket bound to 0.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0) {
        port = ntohs(addr.sin_port);
    }
    ::close(fd);
    return port;
}

}  // namespace

std::string MqttBroker::Program() {
    for (const char* path : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto"}) {
        if (::access(path, X_OK) == 0) return path;
    }
    return {};
}

MqttBroker::MqttBroker() : owner_(::getpid()) {
    if (Program().empty()) {
        error_ = "mosquitto is not installed (scripts/install-deps)";
        return;
    }
    char pattern[] = "/tmp/twmq-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        error_ = "no temporary directory";
        return;
    }
    dir_ = pattern;
    port_ = FreePort();
    const passwd* pw = ::getpwuid(::geteuid());
    std::ofstream conf(dir_ / "mosquitto.conf");
    conf << "listener " << port_ << " 127.0.0.1\n"
         << "allow_anonymous true\n"
         << "persistence true\n"
         << "persistence_location " << dir_.string() << "/\n"
         << "log_dest file " << (dir_ / "mosquitto.log").string() << "\n"
         << "log_type all\n";
    // As root the broker would switch to its own user, who may not write here.
    if (pw != nullptr) conf << "user " << pw->pw_name << "\n";
    conf.close();
    Start();
}

MqttBroker::~MqttBroker() {
    if (::getpid() != owner_) return;
    Stop();
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
}

bool MqttBroker::Listening() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port_));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

bool MqttBroker::Start() {
    if (pid_ > 0) return true;
    const std::string program = Program();
    const std::string conf = (dir_ / "mosquitto.conf").string();
    pid_ = ::fork();
    if (pid_ == 0) {
        // Its complaints (running as root) go to its log, not the test's output.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execl(program.c_str(), program.c_str(), "-c", conf.c_str(), nullptr);
        ::_exit(127);
    }
    for (int waited = 0; waited < 30000; waited += 20) {
        if (Listening()) return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error_ = "mosquitto did not start: " + LogTail(dir_ / "mosquitto.log");
    Stop();
    return false;
}

bool MqttBroker::Stop() {
    if (pid_ <= 0) return true;
    ::kill(pid_, SIGTERM);  // saves its persistent state
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return true;
}

std::string MqttBroker::Settings(const std::string& prefix) const {
    return "[MQTT]\r\nHost=127.0.0.1\r\nPort=" + std::to_string(port_) +
           "\r\nTopicPrefix=" + prefix + "\r\n";
}

}  // namespace tagwright::test
