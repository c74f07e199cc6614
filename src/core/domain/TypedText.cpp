#include "core/domain/TypedText.h"

#include <cstdio>

namespace tagwright {

namespace {

// Control bytes show as a visible character that no byte is shown as
// otherwise: C0 as its control picture, DEL as its own, C1 as the circled
// and then the parenthesised numbers. The no-break space would pass for a
// space, so it shows as the shouldered open box, its usual sign.
constexpr char32_t kC0Pictures = 0x2400;
constexpr char32_t kDelPicture = 0x2421;
constexpr char32_t kC1Pictures = 0x2460;
constexpr unsigned char kNoBreakSpace = 0xA0;
constexpr char32_t kNoBreakSpacePicture = 0x237D;
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The code point at text[i], moving i past it; U+FFFD for what is not UTF-8.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int more = 0;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        cp = lead & 0x07;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < more; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return kReplacement;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return cp;
}

}  // namespace

int ByteOfCharacter(char32_t c) {
    if (c <= 0xFF) return static_cast<int>(c);
    if (c >= kC0Pictures && c < kC0Pictures + 0x20) return static_cast<int>(c - kC0Pictures);
    if (c == kDelPicture) return 0x7F;
    if (c == kNoBreakSpacePicture) return kNoBreakSpace;
    if (c >= kC1Pictures && c < kC1Pictures + 0x20) return 0x80 + static_cast<int>(c - kC1Pictures);
    return -1;
}

char32_t ShownCharacter(unsigned char b) {
    if (b < 0x20) return kC0Pictures + b;
    if (b == 0x7F) return kDelPicture;
    if (b >= 0x80 && b <= 0x9F) return kC1Pictures + (b - 0x80);
    if (b == kNoBreakSpace) return kNoBreakSpacePicture;
    return b;
}

std::string ShownText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char b : bytes) AppendUtf8(text, ShownCharacter(static_cast<unsigned char>(b)));
    return text;
}

Refusal TakeTyped(std::string_view utf8, std::string& bytes) {
    Refusal refusal;
    bytes.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = NextCodePoint(utf8, i);
        if (const int byte = ByteOfCharacter(c); byte >= 0) {
            bytes += static_cast<char>(byte);
        } else if (refusal.character == 0) {
            refusal.character = c;
        }
    }
    if (refusal.character != 0) {
        refusal.typed = std::string(utf8);
        refusal.bytes = bytes;
    }
    return refusal;
}

std::string CodePointName(char32_t c) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return name;
}

std::string RefusedCharacterText(char32_t c) {
    return "the character " + CodePointName(c) +
           ", which no byte stands for (only U+0000 to U+00FF do)";
}

}  // namespace tagwright
