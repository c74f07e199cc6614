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
    std::vector<std::string> byIdPaths;    // links under /dev/serial/by-id that lead to it
    std::vector<std::string> byPathPaths;  // links under /dev/serial/by-path that lead to it
};

// One entry of the port list: the name the station stores and opens, and
// what the operator needs to tell adapters apart.
struct PortChoice {
    std::string port;
    std::string description;  // "FTDI FT232R USB UART, serial A10K5XYZ"; empty if unknown
    bool byPath = false;      // the name follows the USB socket, not the adapter
};

// The name of the device that survives a replug. A by-id name is made from
// maker, product and serial number; adapters without a serial number all get
// the same one, which then leads to whichever was plugged in last, so for
// them the by-path name (the USB socket) is taken instead, and the
// description says so. Devices without either link keep their tty name.
PortChoice StablePortChoice(const SerialDevice& device);

// Every port, sorted by name as plain text.
std::vector<SerialDevice> FindSerialDevices(const SerialDeviceRoots& roots = {});

// The Interface Settings dialog's port list: the device names and the by-id
// link paths, sorted as plain text (ttyS10 before ttyS2), without repeats.
std::vector<std::string> SerialPortNames(const SerialDeviceRoots& roots = {});

// The Interface Settings dialog's port list with descriptions: one stable
// name per device, sorted as plain text.
std::vector<PortChoice> SerialPortChoices(const SerialDeviceRoots& roots = {});

}  // namespace tagwright
