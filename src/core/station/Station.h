#pragma once
// The main window's run-time state and its presentation model. The window
// owns one Station; the core operations change it and tell the view what to
// redraw, focus or ask.

#include <array>

#include "base/Presentation.h"
#include "station/MainControls.h"
#include "station/TransponderImage.h"

namespace tagwright {

// What the main window's GUI (or a test) provides to the core.
class MainView : public MessageView {
public:
    // Controls to model: takes what the operator typed into every field.
    virtual void TakeFieldValues() = 0;
    // Model to controls: shows every field's text and state.
    virtual void ShowFieldValues() = 0;
    // A control's colours changed with the redraw flag: repaint it now.
    virtual void RedrawControl(MainControl control) = 0;
    // Puts the input focus on a control; selectAll also selects its whole
    // text and scrolls the caret into view.
    virtual void SetFocus(MainControl control, bool selectAll) = 0;
};

class Station {
public:
    explicit Station(MainView& view) : view_(view) {}

    MainView& View() { return view_; }

    ControlState& Control(MainControl c) { return controls_.at(static_cast<std::size_t>(c)); }
    const ControlState& Control(MainControl c) const {
        return controls_.at(static_cast<std::size_t>(c));
    }

    void SetBackground(MainControl c, Rgb colour, bool redraw = true);
    void SetForeground(MainControl c, Rgb colour, bool redraw = true);
    void SetFocus(MainControl c, bool selectAll = false);
    MainControl Focus() const { return focus_; }

    // Enter in page field p: normalise, convert, check, colour, tell.
    bool CommitPageText(int page);
    // HEX or ASCII for all 17 pages.
    void SetPageFormat(PageFormat format);

    TransponderImage image;
    int selectConfig = 0;  // 1 = automatic mode
    std::array<bool, kPageCount> focusRequest{};

private:
    MainView& view_;
    std::array<ControlState, kMainControlCount> controls_{};
    MainControl focus_ = MainControl::Page1;
};

}  // namespace tagwright
