// Finding the serial ports in a fake sysfs and /dev tree laid out as Linux
// lays them out: class links to device directories, driver and subsystem
// links, USB attributes above the tty, by-id links in /dev.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "reader/SerialDevices.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

class FakeTree {
public:
    FakeTree() {
        roots.sysClassTty = dir.Path() / "sys/class/tty";
        roots.dev = dir.Path() / "dev";
        fs::create_directories(roots.sysClassTty);
        fs::create_directories(roots.dev);
    }

    fs::path Sys(const std::string& rel) const { return dir.Path() / "sys" / rel; }

    // A device directory under sys/devices bound to DRIVER of BUS (no
    // binding when driver is empty).
    fs::path Device(const std::string& rel, const std::string& bus, const std::string& driver) {
        const fs::path d = Sys("devices/" + rel);
        fs::create_directories(d);
        if (!bus.empty()) {
            fs::create_directories(Sys("bus/" + bus + "/drivers"));
            fs::create_directory_symlink(Sys("bus/" + bus), d / "subsystem");
        }
        if (!driver.empty()) {
            const fs::path drv = Sys("bus/" + bus + "/drivers/" + driver);
            fs::create_directories(drv);
            fs::create_directory_symlink(drv, d / "driver");
        }
        return d;
    }

    // The class entry of a tty, with its device link (relative, as sysfs
    // makes them) and an optional UART type.
    void Tty(const std::string& name, const fs::path& device, const std::string& type = {}) {
        const fs::path t = roots.sysClassTty / name;
        fs::create_directories(t);
        if (!device.empty()) {
            fs::create_directory_symlink(fs::relative(device, t), t / "device");
        }
        if (!type.empty()) Write(t / "type", type + "\n");
    }

    void UsbAttributes(const fs::path& usbDevice, const std::string& vid, const std::string& pid,
                       const std::string& maker, const std::string& product,
                       const std::string& serial) {
        Write(usbDevice / "idVendor", vid + "\n");
        Write(usbDevice / "idProduct", pid + "\n");
        Write(usbDevice / "manufacturer", maker + "\n");
        Write(usbDevice / "product", product + "\n");
        Write(usbDevice / "serial", serial + "\n");
    }

    std::string ById(const std::string& name, const std::string& target) {
        const fs::path byId = roots.dev / "serial/by-id";
        fs::create_directories(byId);
        fs::create_symlink(target, byId / name);
        return (byId / name).string();
    }

    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file) << text;
    }

    TempDir dir;
    SerialDeviceRoots roots;
};

std::vector<std::string> Names(const std::vector<SerialDevice>& devices) {
    std::vector<std::string> out;
    for (const auto& d : devices) out.push_back(d.name);
    return out;
}

const SerialDevice* Find(const std::vector<SerialDevice>& devices, const std::string& name) {
    for (const auto& d : devices) {
        if (d.name == name) return &d;
    }
    return nullptr;
}

TEST(SerialDevicesTest, OnlyTtysWithABoundDeviceAndARealUartAreListed) {
    FakeTree t;
    t.Tty("ttyS0", t.Device("pnp0/00:05", "pnp", "serial"), "4");
    t.Tty("ttyS2", t.Device("pnp0/00:06", "pnp", "serial"), "4");
    t.Tty("ttyS10", t.Device("platform/serial8250/port10", "platform", "serial8250"), "4");
    // Placeholders of the 8250 driver: bound, but no UART behind them.
    t.Tty("ttyS1", t.Device("platform/serial8250/port1", "platform", "serial8250"), "0");
    t.Tty("ttyS3", t.Device("platform/serial8250/port3", "platform", "serial8250"), "0");
    t.Tty("ttyAMA0", t.Device("platform/fe201000.serial", "amba", "uart-pl011"));
    t.Tty("ttyX9", t.Device("virtual/unbound", "platform", ""));  // no driver
    t.Tty("tty0", {});                                             // console, no device
    t.Tty("ptmx", {});

    const auto devices = FindSerialDevices(t.roots);
    // Plain text order: ttyS10 before ttyS2.
    EXPECT_EQ(Names(devices),
              (std::vector<std::string>{"ttyAMA0", "ttyS0", "ttyS10", "ttyS2"}));
    const SerialDevice* s0 = Find(devices, "ttyS0");
    ASSERT_NE(s0, nullptr);
    EXPECT_EQ(s0->driver, "serial");
    EXPECT_EQ(s0->bus, "pnp");
    EXPECT_EQ(s0->devicePath, (t.roots.dev / "ttyS0").string());
    EXPECT_TRUE(s0->usbVendorId.empty());
    EXPECT_EQ(SerialPortNames(t.roots), Names(devices));
}

TEST(SerialDevicesTest, UsbAdaptersCarryTheirUsbDescriptionAndByIdLinks) {
    FakeTree t;
    // usb-serial: the tty's device is the port, under the interface, under
    // the USB device. cdc-acm: the tty's device is the interface itself.
    const fs::path ftdi = t.Device("pci0000:00/usb1/1-1", "usb", "usb");
    t.Device("pci0000:00/usb1/1-1/1-1:1.0", "usb", "ftdi_sio");
    t.Tty("ttyUSB0", t.Device("pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0", "usb-serial", "ftdi_sio"));
    t.UsbAttributes(ftdi, "0403", "6001", "FTDI", "FT232R USB UART", "A10K5XYZ");
    const fs::path acm = t.Device("pci0000:00/usb1/1-2", "usb", "usb");
    t.Tty("ttyACM0", t.Device("pci0000:00/usb1/1-2/1-2:1.0", "usb", "cdc_acm"));
    t.UsbAttributes(acm, "2341", "0043", "Maker Inc.", "Reader 2", "7");

    const std::string ftdiLink = t.ById("usb-FTDI_FT232R_USB_UART_A10K5XYZ-if00-port0",
                                        "../../ttyUSB0");
    const std::string acmLink = t.ById("usb-Maker_Reader_2_7-if00", "../../ttyACM0");
    // A link whose tty sysfs does not show is still a port to offer.
    const std::string orphan = t.ById("usb-Other_Adapter-if00-port0", "../../ttyUSB7");

    const auto devices = FindSerialDevices(t.roots);
    ASSERT_EQ(Names(devices), (std::vector<std::string>{"ttyACM0", "ttyUSB0"}));
    const SerialDevice& u = devices[1];
    EXPECT_EQ(u.driver, "ftdi_sio");
    EXPECT_EQ(u.bus, "usb-serial");
    EXPECT_EQ(u.usbVendorId, "0403");
    EXPECT_EQ(u.usbProductId, "6001");
    EXPECT_EQ(u.manufacturer, "FTDI");
    EXPECT_EQ(u.product, "FT232R USB UART");
    EXPECT_EQ(u.serialNumber, "A10K5XYZ");
    EXPECT_EQ(u.byIdPaths, std::vector<std::string>{ftdiLink});
    const SerialDevice& a = devices[0];
    EXPECT_EQ(a.driver, "cdc_acm");
    EXPECT_EQ(a.usbVendorId, "2341");
    EXPECT_EQ(a.product, "Reader 2");
    EXPECT_EQ(a.byIdPaths, std::vector<std::string>{acmLink});

    std::vector<std::string> expected{"ttyACM0", "ttyUSB0", ftdiLink, acmLink, orphan};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SerialPortNames(t.roots), expected);
}

TEST(SerialDevicesTest, TheDriverBehindTheGenericSerialPortDeviceIsNamed) {
    FakeTree t;
    // Newer kernels: tty -> port device -> controller device (both on the
    // serial-base bus) -> the hardware's own device.
    t.Device("pnp0/00:05", "pnp", "serial");
    t.Device("pnp0/00:05/00:05:0", "serial-base", "ctrl");
    t.Tty("ttyS0", t.Device("pnp0/00:05/00:05:0/00:05:0.0", "serial-base", "port"), "4");
    const auto devices = FindSerialDevices(t.roots);
    ASSERT_EQ(devices.size(), 1U);
    EXPECT_EQ(devices[0].driver, "serial");
    EXPECT_EQ(devices[0].bus, "pnp");
}

TEST(SerialDevicesTest, MissingTreesGiveNoPorts) {
    SerialDeviceRoots roots;
    roots.sysClassTty = "/nonexistent/sys/class/tty";
    roots.dev = "/nonexistent/dev";
    EXPECT_TRUE(FindSerialDevices(roots).empty());
    EXPECT_TRUE(SerialPortNames(roots).empty());
}

}  // namespace
}  // namespace tagwright::test
