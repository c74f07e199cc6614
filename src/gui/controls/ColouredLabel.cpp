#include "gui/controls/ColouredLabel.h"

#include <QApplication>

#include "gui/controls/Colours.h"

namespace tagwright::gui {

ColouredLabel::ColouredLabel(QWidget* parent) : ColouredLabel(QString(), parent) {}

ColouredLabel::ColouredLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent),
      textColour_(QApplication::palette().color(QPalette::ButtonText)),
      backgroundColour_(QApplication::palette().color(QPalette::Button)) {
    setAutoFillBackground(true);
    setTextFormat(Qt::PlainText);
    SetTextAlignment(Qt::AlignLeft);
    ApplyColours(false);
}

void ColouredLabel::SetTextColour(const QColor& colour, bool redraw) {
    textColour_ = colour;
    ApplyColours(redraw);
}

void ColouredLabel::SetTextColour(Rgb colour, bool redraw) {
    SetTextColour(ToQColor(colour), redraw);
}

void ColouredLabel::SetBackgroundColour(const QColor& colour, bool redraw) {
    backgroundColour_ = colour;
    ApplyColours(redraw);
}

void ColouredLabel::SetBackgroundColour(Rgb colour, bool redraw) {
    SetBackgroundColour(ToQColor(colour), redraw);
}

void ColouredLabel::SetBold(bool bold, bool redraw) {
    bold_ = bold;
    SetFont(font(), redraw);
}

void ColouredLabel::SetFont(const QFont& font, bool redraw) {
    SetOwnFont(*this, font, bold_, redraw);
}

void ColouredLabel::SetTextAlignment(Qt::Alignment alignment) {
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    const bool oneLine = (alignment & Qt::AlignVCenter) != 0;
    setWordWrap(!oneLine);
    setAlignment(horizontal | (oneLine ? Qt::AlignVCenter : Qt::AlignTop));
}

void ColouredLabel::ApplyColours(bool redraw) {
    QPalette pal = palette();
    SetRoleColour(pal, QPalette::Window, backgroundColour_);
    SetRoleColour(pal, QPalette::WindowText, textColour_);
    setPalette(pal);
    if (redraw) {
        repaint();
    }
}

}  // namespace tagwright::gui
