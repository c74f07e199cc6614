#include "core/domain/TextForms.h"

#include "core/domain/ByteText.h"

namespace tagwright {

namespace {

template <typename ToHex, typename ToAscii>
TextForms Derive(std::string_view shown, PageFormat shownIn, ToHex toHex, ToAscii toAscii) {
    if (shownIn == PageFormat::Ascii) return {toHex(shown), std::string(shown)};
    return {std::string(shown), toAscii(shown)};
}

}  // namespace

TextForms PageForms(std::string_view shown, PageFormat shownIn) {
    return Derive(shown, shownIn, PageCodec::AsciiToHexText, PageCodec::HexToAsciiText);
}

TextForms ByteForms(std::string_view shown, PageFormat shownIn) {
    return Derive(shown, shownIn, ByteText::AsciiToHex, ByteText::HexToAscii);
}

}  // namespace tagwright
