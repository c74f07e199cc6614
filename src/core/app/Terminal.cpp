#include "core/app/Terminal.h"

#include <string>
#include <utility>

#include "core/app/ChangeGuard.h"
#include "core/app/Station.h"

namespace tagwright {

void CommandHistory::Add(const std::string& command) {
    if (!command.empty() && (entries_.empty() || entries_.back() != command)) {
        entries_.push_back(command);
        if (entries_.size() > kBound) entries_.erase(entries_.begin());
    }
    position_ = entries_.size();
}

std::string CommandHistory::Older(const std::string& current) {
    if (position_ == 0) return current;
    return entries_[--position_];
}

std::string CommandHistory::Newer(const std::string& current) {
    if (position_ >= entries_.size()) return current;
    ++position_;
    return position_ == entries_.size() ? std::string() : entries_[position_];
}

void TerminalSend(Station& station) {
    if (!MayRun(station, EngineerCommand::TerminalSend)) return;
    RunCommand(station.View(), [&] {
        TerminalState& terminal = station.terminal;
        if (const char32_t refused = terminal.commandRefusal.For(terminal.commandText)) {
            // Sending the rest would give the Reader a command nobody typed.
            station.window.Tell("The command holds " + RefusedCharacterText(refused) +
                                ".\r\nNothing was sent.");
            return;
        }
        station.terminal.history.Add(station.terminal.commandText);
        if (station.reader.port.portOpen &&
            ApproveChange(station, kAuditTerminalCommand, station.terminal.commandText)) {
            // Not examined: a terminal command that cannot be written is not reported.
            (void)station.reader.port.SendCommand(station.terminal.commandText + "\r");
        }
    });
}

void TerminalEnter(Station& station) {
    station.window.SetFocus(MainControl::TerminalCommand, true);
    TerminalSend(station);
}

void TerminalHistoryStep(Station& station, int direction) {
    RunCommand(station.View(), [&] {
        std::string& text = station.terminal.commandText;
        CommandHistory& history = station.terminal.history;
        text = direction < 0 ? history.Older(text) : history.Newer(text);
    });
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
