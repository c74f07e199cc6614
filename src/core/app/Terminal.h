#pragma once
// The terminal pane: free commands to the Reader, the traffic field, and the
// pane's visibility. The Reader's answers reach the traffic text through the
// serial port's receiver (ConnectTrafficReceiver).

#include <functional>

namespace tagwright {

class Station;

// "Send": the command field's text with a CR, when the port is open. The
// answer is not awaited here; the receiver puts it on top of the traffic.
void TerminalSend(Station& station);
// Enter in the command field: its whole text is selected (so the next
// command replaces it), then as "Send".
void TerminalEnter(Station& station);
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
