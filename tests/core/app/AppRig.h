#pragma once
// The app-level rig: a Station on a recording view and a fake clock, in a
// temporary working directory, on a virtual Reader; and the counter set the
// cycle tests program with: type TI, a carrier ID of three digits at byte 0
// ("F" bytes beside it, "-" in pages 3 to 17), pages 1 and 2 written and
// locked, rows to dir/record.xml.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/app/ProgrammingCycle.h"
#include "core/app/Station.h"
#include "core/app/WindowCommands.h"
#include "core/config/ParameterSet.h"
#include "core/config/SetStore.h"
#include "reader-sim/VirtualReader.h"
#include "support/CounterSet.h"
#include "support/FakeClock.h"
#include "support/ReaderTestSupport.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {

using ::testing::AllOf, ::testing::ElementsAre, ::testing::HasSubstr, ::testing::Not;

using Texts = std::vector<std::string>;
using Lines = Texts;
using Colours = std::vector<Rgb>;
using Page = std::array<std::uint8_t, 8>;

inline constexpr char kWriteFailedText[] = "Error on locking the pages of the transponder.";
// Pages 1 and 2 with carrier ID 7 at offset 0, length 3; the set's "F" bytes.
inline const std::string kPage1 = "3030374646464646";
inline const std::string kPage2 = "4646464646464646";
inline const std::string kWd1 = "WD 1 " + kPage1;
inline const std::string kWd2 = "WD 2 " + kPage2;

inline ParameterSet LockedCounterSet(const std::filesystem::path& dir) {
    ParameterSet set = BaseCounterSet(dir);
    set.typeTI = true;
    set.lockPage[0] = set.lockPage[1] = true;
    return set;
}

// A station without a Reader, in a temporary working directory.
struct PlainStation {
    PlainStation() { view.Attach(station); }

    TempDir dir;
    CurrentDirectory cwd{dir.Path()};
    RecordingMainView view;
    FakeClock clock;
    Station station{view, clock};
};

class AppRig : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        view.Attach(station);
        // A reply ends its wait when it comes, so a generous base costs
        // nothing; time-out cases lower the Reader's TOR value instead.
        station.reader.link.ResponseTimeBase = 250;
        SetPages({0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77},
                 {0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF});
    }

    // Pages 1 and 2 as given, page 3 "ABCDEFGH", nothing locked.
    void SetPages(Page page1, Page page2) {
        sim::Transponder t;
        t.pages[0] = page1;
        t.pages[1] = page2;
        t.pages[2] = {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48};
        sim.SetTransponder(t);
    }

    void Open(int baud = 9600) {
        ASSERT_TRUE(station.reader.port.OpenPort(SettingsFor(sim.SlavePath(), baud)).opened);
    }

    // S started in automatic mode on set NAME, the locked counter set at
    // VALUE; the counter is saved in the set's file after each transponder.
    void StartCounter(Station& s, const std::string& name, const std::string& value) {
        ASSERT_TRUE(s.reader.port.OpenPort(SettingsFor(sim.SlavePath())).opened);
        s.setDirectory = dir.Path();
        s.settings.currentSetName = name;
        s.settings.selectConfig = 1;
        s.currentSet = LockedCounterSet(dir.Path());
        ApplyMode(s);
        s.settings.carrierIdMax = "99999";
        s.carrierId.current = s.carrierId.nextText = value;
    }

    // Automatic mode as StartCounter, on a fresh tag with short waits (TOR 1).
    void Automatic(const std::string& name = "Line", const std::string& value = "7") {
        sim.SetTorValue(1);
        sim.SetTransponder(sim::Transponder{});
        StartCounter(station, name, value);
        Fresh();
    }

    void Select(std::initializer_list<int> pages) {
        station.image.selected.fill(0);
        for (int p : pages) station.image.selected.at(static_cast<std::size_t>(p - 1)) = 1;
    }

    Rgb Background(MainControl c) const { return station.window.Control(c).background; }
    Rgb PageColour(int page) const { return Background(PageField(page)); }

    // Forgets what the Reader and the view saw so far.
    void Fresh() {
        sim.ClearLog();
        view.ClearRecord();
    }

    void Press(Station& s) {
        OneCommand(s);
        OnTimer(s, TimerId::Cycle);
    }
    void Press() { Press(station); }
    // On a fresh transponder (each has the same UID), the message tick after.
    void PressFresh(Station& s) {
        sim.SetTransponder(sim::Transponder{});
        Press(s);
        OnTimer(s, TimerId::Messages);
    }
    void PressFresh() { PressFresh(station); }

    Texts Messages() const { return view.messages.Texts(); }
    // The three-digit carrier IDs the Reader saw written to page 1.
    Texts Ids() const {
        Texts ids;
        for (const std::string& line : sim.CommandLog()) {
            if (line.rfind("WD 1 ", 0) != 0) continue;
            std::string id;
            for (std::size_t i = 5; i < 11; i += 2) {
                id += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
            }
            ids.push_back(id);
        }
        return ids;
    }
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

    sim::VirtualReader sim;
    TempDir dir;
    CurrentDirectory cwd{dir.Path()};  // the protocol log goes there
    RecordingMainView view;
    FakeClock clock;
    Station station{view, clock};
};

// Automatic mode with the write checks on: read-back, lock proofs, two retries.
class CheckedRig : public AppRig {
protected:
    void SetUp() override {
        AppRig::SetUp();
        Automatic();
        station.currentSet.verifyAfterWrite = true;
        station.currentSet.retries = 2;
    }
};

}  // namespace tagwright::test
