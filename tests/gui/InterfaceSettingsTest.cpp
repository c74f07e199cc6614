// Interface > Settings against a virtual Reader: the dialog's boxes, Cancel,
// OK with a new baud rate, a port that cannot be opened; and the device list.

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "GuiTestSupport.h"
#include "base/Clock.h"
#include "controls/DialogUnits.h"
#include "reader-sim/VirtualReader.h"
#include "reader/DeviceListWindow.h"
#include "reader/I2Dlg.h"
#include "reader/InterfaceSettingsCommand.h"
#include "station/Station.h"

using namespace tagwright;
using namespace tagwright::gui;

namespace {

// The main window's part in the command: timers recorded, messages through
// the real message box path (which the tests answer).
class TestMainView final : public MainView {
public:
    void TakeFieldValues() override {}
    void ShowFieldValues() override {}
    void RedrawControl(MainControl) override {}
    void SetFocus(MainControl, bool) override {}
    MsgAnswer ShowMessage(const MessageRequest& r) override { return ShowMessageBox(nullptr, r); }
    void StartTimer(TimerId id, int periodMs) override { starts.push_back({id, periodMs}); }
    void StopTimer(TimerId id) override { stops.push_back(id); }

    std::vector<std::pair<TimerId, int>> starts;
    std::vector<TimerId> stops;
};

// Runs ACT on the modal CI2Dlg once it is up (polling, so a slow start
// does not miss it).
void ActOnDialog(const std::shared_ptr<std::function<void(CI2Dlg&)>>& act, int triesLeft) {
    if (auto* dlg = qobject_cast<CI2Dlg*>(QApplication::activeModalWidget())) {
        (*act)(*dlg);
    } else if (triesLeft > 0) {
        QTimer::singleShot(10, [act, triesLeft] { ActOnDialog(act, triesLeft - 1); });
    }
}

void WhenDialogOpens(std::function<void(CI2Dlg&)> act) {
    auto shared = std::make_shared<std::function<void(CI2Dlg&)>>(std::move(act));
    QTimer::singleShot(0, [shared] { ActOnDialog(shared, 1000); });
}

bool ReaderAnswers(Station& station) {
    station.port.DiscardLines();
    if (station.port.SendCommand("RUID\r") != 0) return false;
    const auto line = station.port.WaitLine(std::chrono::seconds(10));
    return line && line->text == "1A2B3C4D\r\n";
}

void WriteFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text;
}

}  // namespace

class InterfaceSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(dir.isValid());
        sim = std::make_unique<sim::VirtualReader>();
        std::string error;
        QVERIFY2(sim->Start(&error), error.c_str());
        link = (std::filesystem::path(dir.path().toStdString()) / "reader").string();
        QVERIFY2(sim->CreateLink(link, &error), error.c_str());
        view = std::make_unique<TestMainView>();
        station = std::make_unique<Station>(*view, clock);
        station->settings.port.portName = link;
        station->settings.port.baudRate = 9600;
        station->settings.port.dataBits = 8;
        QVERIFY(station->port.OpenWithReport(station->settings.port, *view));
    }

    void cleanup() {
        station.reset();  // closes the port before the Reader goes
        view.reset();
        sim.reset();
    }

    void dialogShowsTheTextsInItsBoxes() {
        InterfaceTexts texts{"ttyS1", "9600", "8", "Even", "1.5", "Hardware"};
        CI2Dlg dlg(texts, {"ttyS0", "ttyS1", "ttyS10"});
        QCOMPARE(dlg.size(), QSize(DluX(172), DluY(139)));
        QCOMPARE(dlg.PortBox()->currentIndex(), 1);
        QCOMPARE(dlg.ParityBox()->currentIndex(), 2);
        QCOMPARE(dlg.Texts(), texts);
        QVERIFY(dlg.OkButton()->isDefault());
        // A name no entry begins with goes into the edit part as it is.
        texts.port = "/tmp/reader";
        texts.baudRate = "31250";
        CI2Dlg typed(texts, {"ttyS0"});
        QCOMPARE(typed.PortBox()->currentIndex(), -1);
        QCOMPARE(typed.Texts(), texts);
        // Typing is not completed from the list.
        QVERIFY(tagwright::test::ShowActive(typed));
        typed.FlowControlBox()->setFocus();
        typed.FlowControlBox()->clearEditText();
        QTest::keyClicks(typed.FlowControlBox()->lineEdit(), QStringLiteral("Har"));
        QCOMPARE(typed.Texts().flowControl, std::string("Har"));
    }

    void cancelReopensThePortUnchanged() {
        ScopedMessageBoxesGuard boxes;
        InterfaceTexts seen;
        bool wasOpen = true;
        WhenDialogOpens([&](CI2Dlg& dlg) {
            seen = dlg.Texts();
            wasOpen = station->port.portOpen;
            dlg.BaudRateBox()->setEditText(QStringLiteral("19200"));  // then thrown away
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
        RunInterfaceSettings(*station, nullptr);

        QCOMPARE(seen.port, link);
        QCOMPARE(seen.baudRate, std::string("9600"));
        QVERIFY(!wasOpen);
        QVERIFY(station->port.portOpen);
        QCOMPARE(station->settings.port.baudRate, 9600);
        QVERIFY(boxes.shown.empty());
        QCOMPARE(view->stops.size(), std::size_t{3});
        QCOMPARE(view->starts.size(), std::size_t{3});
        QVERIFY(ReaderAnswers(*station));
    }

    void okWithANewBaudRateReopensWithIt() {
        ScopedMessageBoxesGuard boxes;
        WhenDialogOpens([](CI2Dlg& dlg) {
            dlg.BaudRateBox()->setFocus();
            dlg.BaudRateBox()->lineEdit()->selectAll();
            QTest::keyClicks(dlg.BaudRateBox()->lineEdit(), QStringLiteral("57600"));
            QTest::keyClick(dlg.BaudRateBox()->lineEdit(), Qt::Key_Return);  // the default: OK
        });
        RunInterfaceSettings(*station, nullptr);

        QVERIFY(boxes.shown.empty());
        QVERIFY(station->port.portOpen);
        QCOMPARE(station->settings.port.baudRate, 57600);
        QCOMPARE(station->settings.port.portName, link);
        QVERIFY(ReaderAnswers(*station));
    }

    void aPortThatCannotBeOpenedIsReported() {
        ScopedMessageBoxesGuard boxes;
        WhenDialogOpens([](CI2Dlg& dlg) {
            dlg.PortBox()->setEditText(QStringLiteral("/nonexistent/ttyReader"));
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        RunInterfaceSettings(*station, nullptr);

        QVERIFY(!station->port.portOpen);
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(boxes.shown[0].text,
                 std::string("/nonexistent/ttyReader konnte nicht ge\xF6" "ffnet werden!"));
        QCOMPARE(boxes.shown[0].caption, std::string("Error"));
        QCOMPARE(view->starts.size(), std::size_t{3});  // timers run again all the same
    }

    void deviceListShowsWhatTheSystemKnows() {
        namespace fs = std::filesystem;
        QTemporaryDir tree;
        const fs::path root = tree.path().toStdString();
        const SerialDeviceRoots roots{root / "class/tty", root / "dev"};
        const fs::path port = root / "devices/usb1/1-1/1-1:1.0/ttyUSB0";
        fs::create_directories(port);
        fs::create_directories(root / "bus/usb-serial/drivers/ftdi_sio");
        fs::create_directory_symlink(root / "bus/usb-serial/drivers/ftdi_sio", port / "driver");
        WriteFile(root / "devices/usb1/1-1/idVendor", "0403\n");
        fs::create_directories(roots.sysClassTty / "ttyUSB0");
        fs::create_directory_symlink(port, roots.sysClassTty / "ttyUSB0/device");

        DeviceListWindow window(roots);
        QCOMPARE(window.List()->topLevelItemCount(), 1);
        const QTreeWidgetItem* item = window.List()->topLevelItem(0);
        QCOMPARE(item->text(DeviceListWindow::kPort), QStringLiteral("ttyUSB0"));
        QCOMPARE(item->text(DeviceListWindow::kDriver), QStringLiteral("ftdi_sio"));
        QCOMPARE(item->text(DeviceListWindow::kVendorId), QStringLiteral("0403"));

        // Unplugged meanwhile: Refresh shows the list as it is now.
        fs::remove_all(roots.sysClassTty / "ttyUSB0");
        QTest::mouseClick(window.RefreshButton(), Qt::LeftButton);
        QCOMPARE(window.List()->topLevelItemCount(), 0);
        QCOMPARE(window.Summary()->text(), QStringLiteral("No serial ports found."));
    }

private:
    // The message boxes of one test, answered with OK.
    using ScopedMessageBoxesGuard = tagwright::test::ScopedMessageBoxes;

    QTemporaryDir dir;
    std::string link;
    std::unique_ptr<sim::VirtualReader> sim;
    std::unique_ptr<TestMainView> view;
    SystemClock clock;
    std::unique_ptr<Station> station;
};

QTEST_MAIN(InterfaceSettingsTest)
#include "InterfaceSettingsTest.moc"
