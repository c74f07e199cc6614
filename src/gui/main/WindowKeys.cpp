#include "gui/main/MainWindow.h"

// The main window's keys beyond the fields' own, the question before closing
// while the station works, and the window's place from one run to the next.

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

namespace tagwright::gui {

namespace {
constexpr int kCloseCheckMs = 50;
}  // namespace

void MainWindow::InstallKeys() {
    // F5 is "  One" wherever the focus is, as long as the button could be
    // pressed (shown, and enabled: not in continuous mode).
    auto* one = new QShortcut(QKeySequence(Qt::Key_F5), this);
    one->setContext(Qt::WindowShortcut);
    // A key held down starts one cycle, not one per repeat: each would put
    // the next carrier ID on the same transponder.
    one->setAutoRepeat(false);
    for (MainControl c : {MainControl::One, MainControl::ContOn}) {
        Control(c)->installEventFilter(this);
    }
    connect(one, &QShortcut::activated, this, [this] {
        auto* button = static_cast<QPushButton*>(Control(MainControl::One));
        if (!ended_ && button->isVisibleTo(this) && button->isEnabled()) button->click();
    });
}

bool MainWindow::ConfirmClose() {
    std::string text;
    if (station_->run.oneRequested) {
        text = "A cycle is about to run. Close Tagwright anyway?";
    } else if (station_->run.continuousMode) {
        text = "Continuous mode is on. Close Tagwright anyway?";
    } else {
        return true;
    }
    // Busy while the question stands: no tick starts a look or a cycle
    // under it.
    ++depth_;
    const MsgAnswer answer =
        messages_.ShowMessage({text, "Tagwright", MsgIcon::Question, MsgButtons::YesNo});
    --depth_;
    if (depth_ == 0) AfterCommand();
    return answer == MsgAnswer::Yes;
}

bool MainWindow::AtWork() const {
    return station_->run.cycleRunning || (readerWaiting_ && station_->run.continuousMode);
}

void MainWindow::CloseAfterCycle() {
    // Asking in the middle of the cycle would hold its Reader waits for as
    // long as the question stands; the question comes when the cycle is over.
    if (ended_) return;
    if (depth_ > 0) {
        QTimer::singleShot(kCloseCheckMs, this, [this] { CloseAfterCycle(); });
        return;
    }
    closeAfterCycle_ = false;
    // Continuous mode still on: its own question.
    if (station_->run.continuousMode) {
        if (ConfirmClose()) RequestClose();
        return;
    }
    const MsgAnswer answer = messages_.ShowMessage(
        {"The cycle that was running when the window was to close is over. Close Tagwright?",
         "Tagwright", MsgIcon::Question, MsgButtons::YesNo});
    if (answer == MsgAnswer::Yes) RequestClose();
}

bool MainWindow::HandleCloseRequest() {
    if (ended_) return true;
    if (AtWork()) {
        if (!closeAfterCycle_) {
            closeAfterCycle_ = true;
            QTimer::singleShot(kCloseCheckMs, this, [this] { CloseAfterCycle(); });
        }
        return false;
    }
    return ConfirmClose();
}

void MainWindow::RestorePlace() {
    const WindowPlace& place = station_->settings.place;
    if (!place.known) return;
    // A place on a screen that is gone is not taken: the window would be lost.
    const QRect frame(place.left, place.top, place.width, place.height);
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        onScreen = onScreen || screen->availableGeometry().intersects(frame);
    }
    if (!onScreen) return;
    move(place.left, place.top);
    // The height is the layout's; the width follows the terminal pane, which
    // starts hidden, so only a window made larger keeps its size.
    resize(size().expandedTo(QSize(place.width, place.height)));
}

void MainWindow::RememberPlace() {
    const QRect frame(pos(), size());
    station_->settings.place = {true, frame.left(), frame.top(), frame.width(), frame.height()};
}

}  // namespace tagwright::gui
