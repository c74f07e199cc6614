#pragma once
// The station: everything the main window holds for the whole run, in parts
// that each keep their own rules. The window owns one Station; the operations
// of the app floor take the parts they need (or the station, when they are
// the entry points the GUI calls). Everything here runs on the window thread,
// except what the serial port's receiver hands over through its callbacks.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/app/ContinuousMode.h"
#include "core/app/LineEvents.h"
#include "core/app/MainView.h"
#include "core/app/Roles.h"
#include "core/app/StationSettings.h"
#include "core/app/StatusLine.h"
#include "core/app/Terminal.h"
#include "core/app/WriteChecks.h"
#include "core/base/Clock.h"
#include "core/config/ParameterSet.h"
#include "core/domain/TransponderImage.h"
#include "core/production/Journal.h"
#include "core/reader/ReaderLink.h"
#include "core/reader/SerialPort.h"
#include "core/reader/TrafficText.h"

namespace tagwright {

// The Reader: the port with its receiver, the traffic text, the protocol.
struct ReaderSession {
    explicit ReaderSession(std::unique_ptr<SerialBackend> backend);
    // The receiver's traffic callback writes `traffic`, which is destroyed
    // before `port`: stop the receiver first.
    ~ReaderSession() { port.ClosePort(); }
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;

    SerialPort port;
    TrafficText traffic;
    ReaderLink link;
};

// The carrier ID the next cycle writes, and the "next" field's text.
struct CarrierIdState {
    std::string current;
    std::string nextText;
    Refusal nextRefusal;  // the "next" field as typed, when no byte holds it
};

// How the last cycle ended, decided where each step fails, for front ends
// that report per tag rather than by message box.
enum class CycleResult {
    None,            // no cycle has run
    Programmed,
    NoTransponder,   // the UID could not be read
    WriteRefused,    // a write or lock was refused or not answered
    VerifyFailed,    // read-back or lock proof found a difference
    NoCarrierId,     // maximum reached or list file used up
    PortNotOpen,
    JournalError,
    RecordFileError,
    CounterNotSaved,  // the set file did not take the counter
    SetRefused,       // the set's carrier ID layout does not fit: nothing sent
    Declined,         // a UID programmed before, not to be programmed again
    Interrupted,      // a stop was asked for before the carrier ID was reserved
};

// How far a cycle got with the transponder.
enum class CycleStage {
    Start,       // nothing written
    Writing,     // the pages were being written
    Locking,     // written; the pages were being locked
    Programmed,  // written and locked
};

struct CycleReport {
    CycleResult result = CycleResult::None;
    CycleStage reached = CycleStage::Start;
    bool fromList = false;    // the carrier ID came (or was to come) from the list file
    bool listUsedUp = false;  // the list held no open entry (rather than a bad one)
    bool fieldRefused = false;  // a number field held a character no byte stands for
    std::string carrierId;  // the ID reserved, "" when none was
    std::string uid;
    int retries = 0;
    std::int64_t elapsedMs = 0;
    std::uint64_t sequence = 0;  // counts the cycles run
};

// The automatic run: requests, mode and what a cycle leaves for the ticks.
struct AutomaticRun {
    bool oneRequested = false;
    bool cycleRunning = false;  // from the cycle's first step to its report
    bool continuousMode = false;
    LocalTime continuousSince;  // when continuous mode was last switched on
    bool headerBlockPending = true;
    bool recordFileFailed = false;
    std::optional<std::string> pendingMessage;
    std::array<bool, kPageCount> focusRequest{};
    // The continuous-mode button's label; it changes with the mode.
    std::string contOnLabel = "  Cont On";
    CycleReport lastCycle;
    // Why continuous mode switched itself off; None while it runs.
    CycleResult continuousStop = CycleResult::None;
    // Set by a front end that stops on a signal: a cycle that has not
    // reserved its carrier ID yet is not started.
    const std::atomic<bool>* stopRequested = nullptr;

    // Leaves text for the message tick after any message still waiting, so
    // that neither is lost; the same text is not repeated.
    void LeaveMessage(std::string text);
    // Asks the message tick to focus the first page the set lets the
    // operator edit.
    void RequestFocusOnFirstEditablePage(const ParameterSet& set);
};

// The production journal (beside the record file, or shared on a server);
// opened when a cycle first needs it and again when the settings choose
// another journal or the record file's directory changes.
struct JournalState {
    std::unique_ptr<Journal> journal;
    std::filesystem::path directory;  // where it was opened, or tried
    JournalChoice choice;             // which journal that was
    bool tried = false;
    std::string error;  // why there is none: for the operator
    // The counter could not be written to the set file: no cycle runs until
    // it can, since a restart would offer IDs again.
    bool counterKeyPending = false;
};

// The terminal pane.
struct TerminalState {
    bool shown = false;
    std::string commandText;  // the command field
    Refusal commandRefusal;   // the command field as typed, when no byte holds it
    CommandHistory history;
};

// The protocol log's file number and whether its failure was told.
struct ProtocolLogState {
    std::int32_t index = 0;
    bool failureReported = false;
};

class Station {
public:
    static constexpr int kWindowHeight = 461;
    static constexpr int kNarrowWidth = 799;   // terminal pane hidden
    static constexpr int kWideWidth = 1120;    // terminal pane shown

    Station(MainView& view, const Clock& clock, std::unique_ptr<SerialBackend> backend = nullptr);

    MainView& View() { return view_; }
    const Clock& WallClock() const { return clock_; }

    bool AutomaticMode() const { return settings.selectConfig == 1; }
    int WindowWidth() const { return terminal.shown ? kWideWidth : kNarrowWidth; }

    // --- the operator's data ---
    std::filesystem::path setDirectory;  // taken once at start-up
    TransponderImage image;
    // Port, mode, current set name, name list, "max" text, manual carrier ID
    // texts: the values the settings file carries.
    StationSettings settings;
    ParameterSet currentSet;
    std::string uidText;  // the UID field
    Refusal uidRefusal;   // the UID field as typed, when no byte holds it
    // What the Config dialog reported when it ended with OK: a set file was
    // written while it was open, and its Save was pressed at all.
    bool configSaved = false;
    bool configSavePressed = false;

    // Failed steps of the last Reader operation or carrier ID step; the
    // programming cycle reads it after each step (0 = success).
    std::int32_t FailureCount = 0;

    // --- the parts ---
    WindowControls window;
    ReaderSession reader;
    CarrierIdState carrierId;
    AutomaticRun run;
    TerminalState terminal;
    ProtocolLogState protocolLog;
    WriteCheckState writeChecks;
    ContinuousWatch continuous;
    JournalState journal;
    StatusLineState status;
    RoleState roles;  // operator or engineer, when the settings hold a PIN
    LineEventsState events;  // after journal: it says goodbye before the journal goes

private:
    MainView& view_;
    const Clock& clock_;
};

// A number field ("next", "max", the Carrier ID Offset and Length, the UID)
// that holds a character no byte stands for is told and true: the command
// that would use it does nothing, and the field keeps what was typed.
bool TellRefusedNumberField(Station& station);

}  // namespace tagwright
