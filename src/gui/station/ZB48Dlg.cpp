#include "station/ZB48Dlg.h"

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

#include "config/ConfigCommand.h"
#include "controls/Colours.h"
#include "controls/EnterEdit.h"
#include "controls/Images.h"
#include "controls/Text.h"
#include "controls/XColorStatic.h"
#include "production/CarrierIdSource.h"
#include "production/ProgrammingCycle.h"
#include "reader/InterfaceSettingsCommand.h"
#include "reader/ManualOperations.h"
#include "reader/Terminal.h"
#include "resources/Pictures.h"
#include "station/AboutDlg.h"
#include "station/MainWindow.h"
#include "station/SpinArrows.h"

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

// The traffic text keeps CR LF line ends; the field shows plain lines.
QString TrafficForDisplay(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            shown += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            shown += text[i];
        }
    }
    return FieldText(shown);
}

std::string TrafficFromDisplay(const QString& text) {
    std::string bytes = FieldBytes(text);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void SetEditText(CEnterEdit* edit, const std::string& bytes) {
    const QString text = FieldText(bytes);
    // Setting the same text again would move the caret and drop a selection.
    if (edit->text() != text) edit->setText(text);
}

void MakeWhiteOnBlack(CXColorStatic* label) {
    label->SetTextColour(colour::White, false);
    label->SetBackgroundColour(colour::Black, false);
}

}  // namespace

template <class F>
void CZB48Dlg::Run(F&& work) {
    if (ended_) return;
    ++depth_;
    work();
    --depth_;
    if (depth_ == 0) AfterCommand();
}

CZB48Dlg::CZB48Dlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Tagwright"));
    setWindowIcon(AppIcon());
    setFont(MainFont());
    MakeBlackWindow(*this);

    selectImages_ = {SelectBoxImage(false), SelectBoxImage(true)};
    choiceImages_ = {ChoiceImage(false), ChoiceImage(true)};

    station_ = std::make_unique<Station>(*this, clock_);

    BuildMenu();
    BuildControls();
    ConnectCommands();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(client_);

    dismissTimer_ = new QTimer(this);
    dismissTimer_->setInterval(kDismissIntervalMs);
    connect(dismissTimer_, &QTimer::timeout, this, &CZB48Dlg::DismissModalsForClose);

    // While a command waits for the Reader, the window is kept painted and
    // the Reader's lines keep coming in; the operator's input waits.
    station_->link.SetWaitHook(
        [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
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

    ApplyWindowSize();
}

CZB48Dlg::~CZB48Dlg() {
    if (!ended_) {
        ended_ = true;
        if (initialised_) {
            ++depth_;
            ShutDown(*station_);
            --depth_;
        }
    }
    for (MainControl c : {MainControl::NextField, MainControl::MaxField, MainControl::CarrierId}) {
        Control(c)->removeEventFilter(this);
    }
    // The receiver posts to this window: stop it before the window goes.
    DisconnectTrafficReceiver(*station_);
    station_->port.ClosePort();
    station_.reset();
}

void CZB48Dlg::BuildMenu() {
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

    QMenu* help = menuBar_->addMenu(QStringLiteral("&?"));
    actions_[MenuItem::Info] = help->addAction(QStringLiteral("&Info"));
    // The frame's own menu cannot take items here, so the About box is
    // reached through ? > Info only.
}

void CZB48Dlg::BuildControls() {
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

QWidget* CZB48Dlg::CreateControl(const LayoutEntry& entry) {
    const QString text = QString::fromLatin1(entry.text.c_str());
    switch (entry.kind) {
        case LayoutKind::PageField:
        case LayoutKind::NumberField: {
            auto* edit = new CEnterEdit(EnterEditKind::Numbered(entry.fieldNumber), client_);
            edit->SetControlId(entry.id);
            edit->SetBackgroundColour(colour::White, false);
            edit->SetTextColour(colour::Black, false);
            return edit;
        }
        case LayoutKind::CommandField: {
            auto* edit = new CEnterEdit(client_);
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
        case LayoutKind::BorderedLabel: {
            auto* label = new CXColorStatic(text, client_);
            label->SetTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            // The terminal's title keeps the control's own colours.
            if (entry.id != LayoutId(StaticControl::TerminalLabel)) MakeWhiteOnBlack(label);
            if (entry.kind == LayoutKind::BorderedLabel) {
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setLineWidth(1);
            }
            return label;
        }
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

void CZB48Dlg::ConnectCommands() {
    Station& s = *station_;
    auto button = [this](MainControl c) { return static_cast<QAbstractButton*>(Control(c)); };
    auto onClick = [this, button](MainControl c, auto work) {
        connect(button(c), &QAbstractButton::clicked, this, [this, work] { Run(work); });
    };

    for (int p = 1; p <= kPageCount; ++p) {
        connect(Edit(PageField(p)), &CEnterEdit::completed, this,
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

    connect(static_cast<SpinArrows*>(Control(MainControl::NextSpin)), &SpinArrows::stepped, this,
            [this, &s](int delta) { Run([&s, delta] { StepNext(s, delta); }); });
    connect(static_cast<SpinArrows*>(Control(MainControl::MaxSpin)), &SpinArrows::stepped, this,
            [this, &s](int delta) { Run([&s, delta] { StepMax(s, delta); }); });
    // Leaving these fields is a command of its own (see eventFilter).
    for (MainControl c : {MainControl::NextField, MainControl::MaxField, MainControl::CarrierId}) {
        Control(c)->installEventFilter(this);
    }

    onClick(MainControl::Send, [&s] { TerminalSend(s); });
    connect(Edit(MainControl::TerminalCommand), &CEnterEdit::completed, this,
            [this, &s] { Run([&s] { TerminalEnter(s); }); });

    connect(Action(MenuItem::Exit), &QAction::triggered, this, [this] { done(Accepted); });
    connect(Action(MenuItem::Settings), &QAction::triggered, this,
            [this, &s] { Run([this, &s] { RunInterfaceSettings(s, this); }); });
    connect(Action(MenuItem::DeviceManager), &QAction::triggered, this,
            [this, &s] { Run([this, &s] { RunDeviceManager(s, this); }); });
    connect(Action(MenuItem::Config), &QAction::triggered, this,
            [this, &s] { Run([this, &s] { RunConfigCommand(s, this); }); });
    connect(Action(MenuItem::ShowTerminal), &QAction::triggered, this, &CZB48Dlg::ToggleTerminal);
    connect(Action(MenuItem::ClearTerminal), &QAction::triggered, this,
            [this, &s] { Run([&s] { TerminalClear(s); }); });
    connect(Action(MenuItem::Info), &QAction::triggered, this, &CZB48Dlg::ShowAbout);
}

// --- commands ---

void CZB48Dlg::AfterCommand() {
    if (closePending_ && !ended_) {
        // Not from inside the handler that has just returned: from the loop.
        QTimer::singleShot(0, this, [this] { RequestClose(); });
    }
}

void CZB48Dlg::Initialise() {
    if (initialised_ || ended_) return;
    initialised_ = true;
    Run([this] { StartUp(*station_); });
    ApplyWindowSize();
}

void CZB48Dlg::RequestClose() {
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

void CZB48Dlg::DismissModalsForClose() {
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

void CZB48Dlg::done(int result) {
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
    if (initialised_) {
        ++depth_;
        ShutDown(*station_);
        --depth_;
    }
    for (auto& [id, timer] : timers_) timer->stop();
    dismissTimer_->stop();
    QDialog::done(result);
}

void CZB48Dlg::OnTimerTick(TimerId id) {
    // A tick that comes while a command runs (through a Reader wait or a
    // message box) is skipped; the next one does the work.
    if (ended_ || depth_ > 0) return;
    Run([this, id] { OnTimer(*station_, id); });
}

void CZB48Dlg::ToggleSelect(int page) {
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

void CZB48Dlg::ToggleTerminal() {
    Run([this] { TerminalToggleShow(*station_); });
    ApplyWindowSize();
}

void CZB48Dlg::ShowAbout() {
    Run([this] {
        CAboutDlg about(this);
        about.exec();
    });
}

void CZB48Dlg::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // Enter that no field or button took: the OK command.
        Run([this] { OkCommand(*station_); });
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        done(Rejected);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CZB48Dlg::closeEvent(QCloseEvent* event) {
    RequestClose();
    if (ended_) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool CZB48Dlg::eventFilter(QObject* watched, QEvent* event) {
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

// --- the view ---

QWidget* CZB48Dlg::Control(MainControl c) const {
    const auto i = static_cast<std::size_t>(c);
    return i < widgets_.size() ? widgets_[i] : nullptr;
}

QWidget* CZB48Dlg::Control(StaticControl c) const {
    return widgets_.at(static_cast<std::size_t>(c));
}

QAction* CZB48Dlg::Action(MenuItem item) const { return actions_.at(item); }

CEnterEdit* CZB48Dlg::Edit(MainControl c) const { return static_cast<CEnterEdit*>(Control(c)); }

QPlainTextEdit* CZB48Dlg::TrafficField() const {
    return static_cast<QPlainTextEdit*>(Control(MainControl::Traffic));
}

void CZB48Dlg::TakeFieldValues() {
    Station& s = *station_;
    for (int p = 1; p <= kPageCount; ++p) {
        s.image.FieldText(p) = FieldBytes(Edit(PageField(p))->text());
    }
    s.nextFieldText = FieldBytes(Edit(MainControl::NextField)->text());
    s.settings.carrierIdMax = FieldBytes(Edit(MainControl::MaxField)->text());
    s.settings.manual.carrierIdOffset = FieldBytes(Edit(MainControl::CarrierIdOffset)->text());
    s.settings.manual.carrierIdLength = FieldBytes(Edit(MainControl::CarrierIdLength)->text());
    s.settings.manual.carrierId = FieldBytes(Edit(MainControl::CarrierId)->text());
    s.uidText = FieldBytes(Edit(MainControl::Uid)->text());
    s.commandText = FieldBytes(Edit(MainControl::TerminalCommand)->text());
    TakeTrafficEdits();
}

void CZB48Dlg::ShowFieldValues() {
    Station& s = *station_;
    for (int p = 1; p <= kPageCount; ++p) SetEditText(Edit(PageField(p)), s.image.FieldText(p));
    SetEditText(Edit(MainControl::NextField), s.nextFieldText);
    SetEditText(Edit(MainControl::MaxField), s.settings.carrierIdMax);
    SetEditText(Edit(MainControl::CarrierIdOffset), s.settings.manual.carrierIdOffset);
    SetEditText(Edit(MainControl::CarrierIdLength), s.settings.manual.carrierIdLength);
    SetEditText(Edit(MainControl::CarrierId), s.settings.manual.carrierId);
    SetEditText(Edit(MainControl::Uid), s.uidText);
    SetEditText(Edit(MainControl::TerminalCommand), s.commandText);
    static_cast<QLabel*>(Control(MainControl::StatusField))
        ->setText(FieldText(s.settings.currentSetName));
    ShowTraffic();
    ApplyAllStates();
}

void CZB48Dlg::RedrawControl(MainControl control) {
    ApplyState(control);
    if (QWidget* w = Control(control); w != nullptr && w->isVisible()) w->repaint();
}

void CZB48Dlg::SetFocus(MainControl control, bool selectAll) {
    QWidget* w = Control(control);
    if (w == nullptr) return;
    w->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(w); edit != nullptr && selectAll) {
        // Selecting leaves the caret at the end, which the field scrolls into view.
        edit->selectAll();
    }
}

MsgAnswer CZB48Dlg::ShowMessage(const MessageRequest& request) {
    return messages_.ShowMessage(request);
}

void CZB48Dlg::StartTimer(TimerId id, int periodMs) {
    if (ended_) return;
    QTimer*& timer = timers_[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { OnTimerTick(id); });
    }
    timer->start(periodMs);
}

void CZB48Dlg::StopTimer(TimerId id) {
    if (auto it = timers_.find(id); it != timers_.end()) it->second->stop();
}

void CZB48Dlg::RepaintWindow() { repaint(); }

bool CZB48Dlg::PaneShown() const { return station_->terminalShown; }

void CZB48Dlg::ApplyState(MainControl c) {
    const ControlState& state = station_->Control(c);
    if (c == MainControl::MenuExit || c == MainControl::MenuInfo) {
        Action(c == MainControl::MenuExit ? MenuItem::Exit : MenuItem::Info)
            ->setEnabled(state.enabled);
        return;
    }
    QWidget* w = Control(c);
    const LayoutEntry* entry = FindLayout(LayoutId(c));
    if (w == nullptr || entry == nullptr) return;

    switch (entry->kind) {
        case LayoutKind::PageField:
        case LayoutKind::NumberField:
        case LayoutKind::CommandField: {
            auto* edit = static_cast<CEnterEdit*>(w);
            const QColor background = ToQColor(state.background);
            // A disabled field writes in the grey of disabled text, whatever
            // its own colour.
            const QColor text = ToQColor(state.enabled ? state.foreground : colour::DisabledText);
            if (edit->BackgroundColour() != background) {
                edit->SetBackgroundColour(background, false);
            }
            if (edit->TextColour() != text) edit->SetTextColour(text, false);
            break;
        }
        case LayoutKind::SelectBox:
        case LayoutKind::ChoiceButton: {
            auto* button = static_cast<ImageButton*>(w);
            const auto& images =
                entry->kind == LayoutKind::SelectBox ? selectImages_ : choiceImages_;
            const QPixmap& image = images[state.imageOn ? 1 : 0];
            if (button->Image().cacheKey() != image.cacheKey()) button->SetImage(image);
            break;
        }
        case LayoutKind::Label:
        case LayoutKind::BorderedLabel:
            // The other labels stay white on black; the status field has
            // colours of its own.
            if (c == MainControl::StatusField) {
                auto* label = static_cast<CXColorStatic*>(w);
                const QColor text = ToQColor(state.foreground);
                const QColor background = ToQColor(state.background);
                if (label->TextColour() != text) label->SetTextColour(text, false);
                if (label->BackgroundColour() != background) {
                    label->SetBackgroundColour(background, false);
                }
            }
            break;
        case LayoutKind::PushButton:
            if (c == MainControl::ContOn) {
                auto* button = static_cast<QPushButton*>(w);
                const QString label = FieldText(station_->contOnLabel);
                if (button->text() != label) button->setText(label);
            }
            break;
        default:
            break;
    }
    w->setEnabled(state.enabled);
    w->setVisible(state.visible && (!entry->inTerminalPane || PaneShown()));
}

void CZB48Dlg::ApplyAllStates() {
    for (std::size_t i = 0; i < kMainControlCount; ++i) ApplyState(static_cast<MainControl>(i));
    for (StaticControl c : {StaticControl::TerminalGroup, StaticControl::TerminalLabel}) {
        Control(c)->setVisible(PaneShown());
    }
    QAction* show = Action(MenuItem::ShowTerminal);
    if (show->isChecked() != PaneShown()) show->setChecked(PaneShown());
}

void CZB48Dlg::ApplyWindowSize() {
    // The terminal pane lies right of the narrow window's edge; it is also
    // hidden so that no sliver of it shows where a frame is thinner.
    ApplyAllStates();
    resize(station_->WindowWidth(), Station::kWindowHeight);
}

void CZB48Dlg::ShowTraffic() {
    TrafficText& traffic = station_->traffic;
    const std::uint64_t revision = traffic.Revision();
    if (revision == shownTrafficRevision_) return;
    std::string text = traffic.Text();
    QPlainTextEdit* field = TrafficField();
    shownTrafficRevision_ = revision;
    if (text == shownTraffic_ && !field->document()->isModified()) return;
    field->setPlainText(TrafficForDisplay(text));
    field->document()->setModified(false);
    shownTraffic_ = std::move(text);
}

void CZB48Dlg::TakeTrafficEdits() {
    QPlainTextEdit* field = TrafficField();
    if (!field->document()->isModified()) return;
    // The operator changed the field. Lines that came in since it was shown
    // stand above what was shown; they stay on top of the edited text.
    std::string edited = TrafficFromDisplay(field->toPlainText());
    const std::string model = station_->traffic.Text();
    std::string arrived;
    if (model.size() >= shownTraffic_.size() &&
        model.compare(model.size() - shownTraffic_.size(), std::string::npos, shownTraffic_) == 0) {
        arrived = model.substr(0, model.size() - shownTraffic_.size());
    }
    station_->traffic.Set(arrived + edited);
    field->document()->setModified(false);
    shownTraffic_ = std::move(edited);
}

}  // namespace tagwright::gui
