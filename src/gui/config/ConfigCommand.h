#pragma once
// The Config menu command of the main window: runs the Config dialog and, on
// OK, hands the set to the main window.

class QWidget;

namespace tagwright {
class Station;

void RunConfigCommand(Station& station, QWidget* parent);

}  // namespace tagwright
