#pragma once
// A main window view for tests: records every call the core makes, in order,
// with the colours a control has at the moment it is redrawn, and answers
// message boxes from a script. The operator's typing is simulated by texts
// (or a hook) applied when the core takes the field values.
//
// Header-only so that test programs without the station subsystem can link
// the support library.

#include <array>
#include <map>
#include <string>
#include <vector>

#include "core/app/Station.h"
#include "support/ScriptedMessages.h"

namespace tagwright::test {

struct ViewEvent {
    enum class Kind { Take, Show, Redraw, Focus, Message };
    Kind kind = Kind::Take;
    MainControl control = MainControl::Count;  // Redraw, Focus
    ControlState state{};                      // Redraw: the control's state then
    bool selectAll = false;                    // Focus
    std::string text;                          // Message

    static ViewEvent Of(Kind kind, MainControl control = MainControl::Count) {
        ViewEvent e;
        e.kind = kind;
        e.control = control;
        return e;
    }
};

class RecordingMainView : public MainView {
public:
    // The station whose fields typed texts go to and whose state is recorded.
    void Attach(Station& station) { station_ = &station; }

    // The operator types this into page p's field; the core sees it at its
    // next TakeFieldValues.
    void Type(int page, std::string text) { typedPages_[page] = std::move(text); }

    void TakeFieldValues() override {
        events.push_back(ViewEvent::Of(ViewEvent::Kind::Take));
        if (station_ != nullptr) {
            for (auto& [page, text] : typedPages_) station_->image.FieldText(page) = text;
        }
        typedPages_.clear();
    }

    void ShowFieldValues() override {
        events.push_back(ViewEvent::Of(ViewEvent::Kind::Show));
        if (station_ != nullptr) shownPages.push_back(station_->image.fieldText);
    }

    void RedrawControl(MainControl control) override {
        ViewEvent e = ViewEvent::Of(ViewEvent::Kind::Redraw, control);
        if (station_ != nullptr) e.state = station_->window.Control(control);
        events.push_back(e);
    }

    void SetFocus(MainControl control, bool selectAll) override {
        ViewEvent e = ViewEvent::Of(ViewEvent::Kind::Focus, control);
        e.selectAll = selectAll;
        events.push_back(e);
    }

    MsgAnswer ShowMessage(const MessageRequest& request) override {
        ViewEvent e = ViewEvent::Of(ViewEvent::Kind::Message);
        e.text = request.text;
        events.push_back(e);
        return messages.Show(request);
    }

    void StartTimer(TimerId id, int periodMs) override { timerStarts.push_back({id, periodMs}); }
    void StopTimer(TimerId id) override { timerStops.push_back(id); }

    // Backgrounds a control was redrawn with, oldest first.
    std::vector<Rgb> Backgrounds(MainControl control) const {
        std::vector<Rgb> out;
        for (const auto& e : events) {
            if (e.kind == ViewEvent::Kind::Redraw && e.control == control) {
                out.push_back(e.state.background);
            }
        }
        return out;
    }

    // Controls that received the focus, oldest first.
    std::vector<MainControl> FocusTrail() const {
        std::vector<MainControl> out;
        for (const auto& e : events) {
            if (e.kind == ViewEvent::Kind::Focus) out.push_back(e.control);
        }
        return out;
    }

    std::vector<ViewEvent::Kind> Kinds() const {
        std::vector<ViewEvent::Kind> out;
        for (const auto& e : events) out.push_back(e.kind);
        return out;
    }

    void ClearRecord() {
        events.clear();
        shownPages.clear();
        messages.Clear();
    }

    std::vector<ViewEvent> events;
    // The 17 page field texts at every ShowFieldValues.
    std::vector<std::array<std::string, kPageCount>> shownPages;
    ScriptedMessages messages;
    struct TimerStart {
        TimerId id;
        int periodMs;
    };
    std::vector<TimerStart> timerStarts;
    std::vector<TimerId> timerStops;

private:
    Station* station_ = nullptr;
    std::map<int, std::string> typedPages_;
};

}  // namespace tagwright::test
