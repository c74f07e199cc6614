#pragma once
// INI files read and written with the rules of the Windows profile functions,
// which hand-made station files rely on. The rules are stated in IniFile.cpp.
//
// Usage: load once, Get() many keys; Set() many keys, then Save() them all at
// once. Save replaces the file atomically.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tagwright {

class IniFile {
public:
    // Longest value a read gives (the profile functions' 260-byte buffer).
    static constexpr std::size_t kMaxValueLength = 259;

    IniFile() = default;

    // Reads the file. A missing or unreadable file gives an empty document;
    // reading is never an error.
    static IniFile Load(const std::filesystem::path& path);
    static IniFile Parse(std::string_view content);

    // The value, or "" when the section or key is missing.
    std::string Get(std::string_view section, std::string_view key) const;

    // Replaces the value where the key stands, or adds the key (and the
    // section) as the profile functions do.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // The whole document as it would be written.
    std::string Serialise() const;

    // Writes the document through a temporary file and a rename. On failure
    // returns false, fills *error and leaves the old file as it was.
    bool Save(const std::filesystem::path& path, std::string* error = nullptr) const;

private:
    std::vector<std::string> lines_;  // without their line ends
};

// A free text as an INI value that reads back as the same text. Reading trims
// blanks around a value and strips one pair of outer quotes, so a page text
// ending in a space character, or a text in quotes, is written inside double
// quotes; any other text is written as it is.
std::string IniTextValue(std::string_view text);

}  // namespace tagwright
