#include "core/base/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/PosixFile.h"
#include "core/base/Utf8.h"

namespace tagwright {

namespace fs = std::filesystem;

namespace {

std::string FailureText(const fs::path& path, std::string_view cause) {
    return "Could not save the file \"" + MessagePath(path) + "\": " + std::string(cause) + ".";
}

std::string ErrnoText(int err) { return std::generic_category().message(err); }

// Our temporary files: ".tw-" and 8 letters or digits here, 6 from
// CreateUniqueFile; older versions wrote "<name>.tmp-" and 8.
const std::string kTempPrefix = ".tw-";

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

// The file that path names now, after its link if it is one.
struct Destination {
    fs::path target;
    fs::path dir;
    std::optional<struct stat> old;
};

// Opens a fresh temporary file beside the target. 0666 lets the umask decide
// a new file's bits, as fopen would. The name does not grow with the
// target's, so a target whose name is near the 255-byte limit can still be
// saved. Names only need to be unlikely to clash: O_EXCL settles the rest.
int OpenTempBeside(const Destination& dest, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = (dest.dir / (kTempPrefix + TempSuffix())).string();
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Fills the temporary file, flushes it and renames it over the target; the
// errno of the failing step otherwise.
int FillAndRename(UniqueFd& fd, const std::string& temp, const fs::path& target,
                  std::string_view content) {
    if (!WriteAll(fd.Get(), content) || !SyncFile(fd.Get()) || !fd.Close()) return errno;
    if (::rename(temp.c_str(), target.c_str()) != 0) return errno;
    return 0;
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, std::string_view content, std::string* error) {
    auto fail = [&](std::string_view cause) {
        if (error != nullptr) *error = FailureText(path, cause);
        return false;
    };

    if (std::optional<std::string> refusal = LinkRefusal(path)) return fail(*refusal);
    Destination dest{ReplacementTarget(path), {}, std::nullopt};
    struct stat st {};
    if (::stat(dest.target.c_str(), &st) == 0) dest.old = st;
    if (dest.old && S_ISDIR(dest.old->st_mode)) return fail(ErrnoText(EISDIR));
    // Renaming over a device or a pipe would replace it with a plain file.
    if (dest.old && !S_ISREG(dest.old->st_mode)) return fail("it is not a regular file");
    dest.dir = dest.target.parent_path();
    if (dest.dir.empty()) dest.dir = ".";

    std::string temp;
    UniqueFd fd(OpenTempBeside(dest, temp));
    if (!fd.Valid()) return fail(ErrnoText(errno));
    if (dest.old) KeepOwnerAndMode(fd.Get(), *dest.old);
    if (const int err = FillAndRename(fd, temp, dest.target, content); err != 0) {
        (void)fd.Close();
        ::unlink(temp.c_str());
        return fail(ErrnoText(err));
    }
    SyncDirectoryOf(dest.target);
    return true;
}

namespace {

std::string ReadFailureText(const fs::path& path, std::string_view cause) {
    return "Could not read the file \"" + MessagePath(path) + "\": " + std::string(cause) + ".";
}

std::string TooLargeText() {
    return "it is larger than " + std::to_string(kMaxWholeFileSize >> 20) + " MiB";
}

// The cause that keeps an opened file from being read whole, if any.
std::optional<std::string> Unreadable(const fs::path& path, int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return ErrnoText(errno);
    if (S_ISDIR(st.st_mode)) return ErrnoText(EISDIR);
    if (!S_ISREG(st.st_mode)) return std::string("it is not a regular file");
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxWholeFileSize) return TooLargeText();
    if (std::optional<std::string> refusal = LinkRefusal(path)) return refusal;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const fs::path& path, std::string* error) {
    auto fail = [&](std::string_view cause) -> std::optional<std::string> {
        if (error != nullptr) *error = ReadFailureText(path, cause);
        return std::nullopt;
    };
    // O_NONBLOCK so that opening a pipe returns at once; it is refused below.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) return fail(ErrnoText(errno));
    if (std::optional<std::string> cause = Unreadable(path, fd.Get())) return fail(*cause);
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(ErrnoText(errno));
        }
        content.append(buffer, static_cast<std::size_t>(n));
        // The file may have grown since fstat.
        if (content.size() > kMaxWholeFileSize) return fail(TooLargeText());
    }
    return content;
}

namespace {

bool AllOf(std::string_view s, bool (*ok)(char)) {
    for (char c : s) {
        if (!ok(c)) return false;
    }
    return true;
}

bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsLowerAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }

bool IsOurTempName(std::string_view name) {
    if (name.starts_with(kTempPrefix)) {
        const std::string_view rest = name.substr(kTempPrefix.size());
        return (rest.size() == 6 || rest.size() == 8) && AllOf(rest, IsAlnum);
    }
    const std::size_t at = name.rfind(".tmp-");
    if (at == std::string_view::npos || at == 0) return false;
    const std::string_view rest = name.substr(at + 5);
    return rest.size() == 8 && AllOf(rest, IsLowerAlnum);
}

}  // namespace

int RemoveStaleTempFiles(const fs::path& dir) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) return 0;
    const auto cutoff = fs::file_time_type::clock::now() -
                        std::chrono::minutes(kStaleTempFileMinutes);
    int removed = 0;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const fs::directory_entry& entry = *it;
        if (!IsOurTempName(entry.path().filename().string())) continue;
        struct stat st {};
        if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (st.st_uid != ::geteuid()) continue;
        const fs::file_time_type written = fs::last_write_time(entry.path(), ec);
        if (ec || written > cutoff) {
            ec.clear();
            continue;
        }
        if (::unlink(entry.path().c_str()) == 0) ++removed;
    }
    return removed;
}

}  // namespace tagwright
