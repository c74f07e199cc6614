// Interface > Settings: the dialog's boxes; and the device list.

#include <filesystem>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "GuiTestSupport.h"
#include "gui/reader/DeviceListWindow.h"
#include "gui/reader/InterfaceSettingsDialog.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

class InterfaceSettingsTest : public QObject {
    Q_OBJECT
private slots:
    // Each port shows what the system knows of it; choosing one stores its
    // name, and a name typed by hand ("COM1" from an old settings file) stays.
    void dialogShowsTheTextsAndDescribesThePorts() {
        const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K5XYZ-if00-port0";
        const std::string byPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0";
        const std::vector<PortChoice> ports{
            {byId, "FTDI FT232R USB UART, serial A10K5XYZ", false},
            {byPath, "QinHeng USB Serial; no serial number: by-path name", true},
            {"ttyS0", "", false}};
        InterfaceTexts texts{byPath, "9600", "8", "Even", "1.5", "Hardware"};
        InterfaceSettingsDialog dlg(texts, ports);
        QCOMPARE(dlg.PortBox()->currentIndex(), 1);
        QCOMPARE(dlg.Texts(), texts);
        QVERIFY(dlg.OkButton()->isDefault());
        const QAbstractItemModel* model = dlg.PortBox()->model();
        QCOMPARE(model->columnCount(), 2);
        QCOMPARE(model->index(0, 1).data().toString(),
                 QStringLiteral("FTDI FT232R USB UART, serial A10K5XYZ"));
        QVERIFY(model->index(1, 1).data().toString().contains(QStringLiteral("by-path")));
        dlg.PortBox()->setCurrentIndex(0);
        QCOMPARE(dlg.Texts().port, byId);

        texts.port = "COM1";
        InterfaceSettingsDialog typed(texts, ports);
        QCOMPARE(typed.PortBox()->currentIndex(), -1);
        QCOMPARE(typed.Texts(), texts);
        // Typing is not completed from the list.
        QVERIFY(ShowActive(typed));
        typed.FlowControlBox()->setFocus();
        typed.FlowControlBox()->clearEditText();
        QTest::keyClicks(typed.FlowControlBox()->lineEdit(), QStringLiteral("Har"));
        QCOMPARE(typed.Texts().flowControl, std::string("Har"));
    }

    void deviceListShowsWhatTheSystemKnows() {
        namespace fs = std::filesystem;
        QTemporaryDir tree;
        const fs::path root = tree.path().toStdString();
        const SerialDeviceRoots roots{root / "class/tty", root / "dev"};
        const fs::path port = root / "devices/usb1/1-1/1-1:1.0/ttyUSB0";
        fs::create_directories(port);
        fs::create_directories(root / "drivers/ftdi_sio");  // only bound ports are listed
        fs::create_directory_symlink(root / "drivers/ftdi_sio", port / "driver");
        fs::create_directories(roots.sysClassTty / "ttyUSB0");
        fs::create_directory_symlink(port, roots.sysClassTty / "ttyUSB0/device");

        DeviceListWindow window(roots);
        QCOMPARE(window.List()->topLevelItemCount(), 1);
        const QTreeWidgetItem* item = window.List()->topLevelItem(0);
        QCOMPARE(item->text(DeviceListWindow::kPort), QStringLiteral("ttyUSB0"));
        QCOMPARE(item->text(DeviceListWindow::kDriver), QStringLiteral("ftdi_sio"));

        // Unplugged meanwhile: Refresh shows the list as it is now.
        fs::remove_all(roots.sysClassTty / "ttyUSB0");
        QTest::mouseClick(window.RefreshButton(), Qt::LeftButton);
        QCOMPARE(window.List()->topLevelItemCount(), 0);
        QCOMPARE(window.Summary()->text(), QStringLiteral("No serial ports found."));
    }
};

QTEST_MAIN(InterfaceSettingsTest)
#include "InterfaceSettingsTest.moc"
