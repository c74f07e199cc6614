#include "core/app/PortWatcher.h"

#include <sys/stat.h>

#include <utility>

#include "core/app/Station.h"
#include "core/reader/PosixSerialBackend.h"

namespace tagwright {

namespace {

bool DeviceExists(const std::string& portName) {
    struct stat st {};
    return !portName.empty() && ::stat(posix_serial::DevicePath(portName).c_str(), &st) == 0;
}

}  // namespace

PortWatcher::PortWatcher(std::function<bool(const std::string&)> deviceThere)
    : deviceThere_(deviceThere ? std::move(deviceThere) : DeviceExists) {}

PortCondition PortWatcher::Check(Station& station) {
    SerialPort& port = station.reader.port;
    if (port.portOpen && !port.PortLost()) {
        return reopened_ ? PortCondition::Reopened : PortCondition::Open;
    }
    reopened_ = false;
    if (!port.PortLost()) return PortCondition::Closed;
    const PortSettings& settings = station.settings.port;
    if (!deviceThere_(settings.portName)) return PortCondition::Lost;
    port.ClosePort();
    if (!port.OpenPort(settings).opened) return PortCondition::Lost;
    reopened_ = true;
    return PortCondition::Reopened;
}

std::string PortWatcher::Words(PortCondition condition) {
    switch (condition) {
        case PortCondition::Open: return "open";
        case PortCondition::Lost: return "lost, waiting for the device";
        case PortCondition::Reopened: return "reopened";
        case PortCondition::Closed: break;
    }
    return "closed";
}

}  // namespace tagwright
