#include "gui/main/MainWindow.h"

// The main window as the core's view: taking and showing the field values,
// colours, focus, timers and the traffic field.

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "gui/controls/Colours.h"
#include "gui/controls/ColouredLabel.h"
#include "gui/controls/EnterEdit.h"
#include "gui/controls/Images.h"
#include "gui/controls/Text.h"
#include "gui/controls/MessageBoxes.h"

namespace tagwright::gui {

namespace {

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

void SetEditText(EnterEdit* edit, const std::string& bytes) {
    const QString text = FieldText(bytes);
    // Setting the same text again would move the caret and drop a selection.
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
    for (int p = 1; p <= kPageCount; ++p) {
        s.image.FieldText(p) = FieldBytes(Edit(PageField(p))->text());
    }
    s.carrierId.nextText = FieldBytes(Edit(MainControl::NextField)->text());
    s.settings.carrierIdMax = FieldBytes(Edit(MainControl::MaxField)->text());
    s.settings.manual.carrierIdOffset = FieldBytes(Edit(MainControl::CarrierIdOffset)->text());
    s.settings.manual.carrierIdLength = FieldBytes(Edit(MainControl::CarrierIdLength)->text());
    s.settings.manual.carrierId = FieldBytes(Edit(MainControl::CarrierId)->text());
    s.uidText = FieldBytes(Edit(MainControl::Uid)->text());
    s.terminal.commandText = FieldBytes(Edit(MainControl::TerminalCommand)->text());
    TakeTrafficEdits();
}

void MainWindow::ShowFieldValues() {
    Station& s = *station_;
    for (int p = 1; p <= kPageCount; ++p) SetEditText(Edit(PageField(p)), s.image.FieldText(p));
    SetEditText(Edit(MainControl::NextField), s.carrierId.nextText);
    SetEditText(Edit(MainControl::MaxField), s.settings.carrierIdMax);
    SetEditText(Edit(MainControl::CarrierIdOffset), s.settings.manual.carrierIdOffset);
    SetEditText(Edit(MainControl::CarrierIdLength), s.settings.manual.carrierIdLength);
    SetEditText(Edit(MainControl::CarrierId), s.settings.manual.carrierId);
    SetEditText(Edit(MainControl::Uid), s.uidText);
    SetEditText(Edit(MainControl::TerminalCommand), s.terminal.commandText);
    static_cast<QLabel*>(Control(MainControl::StatusField))
        ->setText(FieldText(s.run.continuousMode && !s.continuous.status.empty()
                                ? s.continuous.status
                                : s.settings.currentSetName));
    ShowTraffic();
    ApplyAllStates();
}

void MainWindow::RedrawControl(MainControl control) {
    ApplyState(control);
    if (QWidget* w = Control(control); w != nullptr && w->isVisible()) w->repaint();
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
    if (ended_) return;
    QTimer*& timer = timers_[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { OnTimerTick(id); });
    }
    timer->start(periodMs);
}

void MainWindow::StopTimer(TimerId id) {
    if (auto it = timers_.find(id); it != timers_.end()) it->second->stop();
}

void MainWindow::RepaintWindow() { repaint(); }

bool MainWindow::PaneShown() const { return station_->terminal.shown; }

void MainWindow::ApplyFieldColours(EnterEdit* edit, const ControlState& state) {
    const QColor background = ToQColor(state.background);
    // A disabled field writes in the grey of disabled text, whatever its own
    // colour.
    const QColor text = ToQColor(state.enabled ? state.foreground : colour::DisabledText);
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
}

void MainWindow::ApplyWindowSize() {
    // The terminal pane lies right of the narrow window's edge; it is also
    // hidden so that no sliver of it shows where a frame is thinner.
    ApplyAllStates();
    resize(station_->WindowWidth(), Station::kWindowHeight);
}

void MainWindow::ShowTraffic() {
    TrafficText& traffic = station_->reader.traffic;
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

void MainWindow::TakeTrafficEdits() {
    QPlainTextEdit* field = TrafficField();
    if (!field->document()->isModified()) return;
    // The operator changed the field. Lines that came in since it was shown
    // stand above what was shown; they stay on top of the edited text.
    std::string edited = TrafficFromDisplay(field->toPlainText());
    const std::string model = station_->reader.traffic.Text();
    std::string arrived;
    if (model.size() >= shownTraffic_.size() &&
        model.compare(model.size() - shownTraffic_.size(), std::string::npos, shownTraffic_) == 0) {
        arrived = model.substr(0, model.size() - shownTraffic_.size());
    }
    station_->reader.traffic.Set(arrived + edited);
    field->document()->setModified(false);
    shownTraffic_ = std::move(edited);
}

}  // namespace tagwright::gui
