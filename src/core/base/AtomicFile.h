#pragma once
// Files that hold the operator's data are replaced, never rewritten in place:
// a crash leaves either the old or the new content.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tagwright {

// Links at data paths: a symbolic link is followed only to a regular file
// that belongs to the link's owner. Anything else (a link to another user's
// file, to a device or pipe, or a dangling one) is refused with a message, so
// a link planted in a shared folder cannot redirect a read or a save.

// Larger than any list, set or settings file ever grows; keeps a mistaken
// path (a disk image, /dev/zero) from filling the memory.
inline constexpr std::uintmax_t kMaxWholeFileSize = 64u << 20;

// Temporary files older than this that carry our names are leftovers of a
// process killed between write and rename.
inline constexpr int kStaleTempFileMinutes = 5;

// Writes content to a temporary file beside path, flushes it to disk and
// renames it over path. Keeps the old file's permission bits. On failure
// returns false, fills *error with a sentence naming the path and the cause,
// and removes the temporary file.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                         std::string* error = nullptr);

// The whole file as bytes, or nothing when it cannot be read; then *error
// names the file and the reason. Never blocks: a pipe, a device or a folder
// is refused, as is a file over kMaxWholeFileSize.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                         std::string* error = nullptr);

// Removes the temporary files of ours in dir that a killed process left
// behind (older than kStaleTempFileMinutes, owned by this user). Returns how
// many went. Best effort: call it at start for the settings folder.
int RemoveStaleTempFiles(const std::filesystem::path& dir);

}  // namespace tagwright
