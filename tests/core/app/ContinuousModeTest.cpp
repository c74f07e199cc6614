// Continuous mode against the virtual Reader: a tag that stays, tags laid
// one after another, and every reason that switches the mode off. Ticks are
// driven directly; nothing waits for the timer.

#include <gtest/gtest.h>

#include "AutomaticFixture.h"
#include "core/app/ContinuousMode.h"
#include "support/ReaderTestSupport.h"

namespace tagwright::test {
namespace {

class ContinuousTest : public AutomaticFixture {
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

TEST_F(ContinuousTest, ATagThatStaysIsProgrammedOnceAndANewUidAgain) {
    for (bool norvik : {false, true}) {
        SCOPED_TRACE(norvik);
        if (norvik) UseNorvik();
        // The journal holds 7 and 8 once the first pass programmed them.
        const int first = norvik ? 9 : 7;
        station.carrierId.current = station.carrierId.nextText = std::to_string(first);
        sim.SetTransponder(sim::Transponder{});
        sim.ClearLog();
        SwitchOn();
        for (int tick = 0; tick < 20; ++tick) Tick();
        EXPECT_EQ(station.carrierId.current, std::to_string(first + 1));
        EXPECT_EQ(station.continuous.status, kWaitingForRemovalText);
        // 20 looks, and one cycle between the first two.
        const Texts log = sim.CommandLog();
        const std::string look = norvik ? "RUID" : "RD 1";
        EXPECT_EQ(std::count(log.begin(), log.end(), "LD 1"), 1);
        EXPECT_EQ(log.front(), look);
        EXPECT_EQ(log.size(), 20u + (norvik ? 13u : 11u) - 1u);
        if (!norvik) {
            // A TI tag has no UID: only an empty look between tells a new one.
            sim.SetPresent(false);
            Tick();
            EXPECT_EQ(station.continuous.status, kWaitingForTagText);
            sim.SetTransponder(sim::Transponder{});
            sim.SetPresent(true);
            Tick();
            EXPECT_EQ(station.carrierId.current, std::to_string(first + 2));
        } else {
            // Another tag laid at once, with no empty look between.
            sim::Transponder next;
            next.uid = "CAFEF00D";
            sim.SetTransponder(next);
            Tick();
            Tick();
            EXPECT_EQ(station.carrierId.current, std::to_string(first + 2));
            EXPECT_EQ(RecordRows("CAFEF00D"), 1u);
        }
        ContOnCommand(station);  // off
        station.continuous = ContinuousWatch{};
    }
}

enum class Stop { FailedCycle, Maximum, ListExhausted, RecordFile, Journal, PortLost };

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
            case Stop::FailedCycle: {
                sim::Faults f;
                f.fakeLock.set(0);
                sim.SetFaults(f);
                break;
            }
            case Stop::Maximum:
                station.settings.carrierIdMax = "7";
                break;
            case Stop::ListExhausted:
                set.useDecimalCounter = false;
                set.useCsvFile = true;
                set.csvFileName = dir.Write("ids.csv", "Carrier ID;done;\r\n007;;\r\n").string();
                break;
            case Stop::RecordFile:
                set.logFileName = dir.Write("record.xml", "not a record file\r\n").string();
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
    {Stop::FailedCycle, kContinuousFailedMessage, false, CycleResult::VerifyFailed},
    {Stop::Maximum, kContinuousMaximumMessage, true, CycleResult::NoCarrierId},
    {Stop::ListExhausted, kContinuousListMessage, true, CycleResult::NoCarrierId},
    {Stop::RecordFile, kContinuousRecordMessage, false, CycleResult::RecordFileError},
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
