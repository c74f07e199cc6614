#pragma once
// The few POSIX file steps that the files holding operator data share:
// an owned descriptor, whole writes and reads that survive EINTR, and the
// flushes that make a write or a rename last through a power cut.

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tagwright {

// Closes its descriptor when it goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { (void)Close(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // False only when close itself reports an error (a deferred write error).
    bool Close();
    void Reset(int fd);
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

// Writes all of data at the descriptor's position, or at offset.
bool WriteAll(int fd, std::string_view data);
bool PWriteAll(int fd, std::string_view data, off_t offset);
// Up to length bytes from offset; fewer at the end of the file.
std::optional<std::string> PReadUpTo(int fd, off_t offset, std::size_t length);
// The size of an open regular file; nothing for anything else.
std::optional<off_t> RegularFileSize(int fd);

// fsync that accepts a file system which cannot sync (EINVAL): the data is
// written all the same.
bool SyncFile(int fd);
// So that a rename or a new name in the directory survives a power cut.
// Best effort.
void SyncDirectoryOf(const std::filesystem::path& path);

// Creates a fresh file of a name nobody can guess, in dir, readable and
// writable by its owner only; name gets its path. The name is short
// whatever the file it stands in for is called.
UniqueFd CreateUniqueFile(const std::filesystem::path& dir, std::string& name);

// Why path, a symbolic link, must not be followed: it dangles, or leads to
// something other than a regular file of the link's owner. Nothing for a
// link that may be followed and for a path that is no link.
std::optional<std::string> LinkRefusal(const std::filesystem::path& path);

// A link stays a link: the file it points at is the one replaced. A link that
// LinkRefusal refuses is itself the one replaced, never what it points at.
std::filesystem::path ReplacementTarget(const std::filesystem::path& path);
// Gives a fresh file the owner and permission bits of the one it replaces.
// Best effort: a file system without owners or modes still gets the data.
void KeepOwnerAndMode(int fd, const struct stat& old);

}  // namespace tagwright
