#include "core/domain/PageCodec.h"

#include <initializer_list>
#include <optional>
#include <vector>

#include "core/domain/Hex.h"

namespace tagwright::PageCodec {
namespace {

// Markers for 0x00 and for a space character while an ASCII text is split.
constexpr std::string_view kNulMarker = "XXXXXXXXX";
constexpr std::string_view kSpaceMarker = "YYYYYYYYY";

// Left to right, non-overlapping; the scan goes on after the inserted text,
// so a replacement never matches its own output.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

void RemoveSpaces(std::string& text) {
    std::erase(text, ' ');
}

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] != ' ') ++pos;
        if (pos > start) tokens.push_back(text.substr(start, pos - start));
    }
    return tokens;
}

// Any character gives some nibble; only 0-9, A-F and a-f give their value.
unsigned Nibble(char c) {
    const int code = static_cast<unsigned char>(c);
    const int value = code > '9' ? code - 55 : code - 48;
    return static_cast<unsigned>(value) & 0x0Fu;
}

char PairToByte(char high, char low) {
    return static_cast<char>(Nibble(high) * 16 + Nibble(low));
}

std::string ByteText(char byte) {
    return byte == '\0' ? std::string("NUL") : std::string(1, byte);
}

bool SpacesAt(std::string_view text, std::initializer_list<std::size_t> positions) {
    for (std::size_t p : positions) {
        if (text[p] != ' ') return false;
    }
    return true;
}

// Eight characters, one space between each two, none after the last.
std::string Separated(std::string_view eight) {
    std::string out;
    for (std::size_t i = 0; i < eight.size(); ++i) {
        if (i > 0) out += ' ';
        out += eight[i];
    }
    return out;
}

// The eight bytes of a text in the form a read shows: eight byte texts
// ("NUL" or one character, which may itself be a space), one blank between
// each two. Space bytes next to each other can only be told from the blanks
// between them by position, so such a text is read by position.
std::optional<std::string> BytesByPosition(std::string_view text) {
    std::string bytes;
    std::size_t pos = 0;
    while (bytes.size() < 8) {
        if (pos >= text.size()) return std::nullopt;
        const bool nul =
            text.substr(pos, 3) == "NUL" && (pos + 3 == text.size() || text[pos + 3] == ' ');
        bytes += nul ? '\0' : text[pos];
        pos += nul ? 3 : 1;
        if (bytes.size() == 8) break;
        if (pos >= text.size() || text[pos] != ' ') return std::nullopt;
        ++pos;
    }
    if (pos != text.size()) return std::nullopt;
    return bytes;
}

// A text that the two conversions reproduce exactly is already what a read
// of the page shows; reshaping it would write other bytes than it stands for.
bool IsCanonicalAscii(std::string_view text) {
    if (text.find(' ') == std::string_view::npos) return false;
    const std::string hex = AsciiToHexText(text);
    return Tokens(hex).size() == static_cast<std::size_t>(8) && HexToAsciiText(hex) == text;
}

}  // namespace

std::string AsciiToHexText(std::string_view text) {
    if (text.empty()) return {};
    if (const std::optional<std::string> bytes = BytesByPosition(text)) {
        std::string out;
        for (char byte : *bytes) {
            if (!out.empty()) out += ' ';
            out += HexByte(static_cast<unsigned char>(byte));
        }
        return out;
    }
    std::string t(text);
    ReplaceAll(t, " NUL ", " XXXXXXXXX ");
    ReplaceAll(t, "NUL ", "XXXXXXXXX ");
    ReplaceAll(t, " NUL", " XXXXXXXXX");
    ReplaceAll(t, "  ", " YYYYYYYYY ");

    std::string out;
    for (std::string_view token : Tokens(t)) {
        if (!out.empty()) out += ' ';
        if (token == kNulMarker) {
            out += "00";
        } else if (token == kSpaceMarker) {
            out += "20";
        } else {
            out += HexByte(static_cast<unsigned char>(token.front()));
        }
        if (out.size() >= 23) break;
    }
    if (out.size() > 23) out.resize(23);
    return out;
}

std::string HexToAsciiText(std::string_view text) {
    if (text.empty()) return {};
    std::string out;
    bool first = true;
    for (std::string_view token : Tokens(text)) {
        if (token.size() > 2) token = token.substr(token.size() - 2);
        const char high = token.size() == 1 ? '0' : token[0];
        const char low = token.back();
        if (!first) out += ' ';
        first = false;
        out += ByteText(PairToByte(high, low));
    }
    return out;
}

std::string HexDigitsToBytes(std::string_view digits) {
    std::string bytes;
    bytes.reserve((digits.size() + 1) / 2);
    std::size_t i = 0;
    for (; i + 1 < digits.size(); i += 2) bytes += PairToByte(digits[i], digits[i + 1]);
    if (i < digits.size()) bytes += PairToByte('0', digits[i]);
    return bytes;
}

std::string TextBeforeNul(std::string_view bytes) {
    return std::string(bytes.substr(0, bytes.find('\0')));
}

int CheckPageText(std::string_view text, PageFormat format) {
    std::string t(text);
    if (format == PageFormat::Hex) {
        RemoveSpaces(t);
        int errors = 0;
        for (char c : t) {
            if (!IsHexDigit(c)) ++errors;
        }
        if (t.size() != 16) ++errors;
        return errors;
    }
    ReplaceAll(t, "NUL", "0");
    ReplaceAll(t, "  ", " 1");
    if (!t.empty() && t.back() == ' ') t += '1';
    RemoveSpaces(t);
    return t.size() == 8 ? 0 : 1;
}

std::string NormalisePageText(std::string_view text, PageFormat format) {
    if (format == PageFormat::Hex) {
        if (text.size() != 16) return std::string(text);
        std::string out;
        for (std::size_t i = 0; i < 16; i += 2) {
            if (i > 0) out += ' ';
            out += text.substr(i, 2);
        }
        return out;
    }
    if (IsCanonicalAscii(text)) return std::string(text);
    if (text.size() >= 31 && SpacesAt(text, {3, 7, 11, 15, 19, 23, 27})) return std::string(text);
    if (text.size() == 8) return Separated(text);
    if (text.size() >= 15 && SpacesAt(text, {1, 3, 5, 7, 9, 11, 13})) return std::string(text);
    const std::string_view cut = text.substr(0, 8);
    if (cut.size() == 8) return Separated(cut);
    std::string out;
    for (char c : cut) {
        out += c;
        out += ' ';
    }
    return out;
}

std::string PageTextMessage(int page, PageFormat format) {
    const std::string p = std::to_string(page);
    if (format == PageFormat::Hex) {
        return "change P" + p +
               " to a length of 16 printable hexadecimal characters (20,21,22,...,7D,7E) with "
               "spaces in between";
    }
    return "change P" + p +
           " to a length of 8 characters with spaces in between; 'NUL' is 0x00 in ASCII format";
}

}  // namespace tagwright::PageCodec
