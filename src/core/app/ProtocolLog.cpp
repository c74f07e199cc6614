#include "core/app/ProtocolLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/app/Station.h"
#include "core/base/DataPaths.h"
#include "core/base/Utf8.h"

namespace tagwright {

namespace {

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

std::string LogFileName(std::int32_t index) {
    return "IntProt_" + std::to_string(index) + ".txt";
}

// Appends line to path in one write; 0 or an errno code. With O_APPEND a
// crash can cost at most this line, never what the file held.
int AppendLine(const std::filesystem::path& path, const std::string& line) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    int error = 0;
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

// Size of the file at path, 0 when it does not exist yet; false with *error
// when it cannot be looked at.
bool FileSize(const std::filesystem::path& path, std::uintmax_t& size, int& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            size = 0;
            return true;
        }
        error = errno;
        return false;
    }
    size = static_cast<std::uintmax_t>(info.st_size);
    return true;
}

bool Fail(ProtocolLogState& log, AutomaticRun& run, const std::string& file, int error) {
    if (log.failureReported) return false;
    log.failureReported = true;
    // Another message of the same cycle (the record file's) must not be lost.
    run.LeaveMessage("The protocol log " + MessagePath(file) + " cannot be written (" +
                     std::strerror(error) + ").\r\nThe station goes on without it; " +
                     "check that the directory exists and may be written.");
    return false;
}

}  // namespace

std::string ProtocolTimestamp(const LocalTime& time) {
    return TwoDigits(time.day) + "/" + TwoDigits(time.month) + "/" +
           TwoDigits(((time.year % 100) + 100) % 100) + ";" + TwoDigits(time.hour) + ":" +
           TwoDigits(time.minute) + ":" + TwoDigits(time.second);
}

bool WriteProtocolLine(ProtocolLogState& log, AutomaticRun& run, const Clock& clock,
                       std::string_view text) {
    std::error_code ec;
    const std::filesystem::path directory = StationJournalDirectory(ec);
    if (ec) return Fail(log, run, LogFileName(log.index), ec.value());

    // Only files that exist and are above the limit are passed over, so the
    // search ends at the first file that is missing, small or unusable.
    std::filesystem::path path;
    for (;;) {
        path = directory / LogFileName(log.index);
        std::uintmax_t size = 0;
        int error = 0;
        if (!FileSize(path, size, error)) return Fail(log, run, path.string(), error);
        if (size <= kProtocolLogLimit || log.index == INT32_MAX) break;
        ++log.index;
    }

    std::string line = ProtocolTimestamp(clock.Now());
    line += ';';
    line += text;
    line += "\r\n";
    if (const int error = AppendLine(path, line); error != 0) {
        return Fail(log, run, path.string(), error);
    }
    return true;
}

}  // namespace tagwright
