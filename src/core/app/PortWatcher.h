#pragma once
// Reopens the Reader port on its own when its device comes back after an
// unplugged adapter or a Reader restart, with the same settings. The window
// asks it every second or so, never during a command or a cycle: a reopen
// in the middle of a cycle would lose the exchange under way.

#include <functional>
#include <string>

namespace tagwright {

class Station;

enum class PortCondition { Closed, Open, Lost, Reopened };

class PortWatcher {
public:
    // deviceThere: whether the port's device exists now; tests pass their own.
    explicit PortWatcher(std::function<bool(const std::string& portName)> deviceThere = {});

    // One look at the port; reopens it when it was lost and its device is
    // back. Closed stays closed: the operator closed it, or it never opened.
    PortCondition Check(Station& station);
    // The condition in the status line's words: "open", "closed",
    // "lost, waiting for the device", "reopened".
    static std::string Words(PortCondition condition);

private:
    std::function<bool(const std::string&)> deviceThere_;
    bool reopened_ = false;  // says "reopened" until the port is closed or lost
};

}  // namespace tagwright
