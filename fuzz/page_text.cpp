// Page texts: a HEX text that passes the check, typed as 16 digits or in the
// form a read shows, shows in ASCII as a text that passes the check too, and
// converts back to the same bytes. (Other spacings pass the check but are
// not regrouped by the conversions; that is how the page fields behave.)

#include <algorithm>

#include "FuzzCheck.h"
#include "core/domain/PageCodec.h"

using namespace tagwright;

namespace {

std::string Bytes(std::string hex) {
    std::erase(hex, ' ');
    return PageCodec::HexDigitsToBytes(hex);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    if (size == 0) return 0;
    const PageFormat format = (data[0] & 1) != 0 ? PageFormat::Ascii : PageFormat::Hex;
    const std::string_view text = fuzz::AsText(data + 1, size - 1);

    // Every conversion takes any text.
    (void)PageCodec::AsciiToHexText(text);
    (void)PageCodec::HexToAsciiText(text);
    (void)PageCodec::NormalisePageText(text, format);
    if (format == PageFormat::Ascii || PageCodec::CheckPageText(text, PageFormat::Hex) != 0) {
        return 0;
    }

    std::string digits(text);
    std::erase(digits, ' ');
    const std::string hex = PageCodec::NormalisePageText(digits, PageFormat::Hex);
    if (text != digits && text != hex) return 0;
    const std::string ascii = PageCodec::HexToAsciiText(hex);
    FUZZ_REQUIRE(PageCodec::CheckPageText(ascii, PageFormat::Ascii) == 0);
    const std::string back =
        PageCodec::AsciiToHexText(PageCodec::NormalisePageText(ascii, PageFormat::Ascii));
    FUZZ_REQUIRE(Bytes(back) == Bytes(hex));
    FUZZ_REQUIRE(PageCodec::CheckPageText(back, PageFormat::Hex) == 0);
    return 0;
}
