#pragma once
// The main window's run-time state and its presentation model. The window
// owns one Station for the whole run; the core operations (station/,
// reader/, production/, config/) change it and tell the view what to redraw,
// focus or ask. Everything here runs on the window thread, except what the
// serial port's receiver hands over through its callbacks.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/base/Clock.h"
#include "core/base/Presentation.h"
#include "core/config/ParameterSet.h"
#include "core/reader/ReaderLink.h"
#include "core/reader/SerialPort.h"
#include "core/reader/TrafficText.h"
#include "core/app/MainControls.h"
#include "core/app/StationSettings.h"
#include "core/domain/TransponderImage.h"

namespace tagwright {

// The main window's timers.
enum class TimerId : int { Idle = 2, Cycle = 3, Messages = 5, Continuous = 7 };

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

    // Starts (or restarts) a periodic timer; its ticks come back as
    // Station timer entry points.
    virtual void StartTimer(TimerId /*id*/, int /*periodMs*/) {}
    virtual void StopTimer(TimerId /*id*/) {}
    // Repaints the whole window.
    virtual void RepaintWindow() {}
};

class Station {
public:
    static constexpr int kWindowHeight = 461;
    static constexpr int kNarrowWidth = 799;   // terminal pane hidden
    static constexpr int kWideWidth = 1120;    // terminal pane shown

    Station(MainView& view, const Clock& clock, std::unique_ptr<SerialBackend> backend = nullptr);
    // The receiver's traffic callback writes `traffic`, which is destroyed
    // before `port`: stop the receiver first.
    ~Station() { port.ClosePort(); }

    MainView& View() { return view_; }
    const Clock& WallClock() const { return clock_; }

    ControlState& Control(MainControl c) { return controls_.at(static_cast<std::size_t>(c)); }
    const ControlState& Control(MainControl c) const {
        return controls_.at(static_cast<std::size_t>(c));
    }

    void SetBackground(MainControl c, Rgb colour, bool redraw = true);
    void SetForeground(MainControl c, Rgb colour, bool redraw = true);
    void SetFocus(MainControl c, bool selectAll = false);
    MainControl Focus() const { return focus_; }
    // A message box with an OK button under the application's name.
    void Tell(std::string text);

    // Enter in page field p: normalise, convert, check, colour, tell.
    bool CommitPageText(int page);
    // HEX or ASCII for all 17 pages.
    void SetPageFormat(PageFormat format);

    bool AutomaticMode() const { return settings.selectConfig == 1; }
    int WindowWidth() const { return terminalShown ? kWideWidth : kNarrowWidth; }

    // --- state of the whole run ---
    std::filesystem::path setDirectory;  // taken once at start-up
    TransponderImage image;
    // Port, mode, current set name, name list, "max" text, manual carrier ID
    // texts: the values the settings file carries.
    StationSettings settings;
    ParameterSet currentSet;
    // What the Config dialog reported when it ended with OK: a set file was
    // written while it was open, and its Save was pressed at all.
    bool configSaved = false;
    bool configSavePressed = false;

    // The carrier ID the next cycle writes, and the "next" field's text.
    std::string currentCarrierId;
    std::string nextFieldText;
    std::string uidText;      // the UID field
    std::string commandText;  // the terminal's command field

    std::int32_t FailureCount = 0;

    // Automatic run.
    bool oneRequested = false;
    bool continuousMode = false;
    bool headerBlockPending = true;
    bool recordFileFailed = false;
    std::optional<std::string> pendingMessage;
    std::array<bool, kPageCount> focusRequest{};
    // The continuous-mode button's label; it changes with the mode.
    std::string contOnLabel = "  Cont On";

    // Terminal pane and protocol log.
    bool terminalShown = false;
    std::int32_t logIndex = 0;
    bool protocolLogFailureReported = false;

    // The Reader: port with its receiver, the traffic text, the protocol.
    SerialPort port;
    TrafficText traffic;
    ReaderLink link;

private:
    MainView& view_;
    const Clock& clock_;
    std::array<ControlState, kMainControlCount> controls_{};
    MainControl focus_ = MainControl::Page1;
};

}  // namespace tagwright
