#pragma once
// A page field's text judged once: both forms derived from it and the
// 16 hexadecimal digits its 8 bytes are, for the field's commit and for the
// page's write command alike.

#include <string>
#include <string_view>

#include "core/domain/PageCodec.h"

namespace tagwright {

struct PageJudgement {
    std::string hex;    // the HEX form (the text itself in HEX)
    std::string ascii;  // the ASCII form (the text itself in ASCII)
    bool valid = false; // the text passes the page check
    // The page's bytes as exactly 16 hex digits; empty when the text cannot
    // give them. The check alone lets an ASCII text of seven characters and
    // one trailing blank through, which converts to seven codes.
    std::string digits;
    // The first character of the field that no byte stands for: the page is
    // then invalid whatever its bytes say, and nothing is sent for it.
    char32_t refused = 0;
};

// `refused` is the field's refusal (TransponderImage::Refused).
PageJudgement JudgePageText(std::string_view text, PageFormat format, char32_t refused = 0);

// What the operator is told about an invalid page.
std::string PageMessage(int page, PageFormat format, char32_t refused);

// True for exactly 16 hexadecimal digits, the data of one page.
bool IsPageDigits(std::string_view text);

}  // namespace tagwright
