#include "gui/controls/Colours.h"

#include <QFont>
#include <QWidget>

namespace tagwright::gui {

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
