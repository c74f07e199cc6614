#pragma once
// The station's end of the virtual Reader's line as plain POSIX calls. The
// Reader keeps its line in raw mode, so bytes come as they were sent.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <string>

namespace tagwright::test {

struct StationPort {
    explicit StationPort(const std::string& path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~StationPort() { ::close(fd); }

    bool Send(const std::string& bytes) {
        return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Everything up to and including `end`; whatever came when nothing more
    // comes for 20 s, a limit that only keeps a broken build from hanging.
    std::string ReadUntil(const std::string& end) {
        std::string text;
        pollfd p{fd, POLLIN, 0};
        char c;
        while (text.find(end) == std::string::npos && ::poll(&p, 1, 20000) > 0 &&
               ::read(fd, &c, 1) == 1) {
            text += c;
        }
        return text;
    }
    // Sends the command with its CR; the reply line with its CR.
    std::string Ask(const std::string& command) {
        return Send(command + "\r") ? ReadUntil("\r") : "not sent";
    }

    int fd;
};

}  // namespace tagwright::test
