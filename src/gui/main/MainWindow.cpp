#include "gui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "gui/config/ConfigCommand.h"
#include "gui/controls/Colours.h"
#include "gui/controls/EnterEdit.h"
#include "gui/controls/Images.h"
#include "gui/controls/Text.h"
#include "gui/controls/ColouredLabel.h"
#include "core/app/CarrierIdCommands.h"
#include "core/app/CycleJournal.h"
#include "core/app/ProgrammingCycle.h"
#include "gui/reader/InterfaceSettingsCommand.h"
#include "core/app/ManualOperations.h"
#include "core/app/Terminal.h"
#include "gui/resources/Pictures.h"
#include "gui/main/AboutDialog.h"
#include "core/app/WindowCommands.h"
#include "gui/main/SpinArrows.h"
#include "gui/production/ProductionWindow.h"

namespace tagwright::gui {

namespace {

constexpr int kDismissIntervalMs = 50;

// The dialog font: a sans face of the size the layout's units are measured
// in, narrowed to the width of the face the layout was drawn for.
QFont MainFont() {
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPointSize(8);
    font.setStretch(87);
    return font;
}

void MakeWhiteOnBlack(ColouredLabel* label) {
    label->SetTextColour(colour::White, false);
    label->SetBackgroundColour(colour::Black, false);
}

ColouredLabel* CreateLabel(const LayoutEntry& entry, const QString& text, QWidget* parent) {
    auto* label = new ColouredLabel(text, parent);
    label->SetTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The terminal's title keeps the control's own colours.
    if (entry.id != LayoutId(StaticControl::TerminalLabel)) MakeWhiteOnBlack(label);
    if (entry.kind == LayoutKind::BorderedLabel) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
    }
    return label;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent, const Clock* clock) : QDialog(parent) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Tagwright"));
    setWindowIcon(AppIcon());
    setFont(MainFont());
    MakeBlackWindow(*this);

    selectImages_ = {SelectBoxImage(false), SelectBoxImage(true)};
    choiceImages_ = {ChoiceImage(false), ChoiceImage(true)};

    station_ = std::make_unique<Station>(*this, clock != nullptr ? *clock : clock_);

    BuildMenu();
    BuildControls();
    ConnectCommands();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(client_);
    layout->addWidget(BuildStatusLine());

    dismissTimer_ = new QTimer(this);
    dismissTimer_->setInterval(kDismissIntervalMs);
    connect(dismissTimer_, &QTimer::timeout, this, &MainWindow::DismissModalsForClose);

    ConnectReaderHooks();

    ApplyWindowSize();
    InstallKeys();
}

void MainWindow::ConnectReaderHooks() {
    // While a command waits for the Reader, the window is kept painted and
    // the Reader's lines keep coming in. The operator's clicks and keys are
    // taken from the queue and dropped (see eventFilter): kept for later,
    // they would start a second command, a second cycle on the same tag,
    // the moment this one ends.
    station_->reader.link.SetWaitHook([this] {
        ShowCycleProgress();
        if (readerWaiting_) {
            QCoreApplication::processEvents();
            return;
        }
        readerWaiting_ = true;
        qApp->installEventFilter(this);
        QCoreApplication::processEvents();
        qApp->removeEventFilter(this);
        readerWaiting_ = false;
    });
    // Runs on the receiver thread: it only queues a redraw of the traffic.
    ConnectTrafficReceiver(*station_, [this] {
        if (trafficPosted_.exchange(true)) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                trafficPosted_ = false;
                if (ended_) return;
                TakeTrafficEdits();
                ShowTraffic();
            },
            Qt::QueuedConnection);
    });
}

MainWindow::~MainWindow() {
    delete activityWatch_;  // no input is noted for a station that goes
    delete production_;  // it works on the station
    production_ = nullptr;
    if (!ended_) {
        ended_ = true;
        if (initialised_) {
            ++depth_;
            ShutDown(*station_);
            --depth_;
        }
    }
    for (MainControl c : {MainControl::NextField, MainControl::MaxField, MainControl::CarrierId,
                          MainControl::One, MainControl::ContOn}) {
        Control(c)->removeEventFilter(this);
    }
    // The receiver posts to this window: stop it before the window goes.
    DisconnectTrafficReceiver(*station_);
    station_->reader.port.ClosePort();
    station_.reset();
}

void MainWindow::BuildMenu() {
    menuBar_ = new QMenuBar(this);
    // The menu keeps the system's colours rather than the black window's:
    // every role is set, or the bar would inherit the black ones.
    const QPalette system = QApplication::palette();
    QPalette menuPalette;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        if (role == QPalette::NoRole) continue;
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            const auto r = static_cast<QPalette::ColorRole>(role);
            menuPalette.setColor(group, r, system.color(group, r));
        }
    }
    menuBar_->setPalette(menuPalette);
    menuBar_->setAutoFillBackground(true);

    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    actions_[MenuItem::Exit] = file->addAction(QStringLiteral("E&xit"));
    AddFileItems(file);

    QMenu* interfaceMenu = menuBar_->addMenu(QStringLiteral("&Interface"));
    actions_[MenuItem::Settings] = interfaceMenu->addAction(QStringLiteral("&Settings"));
    actions_[MenuItem::DeviceManager] = interfaceMenu->addAction(QStringLiteral("&Device Manager"));

    // A command on the menu bar itself, not a menu.
    actions_[MenuItem::Config] = menuBar_->addAction(QStringLiteral("&Config"));

    QMenu* terminal = menuBar_->addMenu(QStringLiteral("&Terminal"));
    QAction* show = terminal->addAction(QStringLiteral("&Show"));
    show->setCheckable(true);
    actions_[MenuItem::ShowTerminal] = show;
    actions_[MenuItem::ClearTerminal] = terminal->addAction(QStringLiteral("&Clear"));
    AddTerminalOptions(terminal);

    AddEngineerMenu();
    // A command on the bar, as Config: it opens a window beside this one.
    actions_[MenuItem::Production] = menuBar_->addAction(QStringLiteral("&Production"));

    QMenu* help = menuBar_->addMenu(QStringLiteral("&?"));
    actions_[MenuItem::Info] = help->addAction(QStringLiteral("&Info"));
    // The frame's own menu cannot take items here, so the About box is
    // reached through ? > Info only.
}

void MainWindow::BuildControls() {
    client_ = new QWidget(this);
    for (const LayoutEntry& entry : MainLayout()) {
        QWidget* w = CreateControl(entry);
        widgets_.at(static_cast<std::size_t>(entry.id)) = w;
        QRect place = PixelRect(entry);
        if (entry.kind == LayoutKind::SelectBox || entry.kind == LayoutKind::ChoiceButton) {
            // The pictures are 13 x 13; the box grows rather than clip them.
            place.setSize(place.size().expandedTo(QSize(kSmallImageSize, kSmallImageSize)));
        } else if (entry.kind == LayoutKind::Picture) {
            place.setSize(static_cast<QLabel*>(w)->pixmap().size());
        }
        w->setGeometry(place);
        if (entry.kind == LayoutKind::HiddenButton) {
            // Never shown, never focused, never the default button.
            w->setFocusPolicy(Qt::NoFocus);
            w->hide();
        }
    }
}

QWidget* MainWindow::CreateControl(const LayoutEntry& entry) {
    const QString text = QString::fromLatin1(entry.text.c_str());
    switch (entry.kind) {
        case LayoutKind::PageField:
        case LayoutKind::NumberField: {
            auto* edit = new EnterEdit(EnterEditKind::Numbered(entry.fieldNumber), client_);
            edit->SetControlId(entry.id);
            edit->SetBackgroundColour(colour::White, false);
            edit->SetTextColour(colour::Black, false);
            return edit;
        }
        case LayoutKind::CommandField: {
            auto* edit = new EnterEdit(client_);
            edit->SetControlId(entry.id);
            return edit;
        }
        case LayoutKind::TrafficField: {
            auto* traffic = new QPlainTextEdit(client_);
            traffic->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            traffic->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            QPalette pal = traffic->palette();
            SetRoleColour(pal, QPalette::Base, Qt::white);
            SetRoleColour(pal, QPalette::Text, Qt::black);
            traffic->setPalette(pal);
            return traffic;
        }
        case LayoutKind::SelectBox:
            return new ImageButton(selectImages_[0], client_);
        case LayoutKind::ChoiceButton:
            return new ImageButton(choiceImages_[0], client_);
        case LayoutKind::Label:
        case LayoutKind::BorderedLabel:
            return CreateLabel(entry, text, client_);
        case LayoutKind::PushButton:
        case LayoutKind::HiddenButton: {
            auto* button = new QPushButton(text, client_);
            // Enter on a button presses it; elsewhere it is the OK command.
            button->setAutoDefault(true);
            return button;
        }
        case LayoutKind::Spin:
            return new SpinArrows(client_);
        case LayoutKind::GroupBox:
            return new QGroupBox(client_);
        case LayoutKind::Picture: {
            auto* picture = new QLabel(client_);
            picture->setPixmap(LogoPicture());
            return picture;
        }
    }
    return new QWidget(client_);
}

void MainWindow::ConnectCommands() {
    Station& s = *station_;
    auto button = [this](MainControl c) { return static_cast<QAbstractButton*>(Control(c)); };
    auto onClick = [this, button](MainControl c, auto work) {
        connect(button(c), &QAbstractButton::clicked, this, [this, work] { Run(work); });
    };

    for (int p = 1; p <= kPageCount; ++p) {
        connect(Edit(PageField(p)), &EnterEdit::completed, this,
                [this, &s, p] { Run([&s, p] { PageEnter(s, p); }); });
        connect(button(SelectBox(p)), &QAbstractButton::clicked, this,
                [this, p] { ToggleSelect(p); });
    }
    connect(button(MainControl::SelectAll), &QAbstractButton::clicked, this,
            [this] { ToggleSelect(0); });

    onClick(MainControl::HexButton, [&s] { FormatButtonClicked(s, PageFormat::Hex); });
    onClick(MainControl::AsciiButton, [&s] { FormatButtonClicked(s, PageFormat::Ascii); });
    onClick(MainControl::ConfigButton, [&s] { ChooseMode(s, true); });
    onClick(MainControl::ManualButton, [&s] { ChooseMode(s, false); });

    onClick(MainControl::Read, [&s] { ReadPages(s); });
    onClick(MainControl::Write, [&s] { WritePages(s); });
    onClick(MainControl::Lock, [&s] { LockPages(s); });
    onClick(MainControl::DefaultContent, [&s] { RestoreDefaultContent(s); });
    onClick(MainControl::ReadUid, [&s] { ReadUid(s); });
    onClick(MainControl::ReadCarrierId, [&s] { ReadCarrierId(s); });
    onClick(MainControl::WriteCarrierId, [&s] { WriteCarrierId(s); });

    onClick(MainControl::One, [&s] { OneCommand(s); });
    onClick(MainControl::ContOn, [&s] { ContOnCommand(s); });
    connect(static_cast<QAbstractButton*>(Control(StaticControl::NextDataSet)),
            &QAbstractButton::clicked, this, [this, &s] { Run([&s] { NextDataSet(s); }); });
    connect(static_cast<QAbstractButton*>(Control(StaticControl::CurrentDataSetProcessed)),
            &QAbstractButton::clicked, this,
            [this, &s] { Run([&s] { CurrentDataSetProcessed(s); }); });
    connect(static_cast<QAbstractButton*>(Control(StaticControl::LastCarrierId)),
            &QAbstractButton::clicked, this, [this, &s] { Run([&s] { LastCarrierId(s); }); });

    connect(static_cast<SpinArrows*>(Control(MainControl::NextSpin)), &SpinArrows::stepped, this,
            [this, &s](int delta) { Run([&s, delta] { StepNext(s, delta); }); });
    connect(static_cast<SpinArrows*>(Control(MainControl::MaxSpin)), &SpinArrows::stepped, this,
            [this, &s](int delta) { Run([&s, delta] { StepMax(s, delta); }); });
    // Leaving these fields is a command of its own (see eventFilter).
    for (MainControl c : {MainControl::NextField, MainControl::MaxField, MainControl::CarrierId}) {
        Control(c)->installEventFilter(this);
    }

    onClick(MainControl::Send, [&s] { TerminalSend(s); });
    connect(Edit(MainControl::TerminalCommand), &EnterEdit::completed, this,
            [this, &s] { Run([&s] { TerminalEnter(s); }); });
    connect(Edit(MainControl::TerminalCommand), &EnterEdit::historyStep, this,
            [this, &s](int, int step) { Run([&s, step] { TerminalHistoryStep(s, step); }); });

    ConnectMenu();
}

void MainWindow::ConnectMenu() {
    Station& s = *station_;
    connect(Action(MenuItem::Exit), &QAction::triggered, this, [this] {
        if (ConfirmClose()) done(Accepted);
    });
    connect(Action(MenuItem::Settings), &QAction::triggered, this,
            [this, &s] { Run([this, &s] { RunInterfaceSettings(s, this); }); });
    connect(Action(MenuItem::DeviceManager), &QAction::triggered, this,
            [this, &s] { Run([this, &s] { RunDeviceManager(s, this); }); });
    connect(Action(MenuItem::Config), &QAction::triggered, this,
            [this, &s] { Run([this, &s] { RunConfigCommand(s, this); }); });
    connect(Action(MenuItem::ShowTerminal), &QAction::triggered, this, &MainWindow::ToggleTerminal);
    connect(Action(MenuItem::ClearTerminal), &QAction::triggered, this,
            [this, &s] { Run([&s] { TerminalClear(s); }); });
    connect(Action(MenuItem::Info), &QAction::triggered, this, &MainWindow::ShowAbout);
    ConnectRoleCommands();
    connect(Action(MenuItem::Production), &QAction::triggered, this, &MainWindow::ShowProduction);
}

// --- commands ---

void MainWindow::AfterCommand() {
    if (production_ != nullptr && production_->Panel().CycleEndedSinceRefresh()) {
        production_->CycleEnded();
    }
    if (closePending_ && !ended_) {
        // Not from inside the handler that has just returned: from the loop.
        QTimer::singleShot(0, this, [this] { RequestClose(); });
    }
}

void MainWindow::Initialise() {
    if (initialised_ || ended_) return;
    initialised_ = true;
    Run([this] { StartUp(*station_); });
    ApplyWindowSize();
    RestorePlace();
}

void MainWindow::RequestClose() {
    if (ended_) return;
    if (depth_ > 0) {
        closePending_ = true;
        dismissTimer_->start();
        return;
    }
    ++depth_;
    CloseCommand(*station_);
    --depth_;
    done(Rejected);
}

void MainWindow::DismissModalsForClose() {
    if (ended_ || depth_ == 0) {
        dismissTimer_->stop();
        return;
    }
    // A command that waits for the operator (a message box, a dialog of its
    // own) is answered as with Escape, so that the window can close.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == this) return;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else {
        modal->close();
    }
}

void MainWindow::done(int result) {
    if (ended_) {
        QDialog::done(result);
        return;
    }
    if (depth_ > 0) {
        // Ended from inside a command: end once it is over.
        closePending_ = true;
        dismissTimer_->start();
        return;
    }
    ended_ = true;
    if (production_ != nullptr) production_->hide();
    if (initialised_) {
        RememberPlace();
        ++depth_;
        ShutDown(*station_);
        --depth_;
    }
    for (auto& [id, timer] : timers_) timer->stop();
    dismissTimer_->stop();
    QDialog::done(result);
}

void MainWindow::OnTimerTick(TimerId id) {
    // A tick that comes while a command runs (through a Reader wait or a
    // message box) is skipped; the next one does the work.
    if (ended_ || depth_ > 0) return;
    Run([this, id] { OnTimer(*station_, id); });
    // The events waiting change between commands, as the broker takes them.
    if (id == TimerId::Messages && LineEventsText(*station_) != shownEvents_) {
        shownEvents_ = LineEventsText(*station_);
        RefreshStatusLine();
    }
}

void MainWindow::ToggleSelect(int page) {
    Run([this, page] {
        TransponderImage& image = station_->image;
        if (page == 0) {
            image.selectAll = image.selectAll == 1 ? 0 : 1;
            SelectAllClicked(*station_);
        } else {
            int& flag = image.selected.at(static_cast<std::size_t>(page - 1));
            flag = flag == 1 ? 0 : 1;
            SelectPageClicked(*station_, page);
        }
    });
}

void MainWindow::ToggleTerminal() {
    Run([this] { TerminalToggleShow(*station_); });
    ApplyWindowSize();
}

void MainWindow::ShowAbout() {
    Run([this] {
        AboutDialog about(this);
        about.exec();
    });
}

void MainWindow::RunBeside(const std::function<void()>& work) { Run(work); }

void MainWindow::ShowProduction() {
    if (ended_) return;
    if (production_ == nullptr) production_ = new ProductionWindow(*this);
    if (!production_->isVisible()) {
        production_->show();
        production_->RefreshNow();
    }
    production_->raise();
    production_->activateWindow();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // Enter that no field or button took: the OK command.
        Run([this] { OkCommand(*station_); });
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        // Never the end of the station: a stray Escape on a production line
        // must not stop it.
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!HandleCloseRequest()) {
        event->ignore();
        return;
    }
    RequestClose();
    if (ended_) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (readerWaiting_ && DropDuringWait(watched, event)) return true;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->isAutoRepeat() &&
        (watched == Control(MainControl::One) || watched == Control(MainControl::ContOn))) {
        return true;  // see InstallKeys
    }
    if (event->type() == QEvent::FocusOut && depth_ == 0 && !ended_) {
        // Focus that moves because a command moved it, or because another
        // window came to the front, is not the operator leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            Station& s = *station_;
            if (watched == Control(MainControl::NextField)) {
                Run([&s] { CommitNext(s); });
            } else if (watched == Control(MainControl::MaxField)) {
                Run([&s] { CommitMax(s); });
            } else if (watched == Control(MainControl::CarrierId)) {
                Run([&s] { CheckCarrierIdLength(s); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool MainWindow::DropDuringWait(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            // The window passes them on to its widgets, where they are
            // dropped; it keeps its own record of the pressed button.
            if (qobject_cast<QWindow*>(watched) != nullptr) return false;
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            break;
        default:
            return false;
    }
    // A button pressed before the wait began would stay down without its
    // release; it comes up without a click.
    const bool release =
        event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease;
    if (auto* button = qobject_cast<QAbstractButton*>(watched); release && button != nullptr) {
        if (button->isDown()) button->setDown(false);
    }
    return true;
}

// --- the view ---

}  // namespace tagwright::gui
