#pragma once
// A whole station as the window runs it: started from its settings file and
// its set file in a temporary working directory (where the journal, the
// protocol log and, unless the set says otherwise, the record file go too),
// its port open on a virtual Reader, "  One" pressed as the window's timer
// delivers it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app/ProgrammingCycle.h"
#include "core/app/WindowCommands.h"
#include "core/config/SetStore.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/RecordFile.h"
#include "reader-sim/VirtualReader.h"
#include "support/FakeClock.h"
#include "support/ReaderTestSupport.h"
#include "support/CounterSet.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {

inline constexpr char kSetName[] = "Line";
// Page 1 of a counter set with ID 7 at offset 0, length 3, the rest "F".
inline constexpr char kPage1Hex[] = "30 30 37 46 46 46 46 46";

// A counter set: carrier IDs of three digits at byte 0, "F" bytes beside
// them, "-" in pages 3 to 17; pages 1 and 2 written and read back, nothing
// locked (the same transponder can be programmed again); rows to
// record.xml in dir.
inline ParameterSet CounterSet(const std::filesystem::path& dir, bool norvik = false) {
    ParameterSet set = BaseCounterSet(dir);
    set.verifyAfterWrite = true;
    set.typeTI = !norvik;
    set.typeNorvik = norvik;
    set.carrierId = "7";
    set.retries = 1;
    return set;
}

struct StationRig {
    explicit StationRig(sim::Options options = {})
        : cwd(dir.Path()), sim(std::move(options)) {
        view.Attach(station);
    }

    // Settings naming the set, the set file as saved by the Config dialog,
    // start-up, then the port on the virtual Reader.
    void Start(const ParameterSet& set, const std::string& max = "999") {
        WriteSettings(max);
        NameList names;
        RecordingMessageView quiet;
        ASSERT_EQ(SaveSet(dir.Path(), setName, set, names, quiet), SaveSetResult::Saved);
        StartUp(station);
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        ASSERT_TRUE(station.reader.port.OpenPort(SettingsFor(sim.SlavePath())).opened);
        view.messages.Clear();
        sim.ClearLog();
    }
    void WriteSettings(const std::string& max) const {
        dir.Write("Tagwright.ini", "[Auto]\r\nSelectConfig=1\r\nPruefablauf_ist=" + setName +
                                       "\r\nPruefablaeufe=1\r\nPruefablauf_0=" + setName +
                                       "\r\nCarrier ID Max=" + max + "\r\n");
    }
    void PressOne() {
        OneCommand(station);
        OnTimer(station, TimerId::Cycle);
        OnTimer(station, TimerId::Messages);  // a message left for the tick
    }

    std::vector<std::string> Told() const { return view.messages.Texts(); }
    std::string Counter() const { return station.carrierId.current; }
    std::string Record() const { return dir.Read("record.xml"); }
    std::int64_t Rows() const { return ReadRowCount(dir / "record.xml"); }
    // Commands of one kind the Reader got ("WD", "LD", "RD", "RUID").
    std::size_t Sent(const std::string& kind) const {
        std::size_t n = 0;
        for (const std::string& line : sim.CommandLog()) n += line.rfind(kind + " ", 0) == 0 ||
                                                              line == kind;
        return n;
    }
    sim::Transponder Tag() const { return sim.GetTransponder(); }

    std::string setName = kSetName;
    TempDir dir;
    CurrentDirectory cwd;
    RecordingMainView view;
    FakeClock clock;
    Station station{view, clock};
    sim::VirtualReader sim;
};

// Times text stands in bytes.
inline std::size_t Occurrences(const std::string& bytes, const std::string& text) {
    std::size_t n = 0;
    for (auto at = bytes.find(text); at != std::string::npos; at = bytes.find(text, at + 1)) ++n;
    return n;
}

}  // namespace tagwright::test
