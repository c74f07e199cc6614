#pragma once
// The station's end of the virtual Reader's line, as a plain POSIX client:
// open(2), raw mode, writes, and reads with poll and a generous limit that
// only guards against a hang.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <string_view>

namespace tagwright::test {

inline constexpr std::chrono::milliseconds kPatience{20000};

class StationPort {
public:
    explicit StationPort(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return;
        termios tio{};
        if (::tcgetattr(fd_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
        ::tcflush(fd_, TCIFLUSH);
    }
    ~StationPort() { Close(); }
    StationPort(const StationPort&) = delete;
    StationPort& operator=(const StationPort&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    bool Send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // Everything up to and including the first terminator; on a hang-up or
    // after the limit, whatever came.
    std::string ReadUntil(std::string_view terminator) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        for (;;) {
            if (std::size_t at = pending_.find(terminator); at != std::string::npos) {
                std::string out = pending_.substr(0, at + terminator.size());
                pending_.erase(0, at + terminator.size());
                return out;
            }
            if (!ReadSome(deadline)) break;
        }
        std::string out;
        out.swap(pending_);
        return out;
    }

    std::string ReadLine() { return ReadUntil("\r"); }

    // Sends the command with its CR and returns the reply line with its CR.
    std::string Ask(std::string_view command) {
        Send(std::string(command) + "\r");
        return ReadLine();
    }

private:
    bool ReadSome(std::chrono::steady_clock::time_point deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char buf[512];
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
        if (n <= 0) return false;
        pending_.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    int fd_ = -1;
    std::string pending_;
};

}  // namespace tagwright::test
