#pragma once
// Cuts the bytes from the Reader into reply lines. A line ends at CR; it is
// kept with CR LF appended. An LF straight after a CR belongs to that line
// end (a Reader that sends CR LF) and is dropped; an LF anywhere else stays in
// the line, where the reply rules refuse it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tagwright {

struct AssembledLine {
    std::string text;          // the bytes before the CR, then CR LF
    std::size_t dropped = 0;   // bytes beyond kMaxLineBytes that were thrown away
};

class LineAssembler {
public:
    // The line buffer holds 255 bytes with CR, LF and the terminating NUL.
    static constexpr std::size_t kMaxLineBytes = 252;

    // Appends every line the bytes complete to out.
    void Feed(std::string_view bytes, std::vector<AssembledLine>& out);
    // Bytes of the line begun but not yet ended.
    std::size_t PendingBytes() const { return current_.size() + dropped_; }
    // Forgets the line begun, so that it is never glued to the next one.
    void Reset();

private:
    std::string current_;
    std::size_t dropped_ = 0;
    bool afterCr_ = false;
};

// The traffic line that says a reply was cut short.
std::string TooLongNote(std::size_t dropped);

}  // namespace tagwright
