#pragma once
// Single-line input field that tells its window when the operator confirms
// the entry. Which keys notify differs by field; that is a matter of two
// flags, not of separate classes:
//
//   number   Enter       Tab            losing the focus   used for
//   0        completed   moves focus    -                  terminal command line
//   1..17    completed   moves focus    -                  main window page fields
//   18..21   completed   moves focus    completed          main window carrier ID fields
//   22       completed   tabbed         completed          Config carrier ID fields
//   23..25   completed   tabbed         -                  Config and Pages 3-17 byte fields
//
// The field keeps Enter and Escape in every case, so that neither presses a
// dialog's default button nor closes the window the field sits in.

#include <QColor>
#include <QLineEdit>

#include "core/base/Presentation.h"

namespace tagwright::gui {

struct EnterEditKind {
    int number = 0;               // 0 for the plain field, else 1..25
    bool tabNotifies = false;     // Tab sends tabbed() instead of moving the focus
    bool leaveCompletes = false;  // losing the focus sends completed() as Enter does

    static constexpr EnterEditKind Plain() { return {}; }
    // The kind of field NUMBER (1..25) of the table above; anything else is Plain.
    static constexpr EnterEditKind Numbered(int number) {
        if (number < 1 || number > 25) {
            return Plain();
        }
        return {number, number >= 22, number >= 18 && number <= 22};
    }
    friend constexpr bool operator==(const EnterEditKind&, const EnterEditKind&) = default;
};

class EnterEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit EnterEdit(QWidget* parent = nullptr);
    explicit EnterEdit(EnterEditKind kind, QWidget* parent = nullptr);

    const EnterEditKind& Kind() const { return kind_; }

    // The id the notifications carry; chosen by the owning window.
    void SetControlId(int id) { controlId_ = id; }
    int ControlId() const { return controlId_; }

    // Each field keeps its own colours and weight through every repaint, in
    // every state (also disabled). REDRAW repaints at once.
    void SetTextColour(const QColor& colour, bool redraw);
    void SetTextColour(Rgb colour, bool redraw);
    void SetBackgroundColour(const QColor& colour, bool redraw);
    void SetBackgroundColour(Rgb colour, bool redraw);
    void SetBold(bool bold, bool redraw);
    // FONT with the weight of the bold flag.
    void SetFont(const QFont& font, bool redraw);

    QColor TextColour() const { return textColour_; }
    QColor BackgroundColour() const { return backgroundColour_; }
    bool Bold() const { return bold_; }

signals:
    void completed(int controlId);
    void tabbed(int controlId);
    // Every loss of the input focus, whatever the kind; for windows that act
    // on leaving a field without it being a completion.
    void focusLost(int controlId);
    // Up (-1) or Down (+1) without modifiers: a step through the field's
    // history, for windows that keep one.
    void historyStep(int controlId, int direction);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ApplyColours(bool redraw);
    void Notify(bool tab);

    EnterEditKind kind_;
    int controlId_ = 0;
    QColor textColour_;
    QColor backgroundColour_;
    bool bold_ = false;
    // Set while a handler of ours runs: a message box it opens takes the
    // focus away, and that must not start the same handler again inside it.
    bool notifying_ = false;
};

}  // namespace tagwright::gui
