#include "gui/controls/EnterEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>

#include "gui/controls/Colours.h"

namespace tagwright::gui {

namespace {

bool IsEnter(const QKeyEvent& e) { return e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter; }

bool IsPlainTab(const QKeyEvent& e) {
    return e.key() == Qt::Key_Tab &&
           !(e.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

}  // namespace

EnterEdit::EnterEdit(QWidget* parent) : EnterEdit(EnterEditKind::Plain(), parent) {}

EnterEdit::EnterEdit(EnterEditKind kind, QWidget* parent) : QLineEdit(parent), kind_(kind) {
    if (kind_.number == 0) {
        // The terminal command line starts with the ordinary field look.
        textColour_ = palette().color(QPalette::Text);
        backgroundColour_ = palette().color(QPalette::Base);
    } else {
        // The numbered fields start in button colours until their window
        // colours them, as the coloured labels do.
        textColour_ = QApplication::palette().color(QPalette::ButtonText);
        backgroundColour_ = QApplication::palette().color(QPalette::Button);
    }
    ApplyColours(false);
}

void EnterEdit::SetTextColour(const QColor& colour, bool redraw) {
    textColour_ = colour;
    ApplyColours(redraw);
}

void EnterEdit::SetTextColour(Rgb colour, bool redraw) { SetTextColour(ToQColor(colour), redraw); }

void EnterEdit::SetBackgroundColour(const QColor& colour, bool redraw) {
    backgroundColour_ = colour;
    ApplyColours(redraw);
}

void EnterEdit::SetBackgroundColour(Rgb colour, bool redraw) {
    SetBackgroundColour(ToQColor(colour), redraw);
}

void EnterEdit::SetBold(bool bold, bool redraw) {
    bold_ = bold;
    SetFont(font(), redraw);
}

void EnterEdit::SetFont(const QFont& font, bool redraw) {
    SetOwnFont(*this, font, bold_, redraw);
}

void EnterEdit::ApplyColours(bool redraw) {
    QPalette pal = palette();
    SetRoleColour(pal, QPalette::Base, backgroundColour_);
    SetRoleColour(pal, QPalette::Window, backgroundColour_);
    SetRoleColour(pal, QPalette::Text, textColour_);
    setPalette(pal);
    if (redraw) {
        repaint();
    }
}

void EnterEdit::Notify(bool tab) {
    // A handler may close and delete the window this field belongs to.
    const QPointer<EnterEdit> self(this);
    const bool wasNotifying = notifying_;
    notifying_ = true;
    if (tab) {
        emit tabbed(controlId_);
    } else {
        emit completed(controlId_);
    }
    if (self) {
        notifying_ = wasNotifying;
    }
}

bool EnterEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keep Enter and Escape from shortcuts of the surrounding window.
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsEnter(*key) || key->key() == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    // Tab has to be caught here: the focus chain takes it before keyPressEvent.
    if (event->type() == QEvent::KeyPress && kind_.tabNotifies &&
        IsPlainTab(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        Notify(true);
        return true;
    }
    return QLineEdit::event(event);
}

void EnterEdit::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(*event)) {
        event->accept();
        Notify(false);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        emit historyStep(controlId_, event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void EnterEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The field's own context menu does not count as leaving it.
    if (event->reason() == Qt::PopupFocusReason) {
        return;
    }
    const QPointer<EnterEdit> self(this);
    emit focusLost(controlId_);
    if (self && kind_.leaveCompletes && !notifying_) {
        Notify(false);
    }
}

}  // namespace tagwright::gui
