#include "controls/XColorStatic.h"

#include <QApplication>

#include "controls/Colours.h"

namespace tagwright::gui {

CXColorStatic::CXColorStatic(QWidget* parent) : CXColorStatic(QString(), parent) {}

CXColorStatic::CXColorStatic(const QString& text, QWidget* parent)
    : QLabel(text, parent),
      textColour_(QApplication::palette().color(QPalette::ButtonText)),
      backgroundColour_(QApplication::palette().color(QPalette::Button)) {
    setAutoFillBackground(true);
    setTextFormat(Qt::PlainText);
    SetTextAlignment(Qt::AlignLeft);
    ApplyColours(false);
}

void CXColorStatic::SetTextColour(const QColor& colour, bool redraw) {
    textColour_ = colour;
    ApplyColours(redraw);
}

void CXColorStatic::SetTextColour(Rgb colour, bool redraw) {
    SetTextColour(ToQColor(colour), redraw);
}

void CXColorStatic::SetBackgroundColour(const QColor& colour, bool redraw) {
    backgroundColour_ = colour;
    ApplyColours(redraw);
}

void CXColorStatic::SetBackgroundColour(Rgb colour, bool redraw) {
    SetBackgroundColour(ToQColor(colour), redraw);
}

void CXColorStatic::SetBold(bool bold, bool redraw) {
    bold_ = bold;
    SetFont(font(), redraw);
}

void CXColorStatic::SetFont(const QFont& font, bool redraw) {
    SetOwnFont(*this, font, bold_, redraw);
}

void CXColorStatic::SetTextAlignment(Qt::Alignment alignment) {
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    const bool oneLine = (alignment & Qt::AlignVCenter) != 0;
    setWordWrap(!oneLine);
    setAlignment(horizontal | (oneLine ? Qt::AlignVCenter : Qt::AlignTop));
}

void CXColorStatic::ApplyColours(bool redraw) {
    QPalette pal = palette();
    SetRoleColour(pal, QPalette::Window, backgroundColour_);
    SetRoleColour(pal, QPalette::WindowText, textColour_);
    setPalette(pal);
    if (redraw) {
        repaint();
    }
}

}  // namespace tagwright::gui
