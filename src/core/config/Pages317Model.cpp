#include "core/config/Pages317Model.h"

#include <utility>

#include "core/domain/Hex.h"
#include "core/base/CText.h"
#include "core/domain/TextForms.h"

namespace tagwright {

namespace {

std::string WithByteNumber(const char* pattern, int k) {
    std::string text = pattern;
    const std::size_t at = text.find("%i");
    if (at != std::string::npos) text.replace(at, 2, FormatInt(k));
    return text;
}

// The faults of a byte text in HEX mode: each character that is no hex
// digit, and one more for a wrong length or a value outside the printable
// range other than 0x00. The text's a-f become A-F on the way.
int HexErrors(std::string& text) {
    int errors = 0;
    for (char& c : text) {
        if (!IsHexDigit(c)) ++errors;
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
    // Any byte the ASCII form can take is taken here as well: control bytes
    // too, which the fields show by their pictures.
    if (text.size() != 2) ++errors;
    return errors;
}

// One fault unless the text is "NUL" or a single character.
int AsciiErrors(const std::string& text) { return text == "NUL" || text.size() == 1 ? 0 : 1; }

}  // namespace

Pages317Model::Pages317Model(const Pages317Data& input, Pages317View& view)
    : data_(input), view_(view) {
    shown_ = AsciiMode() ? data_.ascii : data_.hex;
}

int Pages317Model::ValidateAndStore(int k) {
    view_.TakeFieldValues();
    std::string& text = Shown(k);
    if (Typed(k).For(text) != 0) return 1;
    const int errors = AsciiMode() ? AsciiErrors(text) : HexErrors(text);
    if (errors == 0) Store(k, ByteForms(text, Format()));
    return errors;
}

void Pages317Model::Store(int k, TextForms forms) {
    const auto i = static_cast<std::size_t>(k);
    data_.hex[i] = std::move(forms.hex);
    data_.ascii[i] = std::move(forms.ascii);
}

void Pages317Model::CommitByte(int k) {
    if (!IsShownByte(k)) return;
    if (ValidateAndStore(k) != 0) {
        // The field keeps what was typed, so the operator can mend it.
        const char32_t refused = Typed(k).For(Shown(k));
        std::string text = refused != 0
                               ? "byte " + FormatInt(k) + " holds " + RefusedCharacterText(refused)
                               : WithByteNumber(AsciiMode() ? kAsciiMessage : kHexMessage, k);
        view_.ShowMessage({std::move(text), "", MsgIcon::None, MsgButtons::Ok});
    }
    view_.ShowFieldValues();
    view_.FocusByte(k == kLastByte ? kFirstByte : k + 1);
}

void Pages317Model::SwitchTo(PageFormat format) {
    view_.TakeFieldValues();
    const PageFormat was = Format();
    data_.mode = format == PageFormat::Ascii ? 1 : 0;
    view_.ShowImages();
    if (was == format) return;
    // Unchecked on purpose: whatever the fields hold changes form as it is.
    for (int k = kFirstByte; k <= kLastByte; ++k) {
        if (Typed(k).For(Shown(k)) != 0) continue;  // stays as typed, for the operator to mend
        Store(k, ByteForms(Shown(k), was));
        Shown(k) = format == PageFormat::Ascii ? Ascii(k) : Hex(k);
    }
    view_.ShowFieldValues();
    view_.RepaintWindow();
}

void Pages317Model::Toggle(std::array<bool, kPageCount>& flags, int page) {
    if (!IsShownPage(page)) return;
    view_.TakeFieldValues();
    auto& flag = flags[static_cast<std::size_t>(page - 1)];
    flag = !flag;
    view_.ShowImages();
}

Pages317Data Pages317Model::Accept() {
    view_.TakeFieldValues();
    return data_;
}

}  // namespace tagwright
