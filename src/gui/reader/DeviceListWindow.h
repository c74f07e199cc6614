#pragma once
// Interface > Device Manager: a window of ours listing every serial port the
// system knows, with what it knows of each, so the operator can tell which
// adapter is which. Not modal; Refresh reads the system again (after an
// adapter was plugged in).

#include <QWidget>

#include "core/reader/SerialDevices.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tagwright::gui {

class DeviceListWindow final : public QWidget {
    Q_OBJECT
public:
    // The columns, in order.
    enum Column {
        kPort, kDevicePath, kDriver, kBus, kVendorId, kProductId, kManufacturer, kProduct,
        kSerialNumber, kById, kByPath, kColumnCount
    };

    explicit DeviceListWindow(SerialDeviceRoots roots = {}, QWidget* parent = nullptr);

    void Refresh();

    QTreeWidget* List() const { return list_; }
    QLabel* Summary() const { return summary_; }
    QPushButton* RefreshButton() const { return refresh_; }

private:
    SerialDeviceRoots roots_;
    QTreeWidget* list_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* refresh_ = nullptr;
};

}  // namespace tagwright::gui
