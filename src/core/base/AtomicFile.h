#pragma once
// Files that hold the operator's data are replaced, never rewritten in place:
// a crash leaves either the old or the new content.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tagwright {

// Writes content to a temporary file beside path, flushes it to disk and
// renames it over path. Keeps the old file's permission bits. On failure
// returns false, fills *error with a sentence naming the path and the cause,
// and removes the temporary file.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                         std::string* error = nullptr);

// The whole file as bytes, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace tagwright
