#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/reader/SerialDevices.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// A fake sysfs and /dev laid out as Linux lays them out: class links to
// device directories, driver and subsystem links, USB attributes above the
// tty, by-id links in /dev.
class SerialDevicesTest : public ::testing::Test {
protected:
    SerialDevicesTest() {
        roots.sysClassTty = dir.Path() / "sys/class/tty";
        roots.dev = dir.Path() / "dev";
        fs::create_directories(roots.sysClassTty);
        fs::create_directories(roots.dev / "serial/by-id");
    }

    // A device directory on BUS, bound to DRIVER unless empty, with USB attributes.
    fs::path Device(const std::string& rel, const std::string& bus, const std::string& driver,
                    const Texts& usb = {}) {
        const fs::path d = dir.Path() / "sys/devices" / rel;
        const fs::path busDir = dir.Path() / "sys/bus" / bus;
        fs::create_directories(d);
        const fs::path driverDir = busDir / "drivers" / driver;
        fs::create_directories(driverDir);
        fs::create_directory_symlink(busDir, d / "subsystem");
        if (!driver.empty()) fs::create_directory_symlink(driverDir, d / "driver");
        const char* keys[] = {"idVendor", "idProduct", "manufacturer", "product", "serial"};
        for (std::size_t i = 0; i < usb.size(); ++i) std::ofstream(d / keys[i]) << usb[i] << "\n";
        return d;
    }

    // A tty's class entry, its device link relative as sysfs makes them.
    void Tty(const std::string& name, const fs::path& device, const std::string& uartType = {}) {
        const fs::path t = roots.sysClassTty / name;
        fs::create_directories(t);
        if (!device.empty()) fs::create_directory_symlink(fs::relative(device, t), t / "device");
        if (!uartType.empty()) std::ofstream(t / "type") << uartType << "\n";
    }

    std::string SerialLink(const std::string& kind, const std::string& name,
                           const std::string& tty) {
        const fs::path link = roots.dev / "serial" / kind / name;
        fs::create_directories(link.parent_path());
        std::error_code ec;
        fs::remove(link, ec);  // udev moves a shared name to the newest device
        fs::create_symlink("../../" + tty, link);
        return link.string();
    }

    // A USB serial adapter on hub port PORT; SERIAL may be empty.
    void UsbAdapter(const std::string& tty, const std::string& port, const std::string& serial) {
        const std::string usb = "pci0000:00/usb1/" + port;
        Device(usb, "usb", "usb", {"1a86", "7523", "QinHeng", "USB Serial", serial});
        Device(usb + "/" + port + ":1.0", "usb", "ch341");
        Tty(tty, Device(usb + "/" + port + ":1.0/" + tty, "usb-serial", "ch341-uart"));
        SerialLink("by-path", "pci-0000:00:14.0-usb-0:" + port.substr(2) + ":1.0-port0", tty);
        const std::string id = serial.empty() ? "" : "_" + serial;
        SerialLink("by-id", "usb-1a86_USB_Serial" + id + "-if00-port0", tty);
    }

    TempDir dir;
    SerialDeviceRoots roots;
};

TEST_F(SerialDevicesTest, ListsBoundRealPortsWithDriverUsbDescriptionAndByIdLinks) {
    Tty("ttyS10", Device("platform/serial8250/port10", "platform", "serial8250"), "4");
    // A placeholder of the 8250 driver: bound, but no UART behind it.
    Tty("ttyS1", Device("platform/serial8250/port1", "platform", "serial8250"), "0");
    Tty("ttyX9", Device("virtual/unbound", "platform", ""));  // no driver
    Tty("tty0", {});                                           // console, no device
    // Newer kernels: tty -> port device -> controller device (both on the
    // serial-base bus) -> the hardware's own device, whose driver is named.
    Device("pnp0/00:06", "pnp", "serial");
    Device("pnp0/00:06/00:06:0", "serial-base", "ctrl");
    Tty("ttyS2", Device("pnp0/00:06/00:06:0/00:06:0.0", "serial-base", "port"), "4");
    // cdc-acm: the tty's device is the USB interface itself.
    Device("pci0000:00/usb1/1-2", "usb", "usb", {"2341", "0043", "Maker Inc.", "Reader 2", "7"});
    Tty("ttyACM0", Device("pci0000:00/usb1/1-2/1-2:1.0", "usb", "cdc_acm"));
    // A tty sysfs does not show is still a port to offer.
    const std::string orphan = SerialLink("by-id", "usb-Other_Adapter-if00-port0", "ttyUSB7");

    Texts described;
    for (const SerialDevice& d : FindSerialDevices(roots)) {
        std::string s = d.name + ": " + d.driver + "|" + d.bus + "|" + d.usbVendorId + "|" +
                        d.usbProductId + "|" + d.manufacturer + "|" + d.product + "|" +
                        d.serialNumber;
        for (const std::string& link : d.byIdPaths) s += "|" + link;
        described.push_back(s);
        EXPECT_EQ(d.devicePath, (roots.dev / d.name).string());
    }
    EXPECT_EQ(described,  // plain text order: ttyS10 before ttyS2
              (Texts{"ttyACM0: cdc_acm|usb|2341|0043|Maker Inc.|Reader 2|7",
                     "ttyS10: serial8250|platform|||||", "ttyS2: serial|pnp|||||"}));
    EXPECT_EQ(SerialPortNames(roots), (Texts{orphan, "ttyACM0", "ttyS10", "ttyS2"}));

    const SerialDeviceRoots missing{"/nonexistent/sys/class/tty", "/nonexistent/dev"};
    EXPECT_TRUE(FindSerialDevices(missing).empty() && SerialPortNames(missing).empty());
}

// Two identical adapters without serial numbers share one by-id name (udev
// points it at the newest); each is offered by its USB socket instead.
TEST_F(SerialDevicesTest, AdaptersWithoutSerialNumberFallBackToTheirByPathName) {
    UsbAdapter("ttyUSB0", "1-3", "");
    UsbAdapter("ttyUSB1", "1-4", "");
    UsbAdapter("ttyUSB2", "1-5", "5A3C017");
    Tty("ttyS0", Device("pnp0/00:01", "pnp", "serial"), "4");
    const std::string byPath = (roots.dev / "serial/by-path").string() + "/pci-0000:00:14.0-usb-0:";

    Texts listed;
    for (const PortChoice& c : SerialPortChoices(roots)) {
        listed.push_back(c.port + " | " + c.description + (c.byPath ? " | by-path" : ""));
    }
    const std::string note = "; no serial number: by-path name, keep the adapter in the same "
                             "USB socket | by-path";
    EXPECT_EQ(listed, (Texts{
        (roots.dev / "serial/by-id/usb-1a86_USB_Serial_5A3C017-if00-port0").string() +
            " | QinHeng USB Serial, serial 5A3C017",
        byPath + "3:1.0-port0 | QinHeng USB Serial" + note,
        byPath + "4:1.0-port0 | QinHeng USB Serial" + note,
        "ttyS0 | ",
    }));
}

}  // namespace
}  // namespace tagwright::test
