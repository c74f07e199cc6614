#include "core/reader/TrafficText.h"

namespace tagwright {

void TrafficText::PutOnTop(std::string_view text) {
    std::lock_guard lock(mutex_);
    text_.insert(0, text);
    ++revision_;
}

void TrafficText::Clear() {
    std::lock_guard lock(mutex_);
    text_.clear();
    ++revision_;
}

void TrafficText::Set(std::string text) {
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
    ++revision_;
}

std::string TrafficText::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

std::uint64_t TrafficText::Revision() const {
    std::lock_guard lock(mutex_);
    return revision_;
}

}  // namespace tagwright
