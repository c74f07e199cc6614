#pragma once
// Interface > Settings and Interface > Device Manager of the main window.

class QWidget;

namespace tagwright {
class Station;

void RunInterfaceSettings(Station& station, QWidget* parent);
void RunDeviceManager(Station& station, QWidget* parent);

}  // namespace tagwright
