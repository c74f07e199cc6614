#pragma once
// Colours between the core's Rgb values and Qt palettes. Every control here
// paints from its palette, so a colour has to be set in all colour groups:
// otherwise a disabled or inactive control would fall back to the style's
// own shades instead of the colours the window chose.

#include <QColor>
#include <QPalette>

#include "core/base/Presentation.h"

class QFont;
class QWidget;

namespace tagwright::gui {

inline QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

inline Rgb ToRgb(const QColor& c) {
    return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue())};
}

// The contrast ratio of two colours, 1 to 21, as the web accessibility
// guidelines define it (relative luminance of sRGB).
double ContrastRatio(Rgb a, Rgb b);
// The grey a disabled field writes in on BACKGROUND: the usual disabled grey
// where it is readable (at least 4.5:1), else the nearest grey that is.
Rgb DisabledTextOn(Rgb background);
inline constexpr double kReadableContrast = 4.5;

// Sets ROLE to COLOUR in the Active, Inactive and Disabled groups alike.
void SetRoleColour(QPalette& palette, QPalette::ColorRole role, const QColor& colour);

// Gives WIDGET its own copy of FONT with the weight of BOLD (700 or 400),
// repainting at once when REDRAW is set: the coloured controls keep their
// weight through every font change.
void SetOwnFont(QWidget& widget, const QFont& font, bool bold, bool redraw);

// The look of every window of the program: a black background with white
// labels. Children inherit it; input fields keep their own white base.
void MakeBlackWindow(QWidget& window);

}  // namespace tagwright::gui
