#include "core/base/PosixFile.h"

#include <cerrno>
#include <system_error>

#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace tagwright {

namespace fs = std::filesystem;

bool UniqueFd::Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
}

void UniqueFd::Reset(int fd) {
    (void)Close();
    fd_ = fd;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool PWriteAll(int fd, std::string_view data, off_t offset) {
    while (!data.empty()) {
        const ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return true;
}

std::optional<std::string> PReadUpTo(int fd, off_t offset, std::size_t length) {
    std::string out(length, '\0');
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, out.data() + got, length - got,
                                  offset + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return out;
}

std::optional<off_t> RegularFileSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return st.st_size;
}

bool SyncFile(int fd) { return ::fsync(fd) == 0 || errno == EINVAL; }

void SyncDirectoryOf(const fs::path& path) {
    fs::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid()) (void)::fsync(fd.Get());
}

UniqueFd CreateUniqueFile(const fs::path& dir, std::string& name) {
    name = ((dir.empty() ? fs::path(".") : dir) / ".tw-XXXXXX").string();
    return UniqueFd(::mkostemp(name.data(), O_CLOEXEC));
}

std::optional<std::string> LinkRefusal(const fs::path& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return std::nullopt;
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return "it is a link to a missing file";
    if (!S_ISREG(target.st_mode)) return "it is a link to something other than a regular file";
    if (target.st_uid != link.st_uid) return "it is a link to a file of another owner";
    return std::nullopt;
}

fs::path ReplacementTarget(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    if (LinkRefusal(path)) return path;
    fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved;
}

void KeepOwnerAndMode(int fd, const struct stat& old) {
    struct stat fresh {};
    if (::fstat(fd, &fresh) == 0 && (fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid)) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // keep the new file's owner
        }
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
        // keep the umask's bits
    }
}

}  // namespace tagwright
