#include "core/domain/TransponderImage.h"

#include <utility>

#include "core/domain/TextForms.h"

namespace tagwright {

namespace {

void SetForms(TransponderImage& image, std::size_t i, TextForms forms) {
    image.hexText[i] = std::move(forms.hex);
    image.asciiText[i] = std::move(forms.ascii);
}

}  // namespace

// No check here: a stored text that is not valid shows as it was saved and
// turns red only when the operator commits it.
void TransponderImage::DeriveFormsFromFieldTexts() {
    for (std::size_t i = 0; i < fieldText.size(); ++i) {
        SetForms(*this, i, PageForms(fieldText[i], format));
    }
}

void TransponderImage::TakeTyped(int page, std::string_view utf8) {
    const std::size_t i = static_cast<std::size_t>(page - 1);
    refusals.at(i) = tagwright::TakeTyped(utf8, fieldText.at(i));
}

char32_t TransponderImage::Refused(int page) const {
    const std::size_t i = static_cast<std::size_t>(page - 1);
    return refusals.at(i).For(fieldText.at(i));
}

void TransponderImage::ShowPageAs(int page, PageFormat to) {
    if (Refused(page) != 0) return;
    const std::size_t i = static_cast<std::size_t>(page - 1);
    TextForms forms = PageForms(fieldText.at(i), format);
    fieldText[i] = forms.In(to);
    SetForms(*this, i, std::move(forms));
}

}  // namespace tagwright
