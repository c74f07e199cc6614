#pragma once
// What the main window's GUI (or a test) provides to the core, and the
// window's controls as the core keeps them: colours, flags and the focus.

#include <array>
#include <string>

#include "core/app/MainControls.h"
#include "core/base/Presentation.h"

namespace tagwright {

// The main window's timers.
enum class TimerId : int { Idle = 2, Cycle = 3, Messages = 5, Continuous = 7 };

// Periods of the timers the window runs from start-up on.
inline constexpr int kIdlePeriodMs = 100;
inline constexpr int kCyclePeriodMs = 10;
inline constexpr int kMessagesPeriodMs = 500;
inline constexpr int kContinuousPeriodMs = 500;

class MainView : public MessageView {
public:
    // Controls to model: takes what the operator typed into every field.
    // Called once when an operator command starts.
    virtual void TakeFieldValues() = 0;
    // Model to controls: shows every field's text and state. Called once
    // when an operator command ends.
    virtual void ShowFieldValues() = 0;
    // A control's colours changed with the redraw flag: repaint it now.
    virtual void RedrawControl(MainControl control) = 0;
    // Puts the input focus on a control; selectAll also selects its whole
    // text and scrolls the caret into view.
    virtual void SetFocus(MainControl control, bool selectAll) = 0;

    // Starts (or restarts) a periodic timer; its ticks come back as
    // Station timer entry points.
    virtual void StartTimer(TimerId /*id*/, int /*periodMs*/) {}
    virtual void StopTimer(TimerId /*id*/) {}
    // Repaints the whole window.
    virtual void RepaintWindow() {}
};

// Runs one operator command between one take of the field values and one
// show: the helpers it calls leave the view's fields alone.
template <class F>
void RunCommand(MainView& view, F&& work) {
    view.TakeFieldValues();
    work();
    view.ShowFieldValues();
}

// Starts or stops the idle, cycle and message timers together.
void StartWindowTimers(MainView& view);
void StopWindowTimers(MainView& view);

// The state of every control of the main window, the focus, and the message
// boxes it asks. Changes that the window must see at once go to the view.
class WindowControls {
public:
    explicit WindowControls(MainView& view);

    ControlState& Control(MainControl c) { return controls_.at(static_cast<std::size_t>(c)); }
    const ControlState& Control(MainControl c) const {
        return controls_.at(static_cast<std::size_t>(c));
    }

    void SetBackground(MainControl c, Rgb colour, bool redraw = true);
    void SetForeground(MainControl c, Rgb colour, bool redraw = true);
    // A control locked for the engineer stays disabled whatever is asked;
    // unlocked, it takes the state last asked for.
    void SetEnabled(MainControl c, bool enabled);
    void SetLocked(MainControl c, bool locked);
    void SetVisible(MainControl c, bool visible) { Control(c).visible = visible; }
    void ShowImage(MainControl c, bool on) { Control(c).imageOn = on; }
    void SetFocus(MainControl c, bool selectAll = false);
    MainControl Focus() const { return focus_; }
    // A message box with an OK button under the application's name.
    void Tell(std::string text);

private:
    MainView& view_;
    std::array<ControlState, kMainControlCount> controls_{};
    std::array<bool, kMainControlCount> asked_{};   // enabled, as last asked
    std::array<bool, kMainControlCount> locked_{};  // engineer only, locked
    MainControl focus_ = MainControl::Page1;
};

}  // namespace tagwright
