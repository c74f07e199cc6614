#include "core/domain/TransponderImage.h"

namespace tagwright {

// No check here: a stored text that is not valid shows as it was saved and
// turns red only when the operator commits it.
void TransponderImage::DeriveFormsFromFieldTexts() {
    for (int i = 0; i < kPageCount; ++i) {
        if (format == PageFormat::Ascii) {
            asciiText[i] = fieldText[i];
            hexText[i] = PageCodec::AsciiToHexText(fieldText[i]);
        } else {
            hexText[i] = fieldText[i];
            asciiText[i] = PageCodec::HexToAsciiText(fieldText[i]);
        }
    }
}

}  // namespace tagwright
