// The programming cycle in automatic mode against the virtual Reader: each
// carrier ID source, every step that can fail, and what stops a cycle early.

#include <gtest/gtest.h>

#include "AppRig.h"

namespace tagwright::test {
namespace {

enum class Source { Counter, List, Fix };

class CycleTest : public AppRig {
protected:
    void SetUp() override {
        AppRig::SetUp();
        Automatic();
        station.window.Control(MainControl::ContOn).enabled = false;  // as the window creates it
        UseSet(Source::Counter);
    }

    // The fixture's set without write checks, Edit set for pages 3 and 5
    // only; counter at 7, max 7.
    void UseSet(Source source) {
        ParameterSet& set = station.currentSet = LockedCounterSet(dir.Path());
        set.useDecimalCounter = source == Source::Counter;
        set.useCsvFile = source == Source::List;
        set.useFixData = source == Source::Fix;
        set.csvFileName = (dir / "ids.csv").string();
        set.editPage[2] = set.editPage[4] = true;
        set.writePages3to17 = false;
        ApplyMode(station);
        station.settings.carrierIdMax = "7";
        station.carrierId.current = station.carrierId.nextText = "7";
        sim.SetTransponder(sim::Transponder{});
        Fresh();
    }
};

// A failure after the first write burns the ID, which the carrier may hold,
// so the counter moves past it; a failure before it and a programmed tag are
// the fault scenarios'.
TEST_F(CycleTest, EachFailedStepStopsWithItsMessageAndOnlyAWrittenIdIsBurned) {
    sim.ReplaceAnswer(5, "NAK\r");  // LD 1
    Press();
    EXPECT_EQ(sim.CommandLog(), (Texts{"TOR", kWd1, kWd2, "TOR", "LD 1"}));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(station.carrierId.nextText, "8");
    EXPECT_NE(dir.Read("Line.ini").find("Carrier ID=8"), std::string::npos);
    EXPECT_EQ(dir.Read("record.xml"), "");
}

// Taking in order and marking after success are the list's own tests and
// the journal cycle's, a used-up list the list file's fault scenarios; here
// what a failed write does.
TEST_F(CycleTest, ListCycleBurnsAWrittenEntryAndStopsWhenTheListIsUsedUp) {
    UseSet(Source::List);
    station.currentSet.carrierIdOffset = station.currentSet.carrierIdLength = "4";
    const std::string head = "Carrier ID;done;\r\n0001;X;\r\n";
    dir.Write("ids.csv", head + "0002;;\r\n");
    sim.SetPresent(false);  // a TI write is refused without a transponder
    Press();
    EXPECT_EQ(sim.CommandLog().at(1), "WD 1 4646464630303032");
    EXPECT_EQ(Messages(), Texts{kWriteFailedText});
    // Written and failed: the entry is burned and done.
    EXPECT_EQ(dir.Read("ids.csv"), head + "0002;X;;\r\n");
}

TEST_F(CycleTest, LostOrClosedPortStopsTheCycleBeforeAnythingChanges) {
    sim.HangUp();  // the adapter unplugged
    ASSERT_TRUE(WaitUntil([&] { return station.reader.port.PortLost(); }));
    Press();
    EXPECT_THAT(Messages(), ElementsAre(HasSubstr("no longer available")));
    EXPECT_EQ(station.carrierId.current, "7");

    station.reader.port.ClosePort();
    for (Source source : {Source::Counter, Source::List, Source::Fix}) {
        UseSet(source);
        const std::string list = "Carrier ID;done;\r\n001;;\r\n";
        dir.Write("ids.csv", list);
        const auto pages = station.image.fieldText;
        Press();
        EXPECT_THAT(Messages(), ElementsAre(HasSubstr("port is not open")));
        EXPECT_TRUE(sim.CommandLog().empty());
        EXPECT_EQ(station.carrierId.current, "7");
        EXPECT_EQ(station.image.fieldText, pages);
        EXPECT_EQ(dir.Read("ids.csv"), list);
        EXPECT_FALSE(std::filesystem::exists(dir / "record.xml"));
    }
}

TEST_F(CycleTest, TicksServeOnlyWhatWasRequestedAndOnlyOnce) {
    for (TimerId t : {TimerId::Cycle, TimerId::Idle, TimerId::Continuous}) OnTimer(station, t);
    EXPECT_TRUE(view.events.empty());  // nothing requested
    EXPECT_FALSE(std::filesystem::exists(dir / "IntProt_0.txt"));
    station.run.pendingMessage = "later";
    for (int i = 0; i < 2; ++i) OnTimer(station, TimerId::Messages);
    EXPECT_EQ(Messages(), Texts{"later"});
}

}  // namespace
}  // namespace tagwright::test
