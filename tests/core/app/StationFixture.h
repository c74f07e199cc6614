#pragma once
// A Station with a port on a virtual Reader, and one without.

#include <gmock/gmock.h>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/ReaderTestSupport.h"
#include "core/app/Station.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {

using ::testing::AllOf, ::testing::ElementsAre, ::testing::HasSubstr, ::testing::Not;

using Lines = std::vector<std::string>;
using Colours = std::vector<Rgb>;
using Page = std::array<std::uint8_t, 8>;

// A station without a Reader, in a temporary working directory.
struct PlainStation {
    PlainStation() { view.Attach(station); }

    TempDir dir;
    CurrentDirectory cwd{dir.Path()};
    RecordingMainView view;
    FakeClock clock;
    Station station{view, clock};
};

class StationFixture : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
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

    void Open() { ASSERT_TRUE(station.reader.port.OpenPort(SettingsFor(sim.SlavePath(), 9600)).opened); }

    void Select(std::initializer_list<int> pages) {
        station.image.selected.fill(0);
        for (int p : pages) station.image.selected.at(static_cast<std::size_t>(p - 1)) = 1;
    }

    Rgb Background(MainControl c) const { return station.window.Control(c).background; }

    // Forgets what the Reader and the view saw so far.
    void Fresh() {
        sim.ClearLog();
        view.ClearRecord();
    }

    RecordingMainView view;
    FakeClock clock;
    Station station{view, clock};
};

}  // namespace tagwright::test
