// List files: the first open entry can be marked; marking inserts exactly
// "X;" after a ";" and changes nothing else; an entry that is not open
// leaves the text as it was.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.h"
#include "core/production/CarrierIdSource.h"

using namespace tagwright;

namespace {

// Marks id in a copy of text and checks what changed.
bool CheckMark(const std::string& text, std::string_view id) {
    std::string marked = text;
    if (!MarkEntryInText(marked, id)) {
        FUZZ_REQUIRE(marked == text);
        return false;
    }
    FUZZ_REQUIRE(marked.size() == text.size() + 2);
    std::size_t p = 0;
    while (p < text.size() && marked[p] == text[p]) ++p;
    // The insertion is at p or, where text holds "X;" repeated, before it.
    for (std::size_t q = p + 1; q-- > 0;) {
        if (q > 0 && text[q - 1] == ';' && marked.compare(q, 2, "X;") == 0 &&
            marked.compare(q + 2, std::string::npos, text, q) == 0) {
            return true;
        }
    }
    FUZZ_REQUIRE(!"marking inserted \"X;\" after a \";\"");
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string other = in.ConsumeRandomLengthString(24);
    const std::string raw = in.ConsumeRemainingBytesAsString();

    const std::string text = NormaliseLineEnds(raw);
    FUZZ_REQUIRE(NormaliseLineEnds(text) == text);
    const std::string id = FirstOpenEntry(text);
    if (!id.empty()) FUZZ_REQUIRE(CheckMark(text, id));
    CheckMark(text, other);
    return 0;
}
