#include "core/reader/TrafficText.h"

#include <ctime>
#include <cstdio>

namespace tagwright {

void TrafficText::DropOldest() {
    while (lines_.size() > bound_) lines_.pop_back();
}

void TrafficText::PutOnTop(std::string_view text) {
    TrafficLine line{std::string(text), std::chrono::system_clock::now()};
    std::lock_guard lock(mutex_);
    lines_.push_front(std::move(line));
    DropOldest();
    ++revision_;
}

void TrafficText::Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
    resetRevision_ = ++revision_;
}

void TrafficText::Set(std::string_view text) {
    std::deque<TrafficLine> lines;
    std::size_t start = 0;
    while (start < text.size() && lines.size() < bound_) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back({std::string(text.substr(start, end - start)), {}});
        start = end;
    }
    std::lock_guard lock(mutex_);
    lines_ = std::move(lines);
    resetRevision_ = ++revision_;
}

std::string TrafficText::Text() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const TrafficLine& line : lines_) text += line.text;
    return text;
}

std::uint64_t TrafficText::Revision() const {
    std::lock_guard lock(mutex_);
    return revision_;
}

std::string TrafficText::Newest() const {
    std::lock_guard lock(mutex_);
    return lines_.empty() ? std::string() : lines_.front().text;
}

std::size_t TrafficText::LineCount() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

TrafficChange TrafficText::ChangesSince(std::uint64_t revision) const {
    std::lock_guard lock(mutex_);
    TrafficChange change;
    change.revision = revision_;
    if (revision > revision_) revision = 0;  // not one of ours: start again
    // Every revision after the last reset is one PutOnTop.
    const std::uint64_t added = revision_ - revision;
    change.whole = revision < resetRevision_ || added > lines_.size();
    const std::size_t count = change.whole ? lines_.size() : static_cast<std::size_t>(added);
    change.lines.assign(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(count));
    return change;
}

std::string TrafficTimestamp(std::chrono::system_clock::time_point time) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03d ", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms.count() % 1000));
    return buffer;
}

}  // namespace tagwright
