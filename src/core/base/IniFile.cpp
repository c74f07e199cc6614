// INI rules, as the Windows profile functions apply them (station files are
// written by hand and by older tools that rely on them).
//
// Reading
//  1. Section and key names match without regard to letter case (ASCII only:
//     bytes above 0x7F compare exactly). The names asked for are trimmed too.
//  2. White space (C isspace, plus the DOS end-of-file byte 0x1A) around
//     section names, keys and values is trimmed.
//  3. One pair of matching outer quotes ('...' or "...") around a value is
//     removed; what is inside, spaces included, stays.
//  4. A key line splits at its first "="; a line without "=" is a key with an
//     empty value.
//  5. Only a line whose first non-blank byte is ";" is a comment; a ";" later
//     in a value belongs to the value.
//  6. A line starting with "[" that holds a "]" is a section header; the name
//     ends at the line's last "]", and the rest of the line is ignored.
//  7. A section or key that occurs twice: the first one counts. A later
//     section of the same name is never looked into.
//  8. Lines before the first section belong to no section.
//  9. A value reads as at most kMaxValueLength bytes (after the quotes go).
//     It ends at a NUL byte, as a C string would, and is trimmed there: writing
//     cuts at NUL too (rule 16), so a value never changes from save to save.
// 10. A missing file, section or key reads as "", never an error; so does an
//     empty section or key name.
// 11. CR LF, LF and a lone CR all end a line. A UTF-8 byte order mark at the
//     very start is ignored (and kept).
//
// Writing (Set)
// 12. An existing key gets its new value where it stands, as key=value with
//     the file's spelling of the key. Setting the value it already has leaves
//     the line untouched, so a run that changes nothing changes no byte.
// 13. A new key goes directly after the last key line of its section, ahead of
//     the blank lines and comments that close the section; in a section
//     without keys, directly after the header.
// 14. A new section goes at the end of the file, with no blank line before it;
//     a new file is "[Section]\r\nkey=value\r\n".
// 15. Every other line is kept byte for byte; values are bytes, never
//     re-encoded. Every line is written with CR LF.
// 16. Leading white space of a written value is dropped, since it could not be
//     read back. A name or value is cut at its first CR, LF or NUL: the rest
//     could not be read back either, and would plant lines of its own.
// 17. An empty section or key name is not written.

#include "core/base/IniFile.h"

#include "core/base/AtomicFile.h"

namespace tagwright {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == '\x1A';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// What can be written on one line and read back.
std::string_view UpToLineBreak(std::string_view s) {
    return s.substr(0, s.find_first_of(std::string_view("\r\n\0", 3)));
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class LineKind { Blank, Comment, Section, Key };

struct Line {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // raw value, trimmed; empty when there is no "="
    bool hasEquals = false;
};

Line Classify(std::string_view text) {
    Line line;
    std::string_view t = Trim(text);
    if (t.empty()) return line;
    if (t.front() == ';') {
        line.kind = LineKind::Comment;
        return line;
    }
    if (t.front() == '[') {
        std::size_t close = t.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            line.kind = LineKind::Section;
            line.name = Trim(t.substr(1, close - 1));
            return line;
        }
        // Without "]" it is no header: the profile functions take it as a key.
    }
    line.kind = LineKind::Key;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        line.name = t;
    } else {
        line.name = Trim(t.substr(0, eq));
        line.value = Trim(t.substr(eq + 1));
        line.hasEquals = true;
    }
    return line;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

}  // namespace

IniFile IniFile::Load(const std::filesystem::path& path) {
    std::optional<std::string> content = ReadWholeFile(path);
    return content ? Parse(*content) : IniFile();
}

IniFile IniFile::Parse(std::string_view content) {
    IniFile file;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < content.size()) {
        char c = content[i];
        if (c == '\r' || c == '\n') {
            file.lines_.emplace_back(content.substr(start, i - start));
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < content.size()) file.lines_.emplace_back(content.substr(start));
    return file;
}

namespace {

// Index of the header of the first section named `name`, or lines.size().
std::size_t FindSection(const std::vector<std::string>& lines, std::string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view text = lines[i];
        if (i == 0 && text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
        Line line = Classify(text);
        if (line.kind == LineKind::Section && EqualsNoCase(line.name, name)) return i;
    }
    return lines.size();
}

}  // namespace

std::string IniFile::Get(std::string_view section, std::string_view key) const {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty()) return {};
    for (std::size_t i = FindSection(lines_, section) + 1; i < lines_.size(); ++i) {
        Line line = Classify(lines_[i]);
        if (line.kind == LineKind::Section) break;
        if (line.kind == LineKind::Key && EqualsNoCase(line.name, key)) {
            const std::string_view value = Trim(line.value.substr(0, line.value.find('\0')));
            return std::string(Unquote(value).substr(0, kMaxValueLength));
        }
    }
    return {};
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(UpToLineBreak(section));
    key = Trim(UpToLineBreak(key));
    value = UpToLineBreak(value);
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    if (section.empty() || key.empty()) return;

    std::size_t header = FindSection(lines_, section);
    if (header == lines_.size()) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::string(key) + "=" + std::string(value));
        return;
    }
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < lines_.size(); ++i) {
        Line line = Classify(lines_[i]);
        if (line.kind == LineKind::Section) break;
        if (line.kind != LineKind::Key) continue;
        if (EqualsNoCase(line.name, key)) {
            if (!line.hasEquals || line.value != value) {
                lines_[i] = std::string(line.name) + "=" + std::string(value);
            }
            return;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  std::string(key) + "=" + std::string(value));
}

std::string IniFile::Serialise() const {
    std::size_t size = 0;
    for (const std::string& line : lines_) size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const std::string& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

bool IniFile::Save(const std::filesystem::path& path, std::string* error) const {
    return WriteFileAtomically(path, Serialise(), error);
}

std::string IniTextValue(std::string_view text) {
    if (text.empty()) return {};
    // Line breaks never reach a value, so only these are trimmed from it.
    const auto trimmed = [](char c) {
        return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
    };
    const char first = text.front();
    const char last = text.back();
    const bool quoted = text.size() >= 2 && first == last && (first == '"' || first == '\'');
    if (!quoted && !trimmed(first) && !trimmed(last)) return std::string(text);
    std::string value = "\"";
    value += text;
    value += '"';
    return value;
}

}  // namespace tagwright
