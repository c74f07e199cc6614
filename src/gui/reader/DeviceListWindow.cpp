#include "gui/reader/DeviceListWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/controls/Colours.h"
#include "gui/controls/Text.h"

namespace tagwright::gui {

DeviceListWindow::DeviceListWindow(SerialDeviceRoots roots, QWidget* parent)
    : QWidget(parent, Qt::Window), roots_(std::move(roots)) {
    setWindowTitle(QStringLiteral("Device Manager - Serial Ports"));
    MakeBlackWindow(*this);

    list_ = new QTreeWidget(this);
    list_->setColumnCount(kColumnCount);
    list_->setHeaderLabels({QStringLiteral("Port"), QStringLiteral("Device"),
                            QStringLiteral("Driver"), QStringLiteral("Bus"),
                            QStringLiteral("Vendor ID"), QStringLiteral("Product ID"),
                            QStringLiteral("Manufacturer"), QStringLiteral("Product"),
                            QStringLiteral("Serial number"), QStringLiteral("By-id name"),
                            QStringLiteral("By-path name")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSortingEnabled(false);  // the core's order: plain text by name
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // The list keeps the ordinary light look for reading.
    list_->setPalette(QPalette());
    list_->setAutoFillBackground(true);

    summary_ = new QLabel(this);
    refresh_ = new QPushButton(QStringLiteral("Refresh"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(refresh_, &QPushButton::clicked, this, &DeviceListWindow::Refresh);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(summary_, 1);
    buttons->addWidget(refresh_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    resize(960, 320);
    Refresh();
}

void DeviceListWindow::Refresh() {
    list_->clear();
    const std::vector<SerialDevice> devices = FindSerialDevices(roots_);
    for (const SerialDevice& d : devices) {
        QStringList byId;
        for (const auto& link : d.byIdPaths) byId << FieldText(link);
        QStringList byPath;
        for (const auto& link : d.byPathPaths) byPath << FieldText(link);
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kPort, FieldText(d.name));
        item->setText(kDevicePath, FieldText(d.devicePath));
        item->setText(kDriver, FieldText(d.driver));
        item->setText(kBus, FieldText(d.bus));
        item->setText(kVendorId, FieldText(d.usbVendorId));
        item->setText(kProductId, FieldText(d.usbProductId));
        item->setText(kManufacturer, FieldText(d.manufacturer));
        item->setText(kProduct, FieldText(d.product));
        item->setText(kSerialNumber, FieldText(d.serialNumber));
        item->setText(kById, byId.join(QStringLiteral("\n")));
        item->setToolTip(kById, item->text(kById));
        item->setText(kByPath, byPath.join(QStringLiteral("\n")));
    }
    for (int c = 0; c < kColumnCount; ++c) list_->resizeColumnToContents(c);
    summary_->setText(devices.empty()
                          ? QStringLiteral("No serial ports found.")
                          : QStringLiteral("%1 serial port(s). Interface > Settings stores the "
                                           "by-id name, or the by-path name for adapters "
                                           "without a serial number.")
                                .arg(devices.size()));
}

}  // namespace tagwright::gui
