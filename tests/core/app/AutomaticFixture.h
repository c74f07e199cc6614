#pragma once
// A station in automatic mode on a virtual Reader with short waits: a TI set
// that writes and locks pages 1 and 2 with carrier IDs from a counter, and a
// record file, in a temporary working directory.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app/ProgrammingCycle.h"
#include "core/app/Station.h"
#include "core/app/WindowCommands.h"
#include "reader-sim/VirtualReader.h"
#include "LockedSet.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {

using Texts = std::vector<std::string>;

inline constexpr char kWriteFailedText[] = "Error on locking the pages of the transponder.";
// Pages 1 and 2 with carrier ID 7 at offset 0, length 3; the set's "F" bytes.
inline const std::string kPage1 = "3030374646464646";
inline const std::string kPage2 = "4646464646464646";
inline const std::string kWd1 = "WD 1 " + kPage1;
inline const std::string kWd2 = "WD 2 " + kPage2;

class AutomaticFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        view.Attach(station);
        PortSettings port{sim.SlavePath(), 115200, 8, 0, 0, 0};
        ASSERT_TRUE(station.reader.port.OpenPort(port).opened);
        ParameterSet set = LockedCounterSet(dir.Path());
        set.verifyAfterWrite = true;
        set.retries = 2;
        station.currentSet = set;
        // The counter is saved in the set's file after each transponder.
        station.setDirectory = dir.Path();
        station.settings.currentSetName = "Line";
        station.settings.selectConfig = 1;
        ApplyMode(station);
        station.settings.carrierIdMax = "99999";
        station.carrierId.current = station.carrierId.nextText = "7";
        view.ClearRecord();
        sim.ClearLog();
    }

    void Press() {
        OneCommand(station);
        OnTimer(station, TimerId::Cycle);
    }
    Texts Messages() const { return view.messages.Texts(); }
    Rgb PageColour(int page) const { return station.window.Control(PageField(page)).background; }
    // How often text is in the record file: a UID or a page's HEX text
    // stands in one row per programmed transponder.
    std::size_t RecordRows(const std::string& text) const {
        const std::string record = dir.Read("record.xml");
        std::size_t n = 0;
        for (auto at = record.find(text); at != std::string::npos; at = record.find(text, at + 1)) {
            ++n;
        }
        return n;
    }
    std::string ProtocolLog() const { return dir.Read("IntProt_0.txt"); }

    TempDir dir;
    CurrentDirectory cwd{dir.Path()};  // the protocol log goes there
    FakeClock clock;
    RecordingMainView view;
    sim::VirtualReader sim{[] { sim::Options o; o.torValue = 1; return o; }()};  // 25 ms waits
    Station station{view, clock};
};

}  // namespace tagwright::test
