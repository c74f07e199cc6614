#include "core/base/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagwright {

namespace fs = std::filesystem;

namespace {

std::string FailureText(const fs::path& path, std::string_view cause) {
    return "Could not save the file \"" + path.string() + "\": " + std::string(cause) + ".";
}

std::string ErrnoText(int err) { return std::generic_category().message(err); }

// Names only need to be unlikely to clash: O_EXCL settles the rest.
std::string TempSuffix() {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x = counter.fetch_add(1) ^ (static_cast<std::uint64_t>(::getpid()) << 40) ^
                      static_cast<std::uint64_t>(
                          std::chrono::steady_clock::now().time_since_epoch().count());
    // splitmix64 finaliser, so that successive names differ in every place
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    x ^= x >> 31;
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s;
    for (int i = 0; i < 8; ++i) {
        s += kChars[x % 36];
        x /= 36;
    }
    return s;
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, std::string_view content, std::string* error) {
    auto fail = [&](std::string_view cause) {
        if (error != nullptr) *error = FailureText(path, cause);
        return false;
    };

    // A link stays a link: the file it points at is replaced.
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) target = resolved;
    }

    struct stat old {};
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode)) return fail(ErrnoText(EISDIR));
    // Renaming over a device or a pipe would replace it with a plain file.
    if (hadOld && !S_ISREG(old.st_mode)) return fail("it is not a regular file");

    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    const std::string base = target.filename().string();

    // 0666 lets the umask decide a new file's bits, as fopen would.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = (dir / (base + ".tmp-" + TempSuffix())).string();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return fail(ErrnoText(errno));
    }
    if (fd < 0) return fail(ErrnoText(EEXIST));

    auto abandon = [&](int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        return fail(ErrnoText(err));
    };

    if (hadOld) {
        // Best effort: a file system without owners or modes still gets the data.
        struct stat fresh {};
        if (::fstat(fd, &fresh) == 0 &&
            (fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid)) {
            if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
                // keep the new file's owner
            }
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            // keep the umask's bits
        }
    }

    if (!WriteAll(fd, content)) return abandon(errno);
    // EINVAL: the file system cannot sync; the data is written all the same.
    if (::fsync(fd) != 0 && errno != EINVAL) return abandon(errno);
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0) return abandon(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) return abandon(errno);

    // So that the rename itself survives a power cut. Best effort.
    int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string content;
    if (S_ISREG(st.st_mode)) content.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

}  // namespace tagwright
