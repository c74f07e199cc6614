#pragma once
// The serial port on POSIX systems: a termios device opened for exclusive use,
// raw 8-bit transfer, non-blocking descriptor driven by poll().

#include <termios.h>

#include <chrono>
#include <string>

#include "core/reader/SerialBackend.h"

namespace tagwright {

namespace posix_serial {

// "ttyUSB0" is a device under /dev; a name with a slash is a path as it is.
std::string DevicePath(const std::string& portName);

// What no port could take (4 data bits, 1.5 stop bits, unknown codes);
// empty when the settings are worth handing to the device.
std::string CheckSettings(const PortSettings& settings);

// Makes t raw and puts the settings into it. The speed is set only when it
// has a classic B-constant; *needsArbitrary tells when it has none.
void ApplySettings(const PortSettings& settings, termios& t, bool* needsArbitrary);

// Compares what the device reports with what was asked for; names every
// setting that did not stick (empty when all did). Speeds are compared apart.
std::string CompareSettings(const PortSettings& settings, const termios& got);

// "parity Odd", "2 stop bits", ... as the refusal texts name them.
std::string DescribeParity(int parityCode);
std::string DescribeStopBits(int stopBitsCode);
std::string DescribeFlowControl(int flowControlCode);

}  // namespace posix_serial

class PosixSerialBackend final : public SerialBackend {
public:
    PosixSerialBackend();
    ~PosixSerialBackend() override;
    PosixSerialBackend(const PosixSerialBackend&) = delete;
    PosixSerialBackend& operator=(const PosixSerialBackend&) = delete;

    int Open(const std::string& portName) override;
    std::string Configure(const PortSettings& settings) override;
    void Purge() override;
    int Close() override;
    bool IsOpen() const override { return fd_ >= 0; }

    PortEvent Wait(bool watchPort) override;
    ReadResult Read(char* buffer, std::size_t size) override;
    void Wake() override;

    int Write(std::string_view bytes) override;

    // A write that makes no progress for this long gives up (flow control
    // held off for good, or a wedged adapter), so the window never hangs.
    static constexpr std::chrono::milliseconds kWriteStallLimit{5000};

private:
    std::string FindRefused(const PortSettings& settings, const termios& original, int error);

    int fd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
};

}  // namespace tagwright
