#pragma once
// Shared pieces of the reader tests: a virtual Reader with the station's port
// open on it, a scriptable backend, and a wait for asynchronous conditions.

#include <gtest/gtest.h>

#include <chrono>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "reader-sim/VirtualReader.h"
#include "reader/PosixSerialBackend.h"
#include "reader/ReaderLink.h"
#include "reader/SerialPort.h"

namespace tagwright::test {

// Polls pred until it holds; the limit only keeps a broken build from hanging.
inline bool WaitUntil(const std::function<bool()>& pred,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline PortSettings SettingsFor(const std::string& path, int baud = 115200) {
    PortSettings s;
    s.portName = path;
    s.baudRate = baud;
    s.dataBits = 8;
    s.stopBitsCode = 0;
    s.parityCode = 0;
    s.flowControlCode = 0;
    return s;
}

// The real backend with faults a test switches on, and a count of the
// receiver's waits so a test can see that it does not spin.
struct Faults {
    std::atomic<int> waits{0};
    std::atomic<bool> readErrors{false};  // every read fails, the port looks readable
    std::atomic<int> closeError{0};       // Close fails and keeps the port
};

class FaultyBackend final : public SerialBackend {
public:
    explicit FaultyBackend(std::shared_ptr<Faults> f) : f_(std::move(f)) {}
    int Open(const std::string& name) override { return inner_.Open(name); }
    std::string Configure(const PortSettings& s) override { return inner_.Configure(s); }
    void Purge() override { inner_.Purge(); }
    int Close() override { return f_->closeError != 0 ? f_->closeError.load() : inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    PortEvent Wait(bool watchPort) override {
        ++f_->waits;
        return watchPort && f_->readErrors ? PortEvent::Readable : inner_.Wait(watchPort);
    }
    ReadResult Read(char* b, std::size_t n) override {
        return f_->readErrors ? ReadResult{ReadStatus::Error, 0} : inner_.Read(b, n);
    }
    void Wake() override { inner_.Wake(); }
    int Write(std::string_view bytes) override { return inner_.Write(bytes); }

private:
    PosixSerialBackend inner_;
    std::shared_ptr<Faults> f_;
};

// A virtual Reader with the station's port open on it and a link over both.
class ReaderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    }

    sim::VirtualReader sim;
    SerialPort port;
    TrafficText traffic;
    ReaderLink link{port, traffic};
};

}  // namespace tagwright::test
