#include "core/domain/TypedText.h"

#include "core/base/Utf8.h"

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

// The code point at text[i], moving i past it; U+FFFD for what is not UTF-8.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    char32_t cp = lead;
    const std::size_t length = lead < 0x80 ? 1 : DecodeUtf8(text, i, cp);
    if (length == 0) {
        ++i;
        return kReplacement;
    }
    i += length;
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

std::string RefusedCharacterText(char32_t c) {
    return "the character " + CodePointName(c) +
           ", which no byte stands for (only U+0000 to U+00FF do)";
}

}  // namespace tagwright
