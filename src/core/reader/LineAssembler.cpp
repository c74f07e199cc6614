#include "core/reader/LineAssembler.h"

namespace tagwright {

void LineAssembler::Feed(std::string_view bytes, std::vector<AssembledLine>& out) {
    for (const char c : bytes) {
        const bool lineEndLf = afterCr_ && c == '\n';
        afterCr_ = c == '\r';
        if (lineEndLf) continue;
        if (c == '\r') {
            current_ += "\r\n";
            out.push_back({std::move(current_), dropped_});
            current_.clear();
            dropped_ = 0;
        } else if (current_.size() < kMaxLineBytes) {
            current_ += c;
        } else {
            ++dropped_;
        }
    }
}

void LineAssembler::Reset() {
    current_.clear();
    dropped_ = 0;
    // afterCr_ stays: an LF that follows a CR taken before the reset still
    // belongs to that line end.
}

std::string TooLongNote(std::size_t dropped) {
    return "(reply too long: " + std::to_string(dropped) + " bytes dropped)\r\n";
}

}  // namespace tagwright
