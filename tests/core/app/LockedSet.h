#pragma once
// The set most cycle tests program with: type TI, a carrier ID of three
// digits at byte 0 from a counter, pages 1 and 2 written and locked ("F"
// bytes beside the ID, "-" in pages 3 to 17), rows to dir/record.xml; a
// station started on it, one press on a fresh tag, and the IDs a Reader saw
// written; a test fixture around such a station.

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/app/ProgrammingCycle.h"
#include "core/app/Station.h"
#include "core/app/WindowCommands.h"
#include "core/config/ParameterSet.h"
#include "core/config/SetStore.h"
#include "support/CounterSet.h"
#include "reader-sim/VirtualReader.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {

using ::testing::AllOf, ::testing::ElementsAre, ::testing::HasSubstr, ::testing::Not;

inline ParameterSet LockedCounterSet(const std::filesystem::path& dir) {
    ParameterSet set = BaseCounterSet(dir);
    set.typeTI = true;
    set.lockPage[0] = set.lockPage[1] = true;
    return set;
}

// A station on set "Demo" in dir as after a start: the counter from the set
// file when there is one, the journal not yet opened. Null when the port
// does not open.
inline std::unique_ptr<Station> StartCounterStation(RecordingMainView& view, const Clock& clock,
                                                    const std::filesystem::path& dir,
                                                    const std::string& port) {
    auto station = std::make_unique<Station>(view, clock);
    view.Attach(*station);
    Station& s = *station;
    if (!s.reader.port.OpenPort(PortSettings{port, 115200, 8, 0, 0, 0}).opened) return nullptr;
    s.setDirectory = dir;
    s.settings.currentSetName = "Demo";
    s.settings.selectConfig = 1;
    s.currentSet = LockedCounterSet(dir);
    ApplyMode(s);
    s.settings.carrierIdMax = "999";
    const std::string saved = LoadSet(dir, "Demo", true).carrierId;
    s.carrierId.current = s.carrierId.nextText = saved.empty() ? "1" : saved;
    return station;
}

// One press of "  One" on a fresh transponder (each has the same UID), the
// cycle run and the message tick after it.
inline void PressOnFreshTag(Station& station, sim::VirtualReader& reader) {
    reader.SetTransponder(sim::Transponder{});
    OneCommand(station);
    OnTimer(station, TimerId::Cycle);
    OnTimer(station, TimerId::Messages);
}

// The three-digit carrier IDs written to page 1 in a Reader's command log.
inline std::vector<std::string> WrittenIds(const std::vector<std::string>& log) {
    std::vector<std::string> ids;
    for (const std::string& line : log) {
        if (line.rfind("WD 1 ", 0) != 0) continue;
        std::string id;
        for (std::size_t i = 5; i < 11; i += 2) {
            id += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        }
        ids.push_back(id);
    }
    return ids;
}

// A counter station on its own virtual Reader with short waits, in a
// temporary working directory; NewStation() restarts it on the same files.
class CounterStationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        NewStation();
    }
    void NewStation() {
        station.reset();  // the old station lets go of the port first
        station = StartCounterStation(view, clock, dir.Path(), sim.SlavePath());
        ASSERT_TRUE(station);
        station->reader.link.ResponseTimeBase = 20;
        view.ClearRecord();
    }
    void Press() { PressOnFreshTag(*station, sim); }
    std::vector<std::string> Ids() const { return WrittenIds(sim.CommandLog()); }
    std::vector<std::string> Messages() const { return view.messages.Texts(); }

    TempDir dir;
    CurrentDirectory cwd{dir.Path()};
    FakeClock clock;
    RecordingMainView view;
    sim::VirtualReader sim{[] { sim::Options o; o.torValue = 1; return o; }()};
    std::unique_ptr<Station> station;
};

}  // namespace tagwright::test
