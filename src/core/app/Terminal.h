#pragma once
// The terminal pane: free commands to the Reader, the traffic field, and the
// pane's visibility. The Reader's answers reach the traffic text through the
// serial port's receiver (ConnectTrafficReceiver).

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tagwright {

// The commands sent from the command field, oldest first, for Up and Down.
class CommandHistory {
public:
    static constexpr std::size_t kBound = 100;

    // A command that was sent; an empty one or a repeat of the last is not
    // kept again. Steps start again from the newest.
    void Add(const std::string& command);
    // Up: the command before the one shown; `current` when there is none.
    std::string Older(const std::string& current);
    // Down: the command after the one shown; empty after the newest.
    std::string Newer(const std::string& current);
    std::size_t Size() const { return entries_.size(); }

private:
    std::vector<std::string> entries_;
    std::size_t position_ = 0;  // entries_.size(): past the newest
};

class Station;

// "Send": the command field's text with a CR, when the port is open. The
// answer is not awaited here; the receiver puts it on top of the traffic.
void TerminalSend(Station& station);
// Enter in the command field: its whole text is selected (so the next
// command replaces it), then as "Send".
void TerminalEnter(Station& station);
// Up (direction -1) or Down (+1) in the command field.
void TerminalHistoryStep(Station& station, int direction);
// Terminal > Clear.
void TerminalClear(Station& station);
// Terminal > Show: the GUI then sizes the window to Station::WindowWidth()
// and sets the menu item's check mark from terminalShown.
void TerminalToggleShow(Station& station);

// Lets every line the receiver takes while no operation is busy go on top of
// station.reader.traffic, newest first. trafficChanged, when given, is called after
// each such line ON THE RECEIVER THREAD: it must only post a notification to
// the window thread (a queued signal) and never touch the view or wait for
// the window thread, which may be joining the receiver at that moment.
void ConnectTrafficReceiver(Station& station, std::function<void()> trafficChanged = {});
// Stops handing lines over. A callback already running may still finish.
void DisconnectTrafficReceiver(Station& station);

}  // namespace tagwright
