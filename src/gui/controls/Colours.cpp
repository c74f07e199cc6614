#include "gui/controls/Colours.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QWidget>

namespace tagwright::gui {

namespace {

double Linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(Rgb c) {
    return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b);
}

}  // namespace

double ContrastRatio(Rgb a, Rgb b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb DisabledTextOn(Rgb background) {
    const Rgb usual = colour::DisabledText;
    if (ContrastRatio(usual, background) >= kReadableContrast) return usual;
    // Darker first, keeping the look of grey text; then lighter.
    for (int step = 1; step <= 255; ++step) {
        for (int level : {usual.r - step, usual.r + step}) {
            if (level < 0 || level > 255) continue;
            const auto v = static_cast<std::uint8_t>(level);
            if (ContrastRatio({v, v, v}, background) >= kReadableContrast) return {v, v, v};
        }
    }
    return colour::Black;
}

void SetOwnFont(QWidget& widget, const QFont& font, bool bold, bool redraw) {
    QFont own = font;
    own.setWeight(bold ? QFont::Bold : QFont::Normal);
    widget.setFont(own);
    if (redraw) widget.repaint();
}

void SetRoleColour(QPalette& palette, QPalette::ColorRole role, const QColor& colour) {
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, role, colour);
    }
}

void MakeBlackWindow(QWidget& window) {
    QPalette palette = window.palette();
    SetRoleColour(palette, QPalette::Window, Qt::black);
    SetRoleColour(palette, QPalette::WindowText, Qt::white);
    // Disabled check boxes and group titles must still look disabled.
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
}

}  // namespace tagwright::gui
