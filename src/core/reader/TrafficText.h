#pragma once
// The terminal pane's traffic text: Reader traffic, newest line on top.
// Operations write it on the window thread; the receiver's callback may add
// lines from its own thread while no operation runs, hence the lock.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace tagwright {

class TrafficText {
public:
    // Puts text (a line with its CR LF) in front of everything there.
    void PutOnTop(std::string_view text);
    void Clear();
    // The operator may edit the field; the window takes it back with this.
    void Set(std::string text);
    std::string Text() const;
    // Goes up with every change, so a view can tell when to redraw.
    std::uint64_t Revision() const;

private:
    mutable std::mutex mutex_;
    std::string text_;
    std::uint64_t revision_ = 0;
};

}  // namespace tagwright
