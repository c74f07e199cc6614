#include "gui/reader/InterfaceSettingsCommand.h"

#include <QPointer>

#include "gui/reader/DeviceListWindow.h"
#include "gui/reader/InterfaceSettingsDialog.h"
#include "core/app/InterfaceSettings.h"
#include "core/reader/SerialDevices.h"

namespace tagwright {

void RunInterfaceSettings(Station& station, QWidget* parent) {
    InterfaceSettingsCommand(
        station, [parent](const InterfaceTexts& texts) -> std::optional<InterfaceTexts> {
            // The ports as they are now: an adapter may have come or gone.
            gui::InterfaceSettingsDialog dialog(texts, SerialPortChoices(), parent);
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            return dialog.Texts();
        });
}

void RunDeviceManager(Station& /*station*/, QWidget* parent) {
    // One list at a time; asking again brings it up to date and to the front.
    static QPointer<gui::DeviceListWindow> window;
    if (window && window->parentWidget() != parent) delete window.data();
    if (window) {
        window->Refresh();
    } else {
        window = new gui::DeviceListWindow(SerialDeviceRoots{}, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace tagwright
