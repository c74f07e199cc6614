#include "gui/main/MainWindow.h"

// Operator and engineer in the window: the Engineer menu (unlock, lock, set
// the PIN), the operator's keys and clicks noted for the idle time, and
// engineer mode locked when the window is minimised. The rules are the
// core's (core/app/Roles.h).

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "gui/main/PinDialog.h"

namespace tagwright::gui {

namespace {

constexpr int kLockRetryMs = 100;

// Notes every key and mouse press the application takes as the operator's
// activity; an application-wide filter, since the press may go to any field,
// button or dialog.
class ActivityWatch : public QObject {
public:
    ActivityWatch(QObject* parent, std::function<void()> noted)
        : QObject(parent), noted_(std::move(noted)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::MouseButtonPress:
            case QEvent::Wheel:
                noted_();
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> noted_;
};

}  // namespace

void MainWindow::AddEngineerMenu() {
    QMenu* engineer = menuBar_->addMenu(QStringLiteral("&Engineer"));
    actions_[MenuItem::Unlock] = engineer->addAction(QStringLiteral("&Unlock"));
    actions_[MenuItem::Lock] = engineer->addAction(QStringLiteral("&Lock"));
    engineer->addSeparator();
    actions_[MenuItem::SetPin] = engineer->addAction(QStringLiteral("Set &PIN"));
}

void MainWindow::ConnectRoleCommands() {
    Station& s = *station_;
    connect(Action(MenuItem::Unlock), &QAction::triggered, this, [this, &s] {
        Run([this, &s] { UnlockCommand(s, [this] { return PinDialog::AskPin(this); }); });
    });
    connect(Action(MenuItem::Lock), &QAction::triggered, this,
            [this, &s] { Run([&s] { LockCommand(s); }); });
    connect(Action(MenuItem::SetPin), &QAction::triggered, this, [this, &s] {
        Run([this, &s] { SetPinCommand(s, [this] { return PinDialog::AskNewPin(this); }); });
    });
    activityWatch_ = new ActivityWatch(this, [this] {
        if (!ended_ && station_ != nullptr) NoteActivity(*station_);
    });
    qApp->installEventFilter(activityWatch_);
}

void MainWindow::ApplyRoleMenu() {
    // Without a PIN only Set PIN is there: a station without roles looks
    // as it always did.
    const bool on = RolesOn(*station_);
    const bool engineer = EngineerMode(*station_);
    Action(MenuItem::Unlock)->setVisible(on);
    Action(MenuItem::Unlock)->setEnabled(!engineer);
    Action(MenuItem::Lock)->setVisible(on);
    Action(MenuItem::Lock)->setEnabled(on && engineer);
    Action(MenuItem::SetPin)->setEnabled(engineer);
}

void MainWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) LockWhenIdle();
}

void MainWindow::LockWhenIdle() {
    if (ended_) return;
    // A command that waits for the Reader ends first; the lock follows it.
    if (depth_ > 0) {
        QTimer::singleShot(kLockRetryMs, this, [this] { LockWhenIdle(); });
        return;
    }
    Run([this] { LockCommand(*station_); });
}

}  // namespace tagwright::gui
