#pragma once
// Pictures of the main window for the documentation: manual mode, automatic
// mode and the terminal pane, rendered from sample settings in a scratch
// directory. Works on the offscreen platform.

#include <QString>

namespace tagwright::gui {

// Writes DIR/main-manual.png, DIR/main-automatic.png and DIR/main-terminal.png.
// False (with a line on stderr) when a picture could not be written.
bool RenderScreenshots(const QString& dir);

}  // namespace tagwright::gui
