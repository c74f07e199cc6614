#pragma once
// The Pages 3-17 dialog's data and rules: the byte texts of pages 3 to 17 in
// HEX or ASCII, each page's Edit and Lock flag, committing a byte with Enter
// or Tab, and switching the form. The GUI renders it through Pages317View.

#include <array>
#include <string>

#include "core/base/Presentation.h"
#include "core/config/Pages317.h"
#include "core/domain/TextForms.h"
#include "core/domain/TypedText.h"

namespace tagwright {

class Pages317View : public MessageView {
public:
    // Controls to model: every byte field's text into shown[k]. The flags
    // and the mode change only through the model's own operations.
    virtual void TakeFieldValues() = 0;
    // Model to controls: the byte fields' texts and all images.
    virtual void ShowFieldValues() = 0;
    // The Edit and Lock images and the HEX/ASCII images only.
    virtual void ShowImages() = 0;
    // The input focus to byte k's field, its whole text selected and the
    // caret scrolled into view.
    virtual void FocusByte(int k) = 0;
    virtual void RepaintWindow() {}
};

class Pages317Model {
public:
    static constexpr int kFirstByte = 16;   // page 3, byte 0
    static constexpr int kLastByte = 135;   // page 17, byte 7
    static constexpr int kFirstPage = 3;
    static constexpr int kLastPage = 17;

    Pages317Model(const Pages317Data& input, Pages317View& view);

    // Enter or Tab in byte k's field (both act alike).
    void CommitByte(int k);
    // The "ASCII" and "HEX" radio buttons.
    void SwitchToAscii() { SwitchTo(PageFormat::Ascii); }
    void SwitchToHex() { SwitchTo(PageFormat::Hex); }
    // The Edit and Lock boxes of page p (3..17).
    void ToggleEdit(int page) { Toggle(data_.editPage, page); }
    void ToggleLock(int page) { Toggle(data_.lockPage, page); }

    // OK: the field texts go into shown, and the result is what the Config
    // dialog takes back. Bytes edited but never committed keep their old
    // hex and ascii.
    Pages317Data Accept();

    // State, for the view.
    const std::string& Shown(int k) const { return shown_.at(static_cast<std::size_t>(k)); }
    std::string& Shown(int k) { return shown_.at(static_cast<std::size_t>(k)); }
    // Byte k's field as typed, when it holds a character no byte stands for.
    Refusal& Typed(int k) { return typed_.at(static_cast<std::size_t>(k)); }
    const Refusal& Typed(int k) const { return typed_.at(static_cast<std::size_t>(k)); }
    const std::string& Hex(int k) const { return data_.hex.at(static_cast<std::size_t>(k)); }
    const std::string& Ascii(int k) const { return data_.ascii.at(static_cast<std::size_t>(k)); }
    bool EditPage(int page) const { return data_.editPage.at(static_cast<std::size_t>(page - 1)); }
    bool LockPage(int page) const { return data_.lockPage.at(static_cast<std::size_t>(page - 1)); }
    bool AsciiMode() const { return data_.mode == 1; }
    PageFormat Format() const { return AsciiMode() ? PageFormat::Ascii : PageFormat::Hex; }

    // The messages of a refused byte, "%i" standing for the byte number.
    static constexpr const char* kHexMessage =
        "change byte %i to a length of 2 hexadecimal (0,1,2,3,4,5,6,7,8,9,A,B,C,D,E,F) "
        "characters\r\ncharacter must be in printable range between 0x20 and 0x7E\r\n"
        "or can be 0x00";
    static constexpr const char* kAsciiMessage =
        "change byte %i to a length of 1 character of 'NUL'";

private:
    static bool IsShownByte(int k) { return k >= kFirstByte && k <= kLastByte; }
    static bool IsShownPage(int page) { return page >= kFirstPage && page <= kLastPage; }
    // Stores byte k from shown when valid; the number of faults found.
    int ValidateAndStore(int k);
    void Store(int k, TextForms forms);
    void SwitchTo(PageFormat format);
    void Toggle(std::array<bool, kPageCount>& flags, int page);

    Pages317Data data_;
    std::array<Refusal, kImageBytes> typed_{};
    std::array<std::string, kImageBytes> shown_{};
    Pages317View& view_;
};

}  // namespace tagwright
