#pragma once
// What the operator typed into a byte field, as the window hands it over
// (UTF-8), and the bytes it stands for. One character is one byte: U+0000
// to U+00FF are their own code, and the pictures a field shows for control
// bytes stand for those bytes. Any other character has no byte; it is
// refused, never replaced, so that nothing the operator did not type reaches
// the Reader or a file.

#include <string>
#include <string_view>

namespace tagwright {

// The byte a character stands for in a byte field; -1 when none does.
int ByteOfCharacter(char32_t c);
// The character a one-line byte field shows for a byte: control bytes and
// the no-break space as visible pictures, every other byte as itself.
char32_t ShownCharacter(unsigned char byte);

// Bytes to the text a one-line byte field shows, UTF-8.
std::string ShownText(std::string_view bytes);

// A field's text as typed. While `character` is not 0 the field holds a
// character that no byte stands for; `typed` keeps the text as typed and
// `bytes` what the field's bytes were set to with it. The refusal holds only
// as long as the field's bytes are still those: a field the station fills
// anew ends it.
struct Refusal {
    char32_t character = 0;
    std::string typed;
    std::string bytes;

    char32_t For(std::string_view fieldBytes) const {
        return character != 0 && fieldBytes == bytes ? character : 0;
    }
    const std::string* TypedFor(std::string_view fieldBytes) const {
        return For(fieldBytes) != 0 ? &typed : nullptr;
    }
};

// Takes a field's UTF-8 text into bytes, every character that has its byte;
// a character that has none is left out and named in the result. A sequence
// that is not UTF-8 counts as U+FFFD.
Refusal TakeTyped(std::string_view utf8, std::string& bytes);

// "the character U+20AC, which no byte stands for (only U+0000 to U+00FF do)"
std::string RefusedCharacterText(char32_t c);

}  // namespace tagwright
