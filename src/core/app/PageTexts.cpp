#include "core/app/PageTexts.h"

#include <algorithm>

#include "core/domain/Hex.h"
#include "core/domain/TypedText.h"

namespace tagwright {

namespace {

constexpr std::size_t kPageDigits = 16;

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != ' ') out += c;
    }
    return out;
}

}  // namespace

bool IsPageDigits(std::string_view text) {
    return text.size() == kPageDigits && std::all_of(text.begin(), text.end(), IsHexDigit);
}

PageJudgement JudgePageText(std::string_view text, PageFormat format, char32_t refused) {
    PageJudgement j;
    j.refused = refused;
    const bool ascii = format == PageFormat::Ascii;
    j.hex = ascii ? PageCodec::AsciiToHexText(text) : std::string(text);
    j.ascii = ascii ? std::string(text) : PageCodec::HexToAsciiText(text);
    j.valid = refused == 0 && PageCodec::CheckPageText(text, format) == 0;
    if (j.valid) {
        std::string digits = WithoutBlanks(j.hex);
        if (IsPageDigits(digits)) j.digits = std::move(digits);
    }
    return j;
}

std::string PageMessage(int page, PageFormat format, char32_t refused) {
    if (refused == 0) return PageCodec::PageTextMessage(page, format);
    return "P" + std::to_string(page) + " holds " + RefusedCharacterText(refused) +
           ".\r\nThe page is not sent to the Reader until it is mended; type the byte in "
           "HEX form instead.";
}

}  // namespace tagwright
