#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it when the fixture ends.

#include <filesystem>
#include <string>
#include <string_view>

namespace tagwright::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    // Writes bytes to a file in the directory and returns its path.
    std::filesystem::path Write(std::string_view name, std::string_view bytes) const;
    // The file's bytes, or "" when it cannot be read.
    std::string Read(std::string_view name) const;

private:
    std::filesystem::path path_;
};

// Reads a whole file as bytes ("" when missing).
std::string ReadBytes(const std::filesystem::path& path);

// Changes the current directory for the fixture's life.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& dir);
    ~CurrentDirectory();

private:
    std::filesystem::path previous_;
};

}  // namespace tagwright::test
