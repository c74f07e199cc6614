#include "core/app/Terminal.h"

#include <string>
#include <utility>

#include "core/app/Station.h"

namespace tagwright {

void TerminalSend(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    if (station.port.portOpen) {
        // Not examined: a terminal command that cannot be written is not reported.
        (void)station.port.SendCommand(station.commandText + "\r");
    }
    view.ShowFieldValues();
}

void TerminalEnter(Station& station) {
    station.SetFocus(MainControl::TerminalCommand, true);
    TerminalSend(station);
}

void TerminalClear(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    station.traffic.Clear();
    view.ShowFieldValues();
}

void TerminalToggleShow(Station& station) { station.terminalShown = !station.terminalShown; }

void ConnectTrafficReceiver(Station& station, std::function<void()> trafficChanged) {
    // The port calls this only while neither busy flag is held; operations
    // write the traffic themselves. TrafficText is locked, so the receiver
    // thread may write it while the window thread reads it.
    TrafficText& traffic = station.traffic;
    station.port.SetTrafficCallback(
        [&traffic, changed = std::move(trafficChanged)](const std::string& line) {
            traffic.PutOnTop(line);
            if (changed) changed();
        });
}

void DisconnectTrafficReceiver(Station& station) { station.port.SetTrafficCallback(nullptr); }

}  // namespace tagwright
