// Continuous mode against the virtual Reader: a new UID laid at once, and
// the stops no scenario reaches. Ticks are driven directly.

#include <gtest/gtest.h>

#include "AppRig.h"
#include "core/app/ContinuousMode.h"

namespace tagwright::test {
namespace {

class ContinuousTest : public CheckedRig {
protected:
    // The run starts with the parameter block in the record file.
    void SwitchOn() {
        station.run.headerBlockPending = false;
        ContOnCommand(station);
        ASSERT_TRUE(station.run.continuousMode);
        EXPECT_EQ(station.run.contOnLabel, "Cont Off");
        EXPECT_TRUE(station.run.headerBlockPending);
    }
    void Tick() { OnTimer(station, TimerId::Continuous); }
    void UseNorvik() {
        station.currentSet.typeTI = false;
        station.currentSet.typeNorvik = true;
    }
};

// A Norvik tag is told by its UID: one laid at once in place of another is
// new, once. Tags without a UID, and the stop at the maximum, are the window
// scenarios'.
TEST_F(ContinuousTest, ANewUidLaidAtOnceIsProgrammedOnce) {
    UseNorvik();
    SwitchOn();
    Tick();
    Tick();
    sim::Transponder next;
    next.uid = "CAFEF00D";
    sim.SetTransponder(next);
    sim.ClearLog();
    Tick();
    Tick();
    const Texts after = sim.CommandLog();
    EXPECT_EQ(std::count(after.begin(), after.end(), "RUID"), 3);  // two looks, one cycle
    EXPECT_EQ(station.carrierId.current, "9");
    EXPECT_EQ(RecordRows("CAFEF00D"), 1u);
}

// A record file that cannot be written, a failed cycle: the station
// program's exit code tests.
enum class Stop { ListExhausted, Journal, PortLost };

struct StopCase {
    Stop stop;
    const char* why;
    bool rowWritten;
    CycleResult stoppedFor;  // what a front end without messages learns
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.why; }

class StopTest : public ContinuousTest, public ::testing::WithParamInterface<StopCase> {
protected:
    void Arrange(Stop stop) {
        ParameterSet& set = station.currentSet;
        switch (stop) {
            case Stop::ListExhausted:
                set.useDecimalCounter = false;
                set.useCsvFile = true;
                set.csvFileName = dir.Write("ids.csv", "Carrier ID;done;\r\n007;;\r\n").string();
                break;
            case Stop::Journal:  // no journal can be opened in a missing folder
                set.logFileName = (dir / "missing" / "record.xml").string();
                break;
            case Stop::PortLost:
                sim.HangUp();
                ASSERT_TRUE(WaitUntil([&] { return station.reader.port.PortLost(); }));
                break;
        }
    }
};

const StopCase kStops[] = {
    {Stop::ListExhausted, kContinuousListMessage, true, CycleResult::NoCarrierId},
    {Stop::Journal, kContinuousJournalMessage, false, CycleResult::JournalError},
    {Stop::PortLost, kContinuousPortMessage, false, CycleResult::PortNotOpen},
};

TEST_P(StopTest, SwitchesTheModeOffWithItsMessage) {
    const StopCase& c = GetParam();
    Arrange(c.stop);
    SwitchOn();
    Tick();
    Tick();
    EXPECT_FALSE(station.run.continuousMode);
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back(), c.why);
    EXPECT_EQ(station.run.continuousStop, c.stoppedFor);
    EXPECT_EQ(station.run.lastCycle.result == CycleResult::Programmed, c.rowWritten);
    EXPECT_EQ(station.run.contOnLabel, "Cont On");
    EXPECT_TRUE(station.window.Control(MainControl::One).enabled);
    EXPECT_TRUE(station.window.Control(MainControl::ContOn).enabled);
    EXPECT_TRUE(station.continuous.status.empty());
    EXPECT_EQ(RecordRows("30 30 37 46 46 46 46 46"), c.rowWritten ? 1u : 0u);
    ASSERT_FALSE(view.timerStops.empty());
    EXPECT_EQ(view.timerStops.back(), TimerId::Continuous);
}

INSTANTIATE_TEST_SUITE_P(Continuous, StopTest, ::testing::ValuesIn(kStops));

}  // namespace
}  // namespace tagwright::test
