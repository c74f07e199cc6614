#pragma once
// The virtual Reader's transponder kept in a text file between runs, so that a
// demo or a training session finds the pages it wrote and locked last time.
//
// Format: 17 lines, one per page from page 1, each 16 upper-case hexadecimal
// digits, a blank and the lock flag ("1" locked, "0" not); then one line
// "UID " followed by the UID. Lines end with LF; a CR before it is tolerated.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "reader-sim/ReaderOptions.h"

namespace tagwright::sim {

std::string FormatTransponder(const Transponder& t);

// Parses the whole text; on a malformed text returns false, leaves *t alone
// and says which line is wrong in *error.
bool ParseTransponder(std::string_view text, Transponder* t, std::string* error = nullptr);

// False with *error when the file cannot be read or is malformed.
bool LoadTransponderFile(const std::filesystem::path& path, Transponder* t,
                         std::string* error = nullptr);

// Writes a temporary file beside path and renames it over path, so a crash
// leaves the old state or the new one.
bool SaveTransponderFile(const std::filesystem::path& path, const Transponder& t,
                         std::string* error = nullptr);

// Page data as 16 hexadecimal digits (either case) into 8 bytes; false when
// the text is anything else.
bool ParsePageHex(std::string_view hex, std::array<std::uint8_t, 8>* bytes);
std::string FormatPageHex(const std::array<std::uint8_t, 8>& bytes);

}  // namespace tagwright::sim
