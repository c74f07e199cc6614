#pragma once
// The 17 pages of 8 bytes that the main window shows and edits.

#include <array>
#include <string>

#include "core/domain/PageCodec.h"
#include "core/domain/TypedText.h"

namespace tagwright {

inline constexpr int kPageCount = 17;
inline constexpr int kPageBytes = 8;
inline constexpr int kImageBytes = kPageCount * kPageBytes;  // 136

struct TransponderImage {
    PageFormat format = PageFormat::Hex;
    // Index 0 is page 1. fieldText is the master copy of what each field holds.
    std::array<std::string, kPageCount> fieldText{};
    std::array<std::string, kPageCount> hexText{};
    std::array<std::string, kPageCount> asciiText{};
    int selectAll = 0;
    std::array<int, kPageCount> selected{};
    std::array<std::string, kPageCount> defaultText{};
    bool pageCommitted = false;
    // Fields that hold a character no byte stands for, with the text as typed.
    std::array<Refusal, kPageCount> refusals{};

    std::string& FieldText(int page) { return fieldText.at(page - 1); }
    const std::string& FieldText(int page) const { return fieldText.at(page - 1); }

    // The window hands over what page p's field holds, as typed (UTF-8).
    void TakeTyped(int page, std::string_view utf8);
    // The first character of page p's field that no byte stands for; 0 when
    // the field's bytes are all of its text.
    char32_t Refused(int page) const;

    // Sets both forms from the field texts as they stand (start-up).
    void DeriveFormsFromFieldTexts();
    // One page changes form: both forms are derived from its field text as
    // the current format reads it, and the field then holds the form `to`.
    // The caller sets format once every page has changed. A field with a
    // character no byte stands for stays as typed.
    void ShowPageAs(int page, PageFormat to);
};

}  // namespace tagwright
