#pragma once
// A label that keeps its own text colour, background colour and weight,
// whatever the window style or the parent's palette would give it. The
// windows use it for white-on-black labels, bold group titles and the main
// window's status field.

#include <QColor>
#include <QLabel>

#include "core/base/Presentation.h"

namespace tagwright::gui {

class ColouredLabel : public QLabel {
    Q_OBJECT
public:
    explicit ColouredLabel(QWidget* parent = nullptr);
    explicit ColouredLabel(const QString& text, QWidget* parent = nullptr);

    // REDRAW repaints at once; otherwise the change shows with the next paint.
    void SetTextColour(const QColor& colour, bool redraw);
    void SetTextColour(Rgb colour, bool redraw);
    void SetBackgroundColour(const QColor& colour, bool redraw);
    void SetBackgroundColour(Rgb colour, bool redraw);
    void SetBold(bool bold, bool redraw);
    // FONT with the weight of the bold flag.
    void SetFont(const QFont& font, bool redraw);

    // Horizontal placement from ALIGNMENT's horizontal flags. With
    // Qt::AlignVCenter the text is one line, vertically centred; without it
    // the text starts at the top and wraps at word boundaries.
    void SetTextAlignment(Qt::Alignment alignment);

    QColor TextColour() const { return textColour_; }
    QColor BackgroundColour() const { return backgroundColour_; }
    bool Bold() const { return bold_; }

private:
    void ApplyColours(bool redraw);

    QColor textColour_;
    QColor backgroundColour_;
    bool bold_ = false;
};

}  // namespace tagwright::gui
