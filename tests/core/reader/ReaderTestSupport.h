#pragma once
// Shared pieces of the reader tests: a virtual Reader, port settings for its
// line and a wait for asynchronous conditions.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "reader-sim/VirtualReader.h"
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

// 8 data bits, one stop bit, no parity, no flow control.
inline PortSettings SettingsFor(const std::string& path, int baud = 115200) {
    return PortSettings{path, baud, 8, 0, 0, 0};
}

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
