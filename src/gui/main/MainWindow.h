#pragma once
// The main window. It owns the Station (all run-time state) and renders it:
// every control is built from the layout table, commands are routed to the
// core, and the core's view calls (take and show the field values, redraw,
// focus, messages, timers) land here.
//
// Re-entry: while a command runs, the Reader's waits keep the window painted
// by processing events. Timer ticks and close requests that arrive then must
// not start further work inside the running command, so ticks are skipped
// (they come again) and a close is done once the command has ended; the
// operator's clicks and keys are dropped.

#include <array>
#include <functional>
#include <atomic>
#include <map>
#include <memory>
#include <string>

#include <QDialog>
#include <QPixmap>

#include "core/base/Clock.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/main/MainLayout.h"
#include "core/app/Station.h"
#include "core/app/PortWatcher.h"
#include "core/app/StatusLine.h"

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QTimer;

namespace tagwright::gui {

class EnterEdit;
class ProductionWindow;
class StatusLineWidget;

class MainWindow : public QDialog, public MainView {
    Q_OBJECT
public:
    // clock: the station's clock, the system's when none is given (tests).
    explicit MainWindow(QWidget* parent = nullptr, const Clock* clock = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Start-up in the current directory: settings read, set loaded, port
    // opened (with its message on failure), timers started, mode applied.
    void Initialise();

    // The window's close command, from the frame or from outside (signals,
    // the session's end): port closed, then the window ends. Waits for a
    // running command to end first.
    void RequestClose();

    // The window has ended; the settings have been written.
    bool Ended() const { return ended_; }
    // A command or tick is running (also while a message box it opened waits).
    bool Busy() const { return depth_ > 0; }

    Station& Model() { return *station_; }
    QWidget* Control(MainControl c) const;
    QWidget* Control(StaticControl c) const;
    QMenuBar* MenuBar() const { return menuBar_; }
    StatusLineWidget* StatusLine() const { return statusLine_; }

    enum class MenuItem {
        Exit,
        Settings,
        DeviceManager,
        Config,
        ShowTerminal,
        ClearTerminal,
        TrafficTimestamps,
        OpenRecordFolder,
        Production,
        Info,
        Unlock,
        Lock,
        SetPin
    };
    QAction* Action(MenuItem item) const;

    // Runs work as one command of this window (its ticks wait meanwhile):
    // for the windows beside it, which work on the same station.
    void RunBeside(const std::function<void()>& work);
    // The Production window, once the operator has opened it.
    ProductionWindow* Production() const { return production_; }

    // --- MainView ---
    void TakeFieldValues() override;
    void ShowFieldValues() override;
    void RedrawControl(MainControl control) override;
    void SetFocus(MainControl control, bool selectAll) override;
    MsgAnswer ShowMessage(const MessageRequest& request) override;
    void StartTimer(TimerId id, int periodMs) override;
    void StopTimer(TimerId id) override;
    void RepaintWindow() override;

public slots:
    // Every way of ending the window comes here; the settings are written once.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    // The wait hook and the traffic callback of the Reader link.
    void ConnectReaderHooks();
    void ConnectCommands();
    void ConnectMenu();
    QWidget* CreateControl(const LayoutEntry& entry);

    // Runs one command or tick of the core; see the re-entry note above.
    template <class F>
    void Run(F&& work);
    void AfterCommand();
    void DismissModalsForClose();

    // During a Reader wait: true for operator input, which is dropped.
    bool DropDuringWait(QObject* watched, QEvent* event);

    void OnTimerTick(TimerId id);
    void ToggleSelect(int page);  // 0 = "all"
    void ToggleTerminal();
    void ShowAbout();
    void ShowProduction();

    void ApplyState(MainControl c);
    void ApplyFieldColours(EnterEdit* edit, const ControlState& state);
    void ApplyImage(QWidget* w, const LayoutEntry& entry, const ControlState& state);
    void ApplyAllStates();
    void ApplyWindowSize();
    void ShowTraffic();
    void TakeTrafficEdits();
    void SetTrafficTimestamps(bool on);

    // WindowKeys.cpp
    void InstallKeys();
    // True when the window may close: asked while a cycle is asked for or
    // continuous mode is on (never during a Reader wait: HandleCloseRequest).
    bool ConfirmClose();
    // The close button: false keeps the window. During a cycle the question
    // waits for the cycle's end (CloseAfterCycle).
    bool HandleCloseRequest();
    // A cycle runs, or continuous mode waits for a look's answer.
    bool AtWork() const;
    void CloseAfterCycle();
    void RestorePlace();
    void RememberPlace();

    // The status line (MainWindowView.cpp).
    QWidget* BuildStatusLine();
    void RefreshStatusLine();
    std::string shownEvents_;  // the line events' words the status line shows
    std::string PortState() const;
    void WatchPort();
    // From the Reader waits of a cycle: what it does now, on the status line.
    void ShowCycleProgress();
    void AddTerminalOptions(QMenu* terminal);
    // File > Open record folder, above Exit.
    void AddFileItems(QMenu* file);
    void OpenRecordFolder();
    bool PaneShown() const;

    // Operator and engineer (MainWindowRoles.cpp): the Engineer menu, the
    // operator's input noted for the idle time, and the lock on minimising.
    void AddEngineerMenu();
    void ConnectRoleCommands();
    void ApplyRoleMenu();
    void LockWhenIdle();  // at once, or when the running command has ended

    EnterEdit* Edit(MainControl c) const;
    QPlainTextEdit* TrafficField() const;

    SystemClock clock_;
    WidgetMessageView messages_{this};
    std::unique_ptr<Station> station_;

    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    std::array<QWidget*, kLayoutIdCount> widgets_{};
    std::map<MenuItem, QAction*> actions_;
    std::map<TimerId, QTimer*> timers_;
    QTimer* dismissTimer_ = nullptr;

    std::array<QPixmap, 2> selectImages_;  // clear, set
    std::array<QPixmap, 2> choiceImages_;  // not chosen, chosen

    int depth_ = 0;
    bool readerWaiting_ = false;  // the application's events pass eventFilter
    bool closePending_ = false;
    bool ended_ = false;
    bool initialised_ = false;

    // The traffic text's revision the field shows, to take only what came
    // since, and to tell the operator's edits from lines that came meanwhile.
    static constexpr std::uint64_t kNothingShown = ~std::uint64_t{0};
    std::uint64_t shownTrafficRevision_ = kNothingShown;
    bool trafficTimestamps_ = false;
    bool closeAfterCycle_ = false;  // the close button was pressed during a cycle

    StatusLineWidget* statusLine_ = nullptr;
    QObject* activityWatch_ = nullptr;
    ProductionWindow* production_ = nullptr;  // a child window; made when first opened
    QTimer* watchTimer_ = nullptr;
    PortWatcher watcher_;
    PortCondition portCondition_ = PortCondition::Closed;
    // Set by the receiver thread while a redraw of the traffic is queued.
    std::atomic<bool> trafficPosted_{false};
};

template <class F>
void MainWindow::Run(F&& work) {
    if (ended_) return;
    ++depth_;
    work();
    --depth_;
    if (depth_ == 0) AfterCommand();
}

}  // namespace tagwright::gui
