// The programming cycle with its production journal: a real SQLite journal
// in a temporary directory and the virtual Reader.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app/CycleJournal.h"
#include "core/app/ProgrammingCycle.h"
#include "AppRig.h"
#include "core/production/JournalSqlite.h"
#include "support/FileSizeLimit.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

class JournalCycleTest : public AppRig {
protected:
    void SetUp() override {
        AppRig::SetUp();
        Automatic("Demo", "1");
    }
    CarrierIdUse UseOf(const std::string& id) const {
        JournalOpenResult opened = OpenSqliteJournal(dir.Path());
        EXPECT_TRUE(opened.journal) << opened.error;
        return opened.journal ? opened.journal->IsUsed(id).use : CarrierIdUse::Free;
    }
};

TEST_F(JournalCycleTest, RestartContinuesWithTheNextIdAndACounterTypedBackSkipsTheUsedOnes) {
    for (int i = 0; i < 3; ++i) PressFresh();
    EXPECT_EQ(Ids(), (Texts{"001", "002", "003"}));
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "4");

    station.reader.port.ClosePort();  // a restart: the old station lets go of the port
    Station again{view, clock};
    view.Attach(again);
    StartCounter(again, "Demo", LoadSet(dir.Path(), "Demo", true).carrierId);
    Fresh();
    PressFresh(again);
    EXPECT_EQ(Ids(), Texts{"004"});
    EXPECT_TRUE(Messages().empty());
    for (const char* id : {"001", "004"}) EXPECT_EQ(UseOf(id), CarrierIdUse::Programmed);

    again.carrierId.current = again.carrierId.nextText = "1";
    sim.ClearLog();
    PressFresh(again);
    EXPECT_EQ(Ids(), Texts{"005"});
    EXPECT_THAT(Messages(), ElementsAre(AllOf(HasSubstr("Carrier ID 001 was already used"),
                                              HasSubstr("Carrier ID 002 was already used"),
                                              HasSubstr("Carrier ID 004 was already used"))));
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "6");
}

TEST_F(JournalCycleTest, ListWithADuplicateReportsItMarksItAndTakesTheNext) {
    station.currentSet.useDecimalCounter = false;
    station.currentSet.useCsvFile = true;
    station.currentSet.csvFileName = (dir / "ids.csv").string();
    const std::string head = "Carrier ID;done;\r\n";
    dir.Write("ids.csv", head + "007;;\r\n007;;\r\n008;;\r\n");
    PressFresh();
    PressFresh();
    EXPECT_EQ(Ids(), (Texts{"007", "008"}));
    EXPECT_EQ(dir.Read("ids.csv"), head + "007;X;;\r\n007;X;;\r\n008;X;;\r\n");
    EXPECT_THAT(Messages(),
                ElementsAre(AllOf(HasSubstr("007"), HasSubstr("list file are marked as done"))));
}

// A journal that cannot be had stops every cycle before the Reader hears of it.
TEST_F(JournalCycleTest, JournalThatCannotBeOpenedOrWrittenProgramsNothing) {
    // The record file's directory is a file: no journal can be opened there.
    dir.Write("blocked", "a file");
    station.currentSet.logFileName = (dir / "blocked" / "record.xml").string();
    PressFresh();
    EXPECT_TRUE(sim.CommandLog().empty());
    EXPECT_THAT(Messages(), ElementsAre(HasSubstr("without its row in the production journal")));

    // A full disk while the journal is open: the reservation cannot be written.
    station.currentSet.logFileName = (dir / "record.xml").string();
    PressFresh();
    ASSERT_EQ(Ids(), Texts{"001"});
    view.ClearRecord();
    sim.ClearLog();
    {
        FileSizeLimit limit(0);
        ASSERT_TRUE(limit.Ok());
        PressFresh();
    }
    EXPECT_TRUE(Ids().empty());
    ASSERT_FALSE(Messages().empty());
    EXPECT_NE(Messages()[0].find("production journal"), std::string::npos) << Messages()[0];
    // Room again: the run goes on with the next free ID.
    view.ClearRecord();
    PressFresh();
    EXPECT_EQ(Ids(), Texts{"002"});
}

// What is kept of a damaged journal is the journal's own test; here the run
// goes on and the operator hears of it.
TEST_F(JournalCycleTest, DamagedJournalIsReplacedWithANoticeAndLoggingOffStillJournals) {
    dir.Write("Tagwright-journal.sqlite", std::string(8192, 'x'));
    station.currentSet.logEnabled = false;
    for (int i = 0; i < 2; ++i) PressFresh();
    EXPECT_EQ(Ids(), (Texts{"001", "002"}));
    EXPECT_THAT(Messages(), ElementsAre(HasSubstr("is damaged")));
    EXPECT_FALSE(fs::exists(dir / "record.xml"));
    EXPECT_EQ(UseOf("002"), CarrierIdUse::Programmed);

    view.ClearRecord();
    station.carrierId.current = station.carrierId.nextText = "1";
    LastCarrierId(station);
    EXPECT_EQ(station.carrierId.nextText, "3");
    station.settings.currentSetName = "Other";
    LastCarrierId(station);
    EXPECT_EQ(station.carrierId.nextText, "3");
    EXPECT_THAT(Messages(), ElementsAre(HasSubstr("no carrier ID of the set \"Other\"")));
}

TEST_F(JournalCycleTest, UnwritableSetFileStopsTheRunUntilTheCounterIsSaved) {
    // The set file's place is taken by a directory: the key cannot be written.
    fs::create_directory(dir / "Demo.ini");
    PressFresh();
    EXPECT_EQ(Ids(), Texts{"001"});
    EXPECT_THAT(Messages(), ElementsAre(HasSubstr("cannot be saved in the set \"Demo\"")));
    view.ClearRecord();
    sim.ClearLog();
    PressFresh();
    EXPECT_TRUE(sim.CommandLog().empty());
    EXPECT_EQ(Messages().size(), 1u);

    fs::remove(dir / "Demo.ini");
    view.ClearRecord();
    PressFresh();
    EXPECT_EQ(Ids(), Texts{"002"});
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "3");
}

}  // namespace
}  // namespace tagwright::test
