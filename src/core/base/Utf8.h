#pragma once
// The station keeps its texts 8-bit, as its files do; databases, terminals
// and export files want UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

namespace tagwright {

// Each byte as the Latin-1 character of that code.
std::string Latin1ToUtf8(std::string_view text);
// Back again; a sequence that is not a Latin-1 character is kept as it is.
std::string Utf8ToLatin1(std::string_view text);
// The messages' code page: 0x80-0x9F are the Windows-1252 characters (U+FFFD
// where that code page has none), the rest as Latin-1.
std::string Cp1252ToUtf8(std::string_view text);
// UTF-8 (the file system's names) into the messages' code page. A character
// the code page lacks is written as "<U+4E2D>"; a byte that is not part of
// UTF-8 is kept as it is.
std::string Utf8ToCp1252(std::string_view text);
// A path as a message names it: every message text is in the messages' code
// page, while the file system names files in UTF-8.
std::string MessagePath(const std::filesystem::path& path);

// "U+20AC": a character named so that any message can carry it.
std::string CodePointName(char32_t c);

// Code point CP appended to OUT as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// The length of the well-formed UTF-8 sequence of two or more bytes that
// starts at text[i], with its code point in CP; 0 when none starts there.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& cp);

}  // namespace tagwright
