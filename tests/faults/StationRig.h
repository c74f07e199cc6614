#pragma once
// A whole station as the window runs it: its settings file and set file in a
// temporary working directory (where the journal and, unless the set says
// otherwise, the record file go too), its port open on a virtual Reader,
// "  One" pressed as the window's timer delivers it.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/app/ConfigHandOver.h"
#include "core/app/ProgrammingCycle.h"
#include "core/app/WindowCommands.h"
#include "core/config/ConfigDialogModel.h"
#include "core/config/SetStore.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/RecordFile.h"
#include "reader-sim/VirtualReader.h"
#include "support/CounterSet.h"
#include "support/FakeClock.h"
#include "support/FakeConfigView.h"
#include "support/ReaderTestSupport.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

inline constexpr char kSetName[] = "Line";

// Carrier ID 7 in three digits at byte 0, pages 1 and 2 written and read
// back, nothing locked (a transponder can be programmed again).
inline ParameterSet CounterSet(const fs::path& dir, bool norvik = false) {
    ParameterSet set = BaseCounterSet(dir);
    set.verifyAfterWrite = true;
    set.typeTI = !norvik;
    set.typeNorvik = norvik;
    set.carrierId = "7";
    set.retries = 1;
    return set;
}

// Four-character carrier IDs from a list file at byte 0.
inline ParameterSet ListSet(const fs::path& dir, const fs::path& list) {
    ParameterSet set = CounterSet(dir);
    set.useDecimalCounter = false;
    set.useCsvFile = true;
    set.csvFileName = list.string();
    set.carrierIdLength = "4";
    return set;
}

struct StationRig {
    explicit StationRig(sim::Options options = {}) : cwd(dir.Path()), sim(std::move(options)) {
        view.Attach(station);
    }

    // Settings naming the set, the set as the Config dialog saves it,
    // start-up, then the port on the virtual Reader.
    void Start(const ParameterSet& set) {
        WriteSettings();
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
    void WriteSettings() const {
        dir.Write("Tagwright.ini", "[Auto]\r\nSelectConfig=1\r\nPruefablauf_ist=" + setName +
                                       "\r\nPruefablaeufe=1\r\nPruefablauf_0=" + setName +
                                       "\r\nCarrier ID Max=999\r\n");
    }
    void PressOne() {
        OneCommand(station);
        OnTimer(station, TimerId::Cycle);
        OnTimer(station, TimerId::Messages);  // a message left for the tick
    }

    Texts Told() const { return view.messages.Texts(); }
    std::string Counter() const { return station.carrierId.current; }
    std::string Record() const { return dir.Read("record.xml"); }
    std::int64_t Rows() const { return ReadRowCount(dir / "record.xml"); }

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

// Stations as processes sharing a folder, as on one host: true when every
// child's body returned true.
inline bool RunStations(int count, const std::function<bool(int)>& body) {
    std::vector<pid_t> children;
    for (int child = 0; child < count; ++child) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(body(child) ? 0 : 1);
        if (pid < 0) return false;
        children.push_back(pid);
    }
    bool all = true;
    for (pid_t pid : children) {
        int status = 0;
        all = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
              WEXITSTATUS(status) == 0 && all;
    }
    return all;
}

}  // namespace tagwright::test
