#pragma once
// The serial ports this machine has, found the way Linux knows them: a tty in
// sysfs whose device is bound to a driver, plus the stable names udev puts
// under /dev/serial/by-id. The roots are parameters so tests can hand in a
// fake tree.
//
// The 8250 driver registers a fixed number of ttyS ports whether or not a
// UART sits behind them; those report the UART type 0 ("unknown") and are
// left out. Virtual consoles and pseudo-terminals have no device and are not
// serial ports at all.

#include <filesystem>
#include <string>
#include <vector>

namespace tagwright {

struct SerialDeviceRoots {
    std::filesystem::path sysClassTty = "/sys/class/tty";
    std::filesystem::path dev = "/dev";
};

// What the system knows of one port. Texts it does not know stay empty.
struct SerialDevice {
    std::string name;        // "ttyUSB0": the port name the station opens (under /dev)
    std::string devicePath;  // "/dev/ttyUSB0"
    std::string driver;      // "ftdi_sio", "cdc_acm", "serial", ...
    std::string bus;         // "usb-serial", "usb", "pnp", "platform", ...
    std::string usbVendorId;   // "0403"
    std::string usbProductId;  // "6001"
    std::string manufacturer;
    std::string product;
    std::string serialNumber;
    std::vector<std::string> byIdPaths;  // links under /dev/serial/by-id that lead to it
};

// Every port, sorted by name as plain text.
std::vector<SerialDevice> FindSerialDevices(const SerialDeviceRoots& roots = {});

// The Interface Settings dialog's port list: the device names and the by-id
// link paths, sorted as plain text (ttyS10 before ttyS2), without repeats.
std::vector<std::string> SerialPortNames(const SerialDeviceRoots& roots = {});

}  // namespace tagwright
