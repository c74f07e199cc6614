#pragma once
// The operating system's side of the Reader port. SerialPort reaches the
// device only through this interface, so another platform needs nothing but a
// backend of its own.
//
// Threads: Open, Configure, Purge, Close and Write run on the window thread;
// Wait and Read run on the receiver thread, and only while the port is open
// (the receiver is started after Open and joined before Close). Wake may be
// called from any thread.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/reader/PortSettings.h"

namespace tagwright {

enum class PortEvent {
    Readable,  // bytes are waiting (or the device's state changed: read to learn it)
    Woken,     // Wake() was called
    HungUp,    // the device is gone
    Failed,    // the wait itself failed
};

enum class ReadStatus { Data, Nothing, HungUp, Error };

struct ReadResult {
    ReadStatus status = ReadStatus::Nothing;
    std::size_t count = 0;
};

class SerialBackend {
public:
    virtual ~SerialBackend() = default;

    // Opens the named port for this process alone; 0 or an errno-style code.
    virtual int Open(const std::string& portName) = 0;
    // Applies the settings. Empty when the port took every one of them,
    // otherwise a short text naming what it refused ("1.5 stop bits").
    virtual std::string Configure(const PortSettings& settings) = 0;
    // Drops whatever is queued in both directions.
    virtual void Purge() = 0;
    // 0 or an errno-style code. Afterwards IsOpen() tells whether the handle
    // is really gone (a POSIX descriptor always is).
    virtual int Close() = 0;
    virtual bool IsOpen() const = 0;

    // Blocks until the port has bytes or hangs up, or until Wake(). With
    // watchPort false only Wake() ends the wait (used once the device is gone).
    virtual PortEvent Wait(bool watchPort) = 0;
    // Reads what is waiting, up to size bytes, without blocking.
    virtual ReadResult Read(char* buffer, std::size_t size) = 0;
    virtual void Wake() = 0;

    // Writes every byte; 0, or the errno-style code of the failure.
    virtual int Write(std::string_view bytes) = 0;
};

// The backend of the platform the program was built for.
std::unique_ptr<SerialBackend> MakeSystemSerialBackend();

}  // namespace tagwright
