#pragma once
// The HEX and ASCII forms of a page text or a byte text. The form the
// operator worked in is the master copy; the other form is derived from it,
// unchecked, since a text that is not valid shows as it is and is judged
// only when the operator commits it.

#include <string>
#include <string_view>

#include "core/domain/PageCodec.h"

namespace tagwright {

struct TextForms {
    std::string hex;
    std::string ascii;

    const std::string& In(PageFormat format) const {
        return format == PageFormat::Ascii ? ascii : hex;
    }
};

// A page text of 8 bytes (PageCodec's conversions).
TextForms PageForms(std::string_view shown, PageFormat shownIn);
// A byte text of the Config dialogs ("4A" / "J", "NUL" for 0x00).
TextForms ByteForms(std::string_view shown, PageFormat shownIn);

}  // namespace tagwright
