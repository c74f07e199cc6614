#include "core/app/Terminal.h"

#include <string>
#include <utility>

#include "core/app/Station.h"

namespace tagwright {

void TerminalSend(Station& station) {
    RunCommand(station.View(), [&] {
        if (station.reader.port.portOpen) {
            // Not examined: a terminal command that cannot be written is not reported.
            (void)station.reader.port.SendCommand(station.terminal.commandText + "\r");
        }
    });
}

void TerminalEnter(Station& station) {
    station.window.SetFocus(MainControl::TerminalCommand, true);
    TerminalSend(station);
}

void TerminalClear(Station& station) {
    RunCommand(station.View(), [&] { station.reader.traffic.Clear(); });
}

void TerminalToggleShow(Station& station) { station.terminal.shown = !station.terminal.shown; }

void ConnectTrafficReceiver(Station& station, std::function<void()> trafficChanged) {
    // The port calls this only while neither busy flag is held; operations
    // write the traffic themselves. TrafficText is locked, so the receiver
    // thread may write it while the window thread reads it.
    TrafficText& traffic = station.reader.traffic;
    station.reader.port.SetTrafficCallback(
        [&traffic, changed = std::move(trafficChanged)](const std::string& line) {
            traffic.PutOnTop(line);
            if (changed) changed();
        });
}

void DisconnectTrafficReceiver(Station& station) { station.reader.port.SetTrafficCallback(nullptr); }

}  // namespace tagwright
