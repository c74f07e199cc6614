#pragma once
// Shared pieces of the reader tests: a virtual Reader, a backend, a wait.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "reader-sim/VirtualReader.h"
#include "core/reader/PosixSerialBackend.h"
#include "core/reader/ReaderLink.h"
#include "core/reader/SerialPort.h"

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

// 8 data bits, one stop bit, no parity, no flow control.
inline PortSettings SettingsFor(const std::string& path, int baud = 115200) {
    return PortSettings{path, baud, 8, 0, 0, 0};
}

// The real backend, recording the settings it was given, with faults a test
// switches on and a count of the receiver's waits to show that it does not spin.
class TestBackend final : public SerialBackend {
public:
    int Open(const std::string& name) override { return inner_.Open(name); }
    std::string Configure(const PortSettings& s) override {
        configured.push_back(s);
        return inner_.Configure(s);
    }
    void Purge() override { inner_.Purge(); }
    int Close() override { return closeError != 0 ? closeError.load() : inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    PortEvent Wait(bool watchPort) override {
        ++waits;
        return watchPort && readErrors ? PortEvent::Readable : inner_.Wait(watchPort);
    }
    ReadResult Read(char* b, std::size_t n) override {
        return readErrors ? ReadResult{ReadStatus::Error, 0} : inner_.Read(b, n);
    }
    void Wake() override { inner_.Wake(); }
    int Write(std::string_view bytes) override { return inner_.Write(bytes); }

    std::vector<PortSettings> configured;  // only touched by the test's thread
    std::atomic<int> waits{0};
    std::atomic<bool> readErrors{false};  // every read fails, the port looks readable
    std::atomic<int> closeError{0};       // Close fails and keeps the port

private:
    PosixSerialBackend inner_;
};

// A running virtual Reader, destroyed after everything a derived test holds.
class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
    }
    sim::VirtualReader sim;
};

}  // namespace tagwright::test
