#pragma once
// The program's pictures, drawn at run time: the window icon, the logo of the
// main window and the picture of the About box.

#include <QIcon>
#include <QPixmap>

namespace tagwright::gui {

inline constexpr int kLogoWidth = 228;
inline constexpr int kLogoHeight = 49;
inline constexpr int kAboutPictureSize = 460;

// A transponder tag, at 16, 32 and 48 pixels.
QIcon AppIcon();

// The word Tagwright beside a small tag, on black.
QPixmap LogoPicture();

// A tag above the loop antenna of a Reader, with the program's name.
QPixmap AboutPicture();

}  // namespace tagwright::gui
