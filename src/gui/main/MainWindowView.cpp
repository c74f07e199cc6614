#include "gui/main/MainWindow.h"

// The main window as the core's view: taking and showing the field values,
// colours, focus, timers and the traffic field.

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QPushButton>
#include <QTimer>

#include "core/base/Utf8.h"
#include "gui/controls/Colours.h"
#include "gui/controls/ColouredLabel.h"
#include "gui/controls/EnterEdit.h"
#include "gui/controls/Images.h"
#include "gui/controls/Text.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/main/StatusLineWidget.h"

namespace tagwright::gui {

namespace {

// How often the port is looked at when it may have been lost.
constexpr int kPortWatchMs = 1000;

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

void SetEditText(EnterEdit* edit, const std::string& bytes, const Refusal& refusal = {}) {
    // A text the core refuses stays as typed. A control byte may be typed in
    // either form, and setting the same text again would move the caret and
    // drop a selection: a field that already stands for the bytes is left.
    std::string shown;
    if (refusal.For(bytes) == 0 && TakeField(edit->text(), shown).character == 0 &&
        shown == bytes) {
        return;
    }
    const QString text = ShownField(bytes, refusal);
    if (edit->text() != text) edit->setText(text);
}

}  // namespace

QWidget* MainWindow::Control(MainControl c) const {
    const auto i = static_cast<std::size_t>(c);
    return i < widgets_.size() ? widgets_[i] : nullptr;
}

QWidget* MainWindow::Control(StaticControl c) const {
    return widgets_.at(static_cast<std::size_t>(c));
}

QAction* MainWindow::Action(MenuItem item) const { return actions_.at(item); }

EnterEdit* MainWindow::Edit(MainControl c) const { return static_cast<EnterEdit*>(Control(c)); }

QPlainTextEdit* MainWindow::TrafficField() const {
    return static_cast<QPlainTextEdit*>(Control(MainControl::Traffic));
}

void MainWindow::TakeFieldValues() {
    Station& s = *station_;
    // The core turns what every field holds into bytes and refuses what no
    // byte stands for.
    for (int p = 1; p <= kPageCount; ++p) {
        s.image.TakeTyped(p, Edit(PageField(p))->text().toStdString());
    }
    ManualCarrierIdTexts& manual = s.settings.manual;
    s.carrierId.nextRefusal = TakeField(Edit(MainControl::NextField)->text(), s.carrierId.nextText);
    s.settings.carrierIdMaxRefusal =
        TakeField(Edit(MainControl::MaxField)->text(), s.settings.carrierIdMax);
    manual.offsetRefusal =
        TakeField(Edit(MainControl::CarrierIdOffset)->text(), manual.carrierIdOffset);
    manual.lengthRefusal =
        TakeField(Edit(MainControl::CarrierIdLength)->text(), manual.carrierIdLength);
    manual.carrierIdRefusal = TakeField(Edit(MainControl::CarrierId)->text(), manual.carrierId);
    s.uidRefusal = TakeField(Edit(MainControl::Uid)->text(), s.uidText);
    s.terminal.commandRefusal =
        TakeField(Edit(MainControl::TerminalCommand)->text(), s.terminal.commandText);
    TakeTrafficEdits();
}

void MainWindow::ShowFieldValues() {
    Station& s = *station_;
    for (int p = 1; p <= kPageCount; ++p) {
        SetEditText(Edit(PageField(p)), s.image.FieldText(p),
                    s.image.refusals[static_cast<std::size_t>(p - 1)]);
    }
    const ManualCarrierIdTexts& manual = s.settings.manual;
    SetEditText(Edit(MainControl::NextField), s.carrierId.nextText, s.carrierId.nextRefusal);
    SetEditText(Edit(MainControl::MaxField), s.settings.carrierIdMax,
                s.settings.carrierIdMaxRefusal);
    SetEditText(Edit(MainControl::CarrierIdOffset), manual.carrierIdOffset, manual.offsetRefusal);
    SetEditText(Edit(MainControl::CarrierIdLength), manual.carrierIdLength, manual.lengthRefusal);
    SetEditText(Edit(MainControl::CarrierId), manual.carrierId, manual.carrierIdRefusal);
    SetEditText(Edit(MainControl::Uid), s.uidText, s.uidRefusal);
    SetEditText(Edit(MainControl::TerminalCommand), s.terminal.commandText,
                s.terminal.commandRefusal);
    static_cast<QLabel*>(Control(MainControl::StatusField))
        ->setText(FieldText(s.run.continuousMode && !s.continuous.status.empty()
                                ? s.continuous.status
                                : s.settings.currentSetName));
    ShowTraffic();
    ApplyAllStates();
    RefreshStatusLine();
}

void MainWindow::RedrawControl(MainControl control) {
    ApplyState(control);
    // Painted with the next pass of the event loop, which a Reader wait
    // runs: one paint for all the changes of an exchange.
    if (QWidget* w = Control(control); w != nullptr && w->isVisible()) w->update();
}

void MainWindow::SetFocus(MainControl control, bool selectAll) {
    QWidget* w = Control(control);
    if (w == nullptr) return;
    w->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(w); edit != nullptr && selectAll) {
        // Selecting leaves the caret at the end, which the field scrolls into view.
        edit->selectAll();
    }
}

MsgAnswer MainWindow::ShowMessage(const MessageRequest& request) {
    return messages_.ShowMessage(request);
}

void MainWindow::StartTimer(TimerId id, int periodMs) {
    // The idle tick has no work of its own: running it would only wake the
    // window.
    if (ended_ || id == TimerId::Idle) return;
    QTimer*& timer = timers_[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id, timer] {
            // A tick inside a running command (a Reader wait, a message box)
            // touches nothing; the next one does the work.
            if (ended_ || depth_ > 0) return;
            OnTimerTick(id);
            // The cycle tick has work only while a cycle is asked for; the
            // next "  One" starts it again.
            if (id == TimerId::Cycle && !ended_ && !station_->run.oneRequested) timer->stop();
        });
    }
    timer->start(periodMs);
}

void MainWindow::StopTimer(TimerId id) {
    if (auto it = timers_.find(id); it != timers_.end()) it->second->stop();
}

void MainWindow::RepaintWindow() { update(); }

bool MainWindow::PaneShown() const { return station_->terminal.shown; }

void MainWindow::ApplyFieldColours(EnterEdit* edit, const ControlState& state) {
    const QColor background = ToQColor(state.background);
    // A disabled field writes in a grey of disabled text, whatever its own
    // colour, that can still be read on its background.
    const QColor text =
        ToQColor(state.enabled ? state.foreground : DisabledTextOn(state.background));
    if (edit->BackgroundColour() != background) edit->SetBackgroundColour(background, false);
    if (edit->TextColour() != text) edit->SetTextColour(text, false);
}

void MainWindow::ApplyImage(QWidget* w, const LayoutEntry& entry, const ControlState& state) {
    auto* button = static_cast<ImageButton*>(w);
    const auto& images = entry.kind == LayoutKind::SelectBox ? selectImages_ : choiceImages_;
    const QPixmap& image = images[state.imageOn ? 1 : 0];
    if (button->Image().cacheKey() != image.cacheKey()) button->SetImage(image);
}

void MainWindow::ApplyState(MainControl c) {
    const ControlState& state = station_->window.Control(c);
    if (c == MainControl::MenuExit || c == MainControl::MenuInfo || c == MainControl::MenuConfig) {
        const MenuItem item = c == MainControl::MenuExit   ? MenuItem::Exit
                              : c == MainControl::MenuInfo ? MenuItem::Info
                                                           : MenuItem::Config;
        Action(item)->setEnabled(state.enabled);
        return;
    }
    QWidget* w = Control(c);
    const LayoutEntry* entry = FindLayout(LayoutId(c));
    if (w == nullptr || entry == nullptr) return;

    switch (entry->kind) {
        case LayoutKind::PageField:
        case LayoutKind::NumberField:
        case LayoutKind::CommandField:
            ApplyFieldColours(static_cast<EnterEdit*>(w), state);
            break;
        case LayoutKind::SelectBox:
        case LayoutKind::ChoiceButton:
            ApplyImage(w, *entry, state);
            break;
        case LayoutKind::Label:
        case LayoutKind::BorderedLabel:
            // The other labels stay white on black; the status field has
            // colours of its own.
            if (c == MainControl::StatusField) {
                auto* label = static_cast<ColouredLabel*>(w);
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
                const QString label = FieldText(station_->run.contOnLabel);
                if (button->text() != label) button->setText(label);
            }
            break;
        default:
            break;
    }
    w->setEnabled(state.enabled);
    w->setVisible(state.visible && (!entry->inTerminalPane || PaneShown()));
}

void MainWindow::ApplyAllStates() {
    for (std::size_t i = 0; i < kMainControlCount; ++i) ApplyState(static_cast<MainControl>(i));
    for (StaticControl c : {StaticControl::TerminalGroup, StaticControl::TerminalLabel}) {
        Control(c)->setVisible(PaneShown());
    }
    QAction* show = Action(MenuItem::ShowTerminal);
    if (show->isChecked() != PaneShown()) show->setChecked(PaneShown());
    ApplyRoleMenu();
}

void MainWindow::ApplyWindowSize() {
    // The terminal pane lies right of the narrow window's edge; it is also
    // hidden so that no sliver of it shows where a frame is thinner.
    ApplyAllStates();
    resize(station_->WindowWidth(), Station::kWindowHeight);
}

QWidget* MainWindow::BuildStatusLine() {
    statusLine_ = new StatusLineWidget(this);
    watchTimer_ = new QTimer(this);
    connect(watchTimer_, &QTimer::timeout, this, &MainWindow::WatchPort);
    watchTimer_->start(kPortWatchMs);
    return statusLine_;
}

void MainWindow::ShowCycleProgress() {
    if (!station_->run.cycleRunning || statusLine_ == nullptr) return;
    const std::string progress = CycleProgress(station_->reader.traffic.Newest());
    if (!progress.empty()) statusLine_->ShowProgress(QString::fromStdString(progress));
}

void MainWindow::WatchPort() {
    // Never inside a command or a cycle, nor before start-up has opened the
    // port the first time.
    if (ended_ || !initialised_ || depth_ > 0 || station_->run.oneRequested) return;
    const PortCondition before = portCondition_;
    portCondition_ = watcher_.Check(*station_);
    if (portCondition_ != before) RefreshStatusLine();
}

std::string MainWindow::PortState() const {
    const SerialPort& port = station_->reader.port;
    PortCondition condition = PortCondition::Closed;
    if (port.PortLost()) {
        condition = PortCondition::Lost;
    } else if (port.portOpen) {
        condition = portCondition_ == PortCondition::Reopened ? PortCondition::Reopened
                                                               : PortCondition::Open;
    }
    return PortWatcher::Words(condition);
}

void MainWindow::RefreshStatusLine() {
    if (statusLine_ == nullptr || station_ == nullptr) return;
    statusLine_->Show(DescribeStatus(*station_, PortState()));
}

void MainWindow::ShowTraffic() {
    const bool fresh = shownTrafficRevision_ == kNothingShown;
    const TrafficChange change = station_->reader.traffic.ChangesSince(shownTrafficRevision_);
    if (change.revision == shownTrafficRevision_) return;
    shownTrafficRevision_ = change.revision;
    std::string text;
    for (const TrafficLine& line : change.lines) {
        if (trafficTimestamps_) text += TrafficTimestamp(line.time);
        text += line.text;
    }
    QPlainTextEdit* field = TrafficField();
    QTextDocument* document = field->document();
    // Programmed inserts would pile up in the undo stack without end.
    if (document->isUndoRedoEnabled()) document->setUndoRedoEnabled(false);
    if (change.whole || fresh) {
        field->setPlainText(TrafficForDisplay(text));
    } else {
        // Only the new lines go in, at the top; what is there stays.
        QTextCursor top(document);
        top.insertText(TrafficForDisplay(text));
    }
    // The text keeps the newest lines; so does the field (one empty last line
    // follows the final line end).
    const int keep = static_cast<int>(station_->reader.traffic.Bound()) + 1;
    if (document->blockCount() > keep) {
        QTextCursor tail(document);
        tail.setPosition(document->findBlockByNumber(keep - 1).position());
        tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        tail.removeSelectedText();
    }
    document->setModified(false);
}

void MainWindow::TakeTrafficEdits() {
    QPlainTextEdit* field = TrafficField();
    if (!field->document()->isModified()) return;
    // The operator changed the field. Lines that came in since it was last
    // shown stay on top of the edited text.
    TrafficText& traffic = station_->reader.traffic;
    std::string text;
    const TrafficChange change = traffic.ChangesSince(shownTrafficRevision_);
    if (!change.whole && shownTrafficRevision_ != kNothingShown) {
        for (const TrafficLine& line : change.lines) text += line.text;
    }
    text += TrafficFromDisplay(field->toPlainText());
    traffic.Set(text);
    field->document()->setModified(false);
}

void MainWindow::SetTrafficTimestamps(bool on) {
    trafficTimestamps_ = on;
    // Stamped lines are shown, not kept: the field is not edited then.
    TrafficField()->setReadOnly(on);
    TakeTrafficEdits();
    shownTrafficRevision_ = kNothingShown;
    ShowTraffic();
}

void MainWindow::AddFileItems(QMenu* file) {
    auto* open = new QAction(QStringLiteral("Open &record folder"), file);
    file->insertAction(Action(MenuItem::Exit), open);
    file->insertSeparator(Action(MenuItem::Exit));
    actions_[MenuItem::OpenRecordFolder] = open;
    connect(open, &QAction::triggered, this, &MainWindow::OpenRecordFolder);
}

void MainWindow::OpenRecordFolder() {
    // The desktop's file manager, on the folder of the next row's file. A
    // folder that is not there is said so: a file manager would only show an
    // error of its own, or nothing at all.
    const std::filesystem::path folder =
        std::filesystem::path(RecordFilePath(*station_)).parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        messages_.ShowMessage({"The record folder does not exist:\r\n" + MessagePath(folder), "",
                               MsgIcon::Warning, MsgButtons::Ok});
        return;
    }
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder.string()));
    if (!QDesktopServices::openUrl(url)) {
        messages_.ShowMessage({"No file manager could open the record folder:\r\n" +
                                   MessagePath(folder),
                               "", MsgIcon::Warning, MsgButtons::Ok});
    }
}

void MainWindow::AddTerminalOptions(QMenu* terminal) {
    QAction* stamps = terminal->addAction(QStringLiteral("&Time Stamps"));
    stamps->setCheckable(true);
    actions_[MenuItem::TrafficTimestamps] = stamps;
    connect(stamps, &QAction::toggled, this, [this](bool on) {
        if (!ended_) SetTrafficTimestamps(on);
    });
}

}  // namespace tagwright::gui
