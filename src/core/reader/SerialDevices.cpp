#include "core/reader/SerialDevices.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <system_error>

namespace tagwright {

namespace fs = std::filesystem;

namespace {

// How far above a tty's device the USB device may sit: the usb-serial port,
// its interface, then the device.
constexpr int kMaxUsbLevels = 4;

// The first line of a sysfs attribute, without trailing white space; "" when
// it cannot be read.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ' ||
                             line.back() == '\t')) {
        line.pop_back();
    }
    return line;
}

// The last element of a symbolic link's target ("ftdi_sio" of
// ../../bus/usb-serial/drivers/ftdi_sio); "" when it is no link.
std::string LinkName(const fs::path& link) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    if (ec) return {};
    return target.lexically_normal().filename().string();
}

struct Binding {
    std::string driver;
    std::string bus;
};

// The driver that really serves the port. Newer kernels put a generic
// "serial-base" port device between the tty and the hardware's device; the
// driver worth naming is the one above it.
Binding FindBinding(const fs::path& device) {
    fs::path dir = device;
    for (;;) {
        Binding b{LinkName(dir / "driver"), LinkName(dir / "subsystem")};
        const fs::path parent = dir.parent_path();
        if (b.bus != "serial-base" || parent == dir) return b;
        dir = parent;
    }
}

void AddUsbInfo(const fs::path& device, SerialDevice& out) {
    fs::path dir = device;
    for (int level = 0; level <= kMaxUsbLevels; ++level) {
        std::error_code ec;
        if (fs::exists(dir / "idVendor", ec)) {
            out.usbVendorId = ReadAttribute(dir / "idVendor");
            out.usbProductId = ReadAttribute(dir / "idProduct");
            out.manufacturer = ReadAttribute(dir / "manufacturer");
            out.product = ReadAttribute(dir / "product");
            out.serialNumber = ReadAttribute(dir / "serial");
            return;
        }
        const fs::path parent = dir.parent_path();
        if (parent == dir) return;
        dir = parent;
    }
}

// Link path under /dev/serial/KIND -> the tty name it leads to.
std::vector<std::pair<std::string, std::string>> SerialLinks(const fs::path& devRoot,
                                                             const char* kind) {
    std::vector<std::pair<std::string, std::string>> links;
    const fs::path dir = devRoot / "serial" / kind;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path link = it->path();
        std::error_code linkEc;
        fs::path target = fs::read_symlink(link, linkEc);
        if (linkEc) continue;
        if (target.is_relative()) target = link.parent_path() / target;
        links.emplace_back(link.string(), target.lexically_normal().filename().string());
    }
    return links;
}

// A tty with a bound device and, where the driver tells, a real UART.
bool IsSerialPort(const fs::path& ttyDir) {
    std::error_code ec;
    if (!fs::exists(ttyDir / "device" / "driver", ec)) return false;
    if (fs::exists(ttyDir / "type", ec) && ReadAttribute(ttyDir / "type") == "0") return false;
    return true;
}

}  // namespace

std::vector<SerialDevice> FindSerialDevices(const SerialDeviceRoots& roots) {
    std::vector<SerialDevice> devices;
    std::error_code ec;
    for (fs::directory_iterator it(roots.sysClassTty, ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path ttyDir = it->path();
        if (!IsSerialPort(ttyDir)) continue;
        SerialDevice d;
        d.name = ttyDir.filename().string();
        d.devicePath = (roots.dev / d.name).string();
        std::error_code canonEc;
        const fs::path device = fs::canonical(ttyDir / "device", canonEc);
        if (!canonEc) {
            const Binding b = FindBinding(device);
            d.driver = b.driver;
            d.bus = b.bus;
            AddUsbInfo(device, d);
        }
        devices.push_back(std::move(d));
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.name < b.name; });

    std::map<std::string, SerialDevice*> byName;
    for (auto& d : devices) byName[d.name] = &d;
    for (auto& [link, target] : SerialLinks(roots.dev, "by-id")) {
        const auto found = byName.find(target);
        if (found != byName.end()) found->second->byIdPaths.push_back(link);
    }
    for (auto& [link, target] : SerialLinks(roots.dev, "by-path")) {
        const auto found = byName.find(target);
        if (found != byName.end()) found->second->byPathPaths.push_back(link);
    }
    for (auto& d : devices) {
        std::sort(d.byIdPaths.begin(), d.byIdPaths.end());
        std::sort(d.byPathPaths.begin(), d.byPathPaths.end());
    }
    return devices;
}

std::vector<std::string> SerialPortNames(const SerialDeviceRoots& roots) {
    std::vector<std::string> names;
    for (const auto& d : FindSerialDevices(roots)) names.push_back(d.name);
    // A by-id link is listed even when its tty was not recognised: udev made
    // it for a serial device, and its name says which one.
    for (const auto& link : SerialLinks(roots.dev, "by-id")) names.push_back(link.first);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

namespace {

std::string Describe(const SerialDevice& d) {
    std::string text = d.manufacturer;
    if (!d.product.empty()) text += (text.empty() ? "" : " ") + d.product;
    if (text.empty() && !d.usbVendorId.empty()) {
        text = "USB " + d.usbVendorId + ":" + d.usbProductId;
    }
    if (!d.serialNumber.empty()) text += (text.empty() ? "serial " : ", serial ") + d.serialNumber;
    return text;
}

}  // namespace

PortChoice StablePortChoice(const SerialDevice& d) {
    PortChoice choice{d.name, Describe(d), false};
    const bool usb = !d.usbVendorId.empty();
    if (usb && d.serialNumber.empty() && !d.byPathPaths.empty()) {
        choice.port = d.byPathPaths.front();
        choice.byPath = true;
        const std::string note =
            "no serial number: by-path name, keep the adapter in the same USB socket";
        choice.description += (choice.description.empty() ? "" : "; ") + note;
    } else if (!d.byIdPaths.empty()) {
        choice.port = d.byIdPaths.front();
    }
    return choice;
}

std::vector<PortChoice> SerialPortChoices(const SerialDeviceRoots& roots) {
    std::vector<PortChoice> choices;
    for (const auto& d : FindSerialDevices(roots)) choices.push_back(StablePortChoice(d));
    std::sort(choices.begin(), choices.end(),
              [](const PortChoice& a, const PortChoice& b) { return a.port < b.port; });
    return choices;
}

}  // namespace tagwright
