#pragma once
// The terminal pane's traffic text: Reader traffic, newest piece on top.
// Operations write it on the window thread; the receiver's callback may add
// lines from its own thread while no operation runs, hence the lock.
//
// It keeps at most a bound number of pieces (each the text of one PutOnTop,
// normally one line) and drops the oldest, so that a long shift costs
// neither memory nor time: adding a line never copies what is there, and a
// view asks only for what came since it last looked.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tagwright {

struct TrafficLine {
    std::string text;  // with its CR LF, as it came
    // When it came; the epoch for text the operator typed into the field.
    std::chrono::system_clock::time_point time;
};

// What changed since a view last looked: either the lines added since
// (newest first), or, after a Clear, a Set or more lines than the bound,
// everything there is.
struct TrafficChange {
    bool whole = false;
    std::vector<TrafficLine> lines;
    std::uint64_t revision = 0;
};

class TrafficText {
public:
    static constexpr std::size_t kDefaultBound = 2000;

    explicit TrafficText(std::size_t bound = kDefaultBound) : bound_(bound == 0 ? 1 : bound) {}

    // Puts text (a line with its CR LF) in front of everything there.
    void PutOnTop(std::string_view text);
    void Clear();
    // The operator may edit the field; the window takes it back with this.
    // The text is kept line by line, the newest (first) lines within the bound.
    void Set(std::string_view text);
    std::string Text() const;
    // Goes up with every change, so a view can tell when to redraw.
    std::uint64_t Revision() const;
    std::size_t LineCount() const;
    // The newest piece, "" when there is none.
    std::string Newest() const;
    std::size_t Bound() const { return bound_; }
    // What came since `revision` (see TrafficChange).
    TrafficChange ChangesSince(std::uint64_t revision) const;

private:
    void DropOldest();

    const std::size_t bound_;
    mutable std::mutex mutex_;
    std::deque<TrafficLine> lines_;  // newest first
    std::uint64_t revision_ = 0;
    // The revision of the last Clear or Set; changes before it are lost.
    std::uint64_t resetRevision_ = 0;
};

// "hh:mm:ss.mmm " in local time, the prefix of a time-stamped traffic line.
std::string TrafficTimestamp(std::chrono::system_clock::time_point time);

}  // namespace tagwright
