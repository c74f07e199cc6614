#pragma once
// The station's end of the virtual Reader's line: a plain POSIX client in raw
// mode whose reads give up after a limit that only guards against a hang; and
// a running Reader with that client on its line.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reader-sim/VirtualReader.h"

namespace tagwright::test {

inline constexpr std::chrono::milliseconds kPatience{20000};

class StationPort {
public:
    explicit StationPort(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        termios tio{};
        if (fd_ < 0 || ::tcgetattr(fd_, &tio) != 0) return;
        ::cfmakeraw(&tio);
        tio.c_cc[VMIN] = 0;  // a read returns what came, or nothing after VTIME
        tio.c_cc[VTIME] = static_cast<cc_t>(kPatience.count() / 100);
        ::tcsetattr(fd_, TCSANOW, &tio);
        ::tcflush(fd_, TCIFLUSH);
    }
    ~StationPort() { Close(); }
    StationPort(const StationPort&) = delete;
    StationPort& operator=(const StationPort&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    bool Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0 && errno != EINTR) return false;
            if (n > 0) bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // Everything up to and including the first terminator; on a hang-up or
    // after the limit, whatever came.
    std::string ReadUntil(std::string_view terminator) {
        std::size_t at;
        for (ssize_t n = 1; (at = pending_.find(terminator)) == std::string::npos && n != 0;) {
            char buf[512];
            n = ::read(fd_, buf, sizeof buf);
            if (n > 0) pending_.append(buf, static_cast<std::size_t>(n));
            if (n < 0 && errno != EINTR) break;
        }
        const std::size_t end = at == std::string::npos ? at : at + terminator.size();
        std::string out = pending_.substr(0, end);
        pending_.erase(0, end);
        return out;
    }

    // Sends the command with its CR and returns the reply line with its CR.
    std::string Ask(std::string_view command) {
        Send(std::string(command) + "\r");
        return ReadUntil("\r");
    }

private:
    int fd_ = -1;
    std::string pending_;
};

// A command and its reply without CR; an empty reply: none is to come (the
// next Ask shows if one did).
using Script = std::vector<std::pair<std::string, std::string>>;

struct RunningReader {
    explicit RunningReader(const sim::Options& o) : reader(o) {
        std::string error;
        EXPECT_TRUE(reader.Start(&error)) << error;
        port = std::make_unique<StationPort>(reader.SlavePath());
        EXPECT_TRUE(port->IsOpen());
    }
    void Play(const Script& script) {
        for (const auto& [command, reply] : script) {
            if (reply.empty()) {
                port->Send(command + "\r");
            } else {
                EXPECT_EQ(port->Ask(command), reply + "\r") << command;
            }
        }
    }
    sim::VirtualReader reader;
    std::unique_ptr<StationPort> port;
};

}  // namespace tagwright::test
