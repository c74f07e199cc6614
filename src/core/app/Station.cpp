#include "core/app/Station.h"

#include <utility>

namespace tagwright {

void StartWindowTimers(MainView& view) {
    view.StartTimer(TimerId::Idle, kIdlePeriodMs);
    view.StartTimer(TimerId::Cycle, kCyclePeriodMs);
    view.StartTimer(TimerId::Messages, kMessagesPeriodMs);
}

void StopWindowTimers(MainView& view) {
    view.StopTimer(TimerId::Idle);
    view.StopTimer(TimerId::Cycle);
    view.StopTimer(TimerId::Messages);
}

WindowControls::WindowControls(MainView& view) : view_(view) {
    asked_.fill(true);
    // "  Cont On" is created disabled; only continuous mode enables it.
    SetEnabled(MainControl::ContOn, false);
}

void WindowControls::SetEnabled(MainControl c, bool enabled) {
    const auto i = static_cast<std::size_t>(c);
    asked_.at(i) = enabled;
    Control(c).enabled = enabled && !locked_.at(i);
}

void WindowControls::SetLocked(MainControl c, bool locked) {
    locked_.at(static_cast<std::size_t>(c)) = locked;
    SetEnabled(c, asked_.at(static_cast<std::size_t>(c)));
}

void WindowControls::SetBackground(MainControl c, Rgb colour, bool redraw) {
    Control(c).background = colour;
    if (redraw) view_.RedrawControl(c);
}

void WindowControls::SetForeground(MainControl c, Rgb colour, bool redraw) {
    Control(c).foreground = colour;
    if (redraw) view_.RedrawControl(c);
}

void WindowControls::SetFocus(MainControl c, bool selectAll) {
    focus_ = c;
    view_.SetFocus(c, selectAll);
}

void WindowControls::Tell(std::string text) {
    MessageRequest request;
    request.text = std::move(text);
    request.buttons = MsgButtons::Ok;
    view_.ShowMessage(request);
}

bool TellRefusedNumberField(Station& station) {
    const struct {
        const char* name;
        const std::string& bytes;
        const Refusal& refusal;
    } fields[] = {
        {"next", station.carrierId.nextText, station.carrierId.nextRefusal},
        {"max", station.settings.carrierIdMax, station.settings.carrierIdMaxRefusal},
        {"Carrier ID Offset", station.settings.manual.carrierIdOffset,
         station.settings.manual.offsetRefusal},
        {"Carrier ID Length", station.settings.manual.carrierIdLength,
         station.settings.manual.lengthRefusal},
        {"UID", station.uidText, station.uidRefusal}};
    for (const auto& field : fields) {
        if (const char32_t refused = field.refusal.For(field.bytes)) {
            station.window.Tell("The field \"" + std::string(field.name) + "\" holds " +
                                RefusedCharacterText(refused) + ".\r\nNothing was done.");
            return true;
        }
    }
    return false;
}

ReaderSession::ReaderSession(std::unique_ptr<SerialBackend> backend)
    : port(backend ? std::move(backend) : MakeSystemSerialBackend()), link(port, traffic) {}

void AutomaticRun::LeaveMessage(std::string text) {
    if (pendingMessage && !pendingMessage->empty() && *pendingMessage != text) {
        text = *pendingMessage + "\r\n\r\n" + text;
    }
    pendingMessage = std::move(text);
}

void AutomaticRun::RequestFocusOnFirstEditablePage(const ParameterSet& set) {
    for (std::size_t p = 0; p < set.editPage.size(); ++p) {
        if (set.editPage[p]) {
            focusRequest[p] = true;
            break;
        }
    }
}

Station::Station(MainView& view, const Clock& clock, std::unique_ptr<SerialBackend> backend)
    : window(view), reader(std::move(backend)), view_(view), clock_(clock) {}

}  // namespace tagwright
