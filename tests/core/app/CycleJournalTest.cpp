// The programming cycle with its production journal: a real SQLite journal
// in a temporary directory and the virtual Reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app/CycleJournal.h"
#include "core/app/ProgrammingCycle.h"
#include "core/app/Station.h"
#include "core/app/WindowCommands.h"
#include "LockedSet.h"
#include "core/config/SetStore.h"
#include "core/production/JournalSqlite.h"
#include "reader-sim/VirtualReader.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

enum class Source { Counter, List };

class JournalCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        NewStation();
    }

    // A station as after a start: the counter from the set file when there
    // is one, the journal not yet opened.
    void NewStation() {
        station = std::make_unique<Station>(view, clock);
        view.Attach(*station);
        Station& s = *station;
        PortSettings port{sim.SlavePath(), 115200, 8, 0, 0, 0};
        ASSERT_TRUE(s.reader.port.OpenPort(port).opened);
        s.reader.link.ResponseTimeBase = 20;
        s.setDirectory = dir.Path();
        s.settings.currentSetName = "Demo";
        s.settings.selectConfig = 1;
        s.currentSet = MakeSet(Source::Counter);
        ApplyMode(s);
        s.settings.carrierIdMax = "999";
        const std::string saved = LoadSet(dir.Path(), "Demo", true).carrierId;
        s.carrierId.current = s.carrierId.nextText = saved.empty() ? "1" : saved;
        view.ClearRecord();
    }

    // Carrier ID of three bytes at offset 0; pages 1 and 2 locked.
    ParameterSet MakeSet(Source source) const {
        ParameterSet set = LockedCounterSet(dir.Path());
        set.useDecimalCounter = source == Source::Counter;
        set.useCsvFile = source == Source::List;
        set.csvFileName = (dir / "ids.csv").string();
        return set;
    }

    void UseNorvik() {
        station->currentSet.typeTI = false;
        station->currentSet.typeNorvik = true;
    }

    // One press of "  One" on a fresh transponder; the message tick follows.
    // Each has the same UID.
    void Press() {
        sim.SetTransponder(sim::Transponder{});
        OneCommand(*station);
        OnTimer(*station, TimerId::Cycle);
        OnTimer(*station, TimerId::Messages);
    }

    // The carrier IDs written to page 1 since the log was cleared.
    Texts WrittenIds() const {
        Texts ids;
        for (const std::string& line : sim.CommandLog()) {
            if (line.rfind("WD 1 ", 0) != 0) continue;
            const std::string hex = line.substr(5, 6);
            std::string id;
            for (std::size_t i = 0; i < hex.size(); i += 2) {
                id += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            }
            ids.push_back(id);
        }
        return ids;
    }

    CarrierIdUse UseOf(const std::string& id) const {
        JournalOpenResult opened = OpenSqliteJournal(dir.Path());
        EXPECT_TRUE(opened.journal) << opened.error;
        return opened.journal ? opened.journal->IsUsed(id).use : CarrierIdUse::Free;
    }

    Texts Messages() const { return view.messages.Texts(); }
    std::string AllMessages() const {
        std::string all;
        for (const std::string& m : Messages()) all += m + "\n";
        return all;
    }

    TempDir dir;
    CurrentDirectory cwd{dir.Path()};
    FakeClock clock;
    RecordingMainView view;
    sim::VirtualReader sim{[] { sim::Options o; o.torValue = 1; return o; }()};
    std::unique_ptr<Station> station;
};

TEST_F(JournalCycleTest, RestartAfterSomeCyclesContinuesWithTheNextId) {
    for (int i = 0; i < 3; ++i) Press();
    EXPECT_EQ(WrittenIds(), (Texts{"001", "002", "003"}));
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "4");

    NewStation();
    sim.ClearLog();
    Press();
    EXPECT_EQ(WrittenIds(), Texts{"004"});
    EXPECT_TRUE(Messages().empty()) << AllMessages();
    for (const char* id : {"001", "004"}) EXPECT_EQ(UseOf(id), CarrierIdUse::Programmed);
}

TEST_F(JournalCycleTest, CounterTypedBackSkipsEveryUsedIdAndSaysWhich) {
    for (int i = 0; i < 3; ++i) Press();
    station->carrierId.current = station->carrierId.nextText = "1";
    sim.ClearLog();
    Press();
    EXPECT_EQ(WrittenIds(), Texts{"004"});
    ASSERT_EQ(Messages().size(), 1u);
    for (const char* id : {"001", "002", "003"}) {
        EXPECT_NE(Messages()[0].find("Carrier ID " + std::string(id) + " was already used"),
                  std::string::npos)
            << Messages()[0];
    }
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "5");
}

TEST_F(JournalCycleTest, ListWithADuplicateReportsItMarksItAndTakesTheNext) {
    station->currentSet = MakeSet(Source::List);
    const std::string head = "Carrier ID;done;\r\n";
    dir.Write("ids.csv", head + "007;;\r\n007;;\r\n008;;\r\n");
    Press();
    Press();
    EXPECT_EQ(WrittenIds(), (Texts{"007", "008"}));
    EXPECT_EQ(dir.Read("ids.csv"), head + "007;X;;\r\n007;X;;\r\n008;X;;\r\n");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("007"), std::string::npos);
    EXPECT_NE(Messages()[0].find("list file are marked as done"), std::string::npos);
}

TEST_F(JournalCycleTest, SameUidTwiceIsReprogrammedOnlyWithTheOperatorsYes) {
    UseNorvik();
    Press();
    ASSERT_EQ(WrittenIds(), Texts{"001"});
    for (MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        SCOPED_TRACE(answer == MsgAnswer::Yes ? "yes" : "no");
        sim.ClearLog();
        view.ClearRecord();
        view.messages.Answer(answer);
        Press();
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(view.messages.Shown().at(0).buttons, MsgButtons::YesNo);
        EXPECT_NE(Messages()[0].find("UID 1A2B3C4D"), std::string::npos) << Messages()[0];
        EXPECT_NE(Messages()[0].find("carrier ID 001 on "), std::string::npos) << Messages()[0];
        EXPECT_EQ(WrittenIds(), answer == MsgAnswer::Yes ? Texts{"002"} : Texts{});
    }
}

TEST_F(JournalCycleTest, WriteFailureBurnsTheIdAndTheRestartDoesNotOfferIt) {
    sim.ReplaceAnswer(3, "NAK\r");  // WD 2 after TOR and WD 1
    Press();
    EXPECT_EQ(UseOf("001"), CarrierIdUse::Burned);
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "2");
    NewStation();
    station->carrierId.current = "1";  // a restored set file
    sim.ClearLog();
    Press();
    EXPECT_EQ(WrittenIds(), Texts{"002"});
}

// A journal that cannot be had stops every cycle before the Reader hears of it.
TEST_F(JournalCycleTest, JournalThatCannotBeOpenedOrWrittenProgramsNothing) {
    // The record file's directory is a file: no journal can be opened there.
    dir.Write("blocked", "a file");
    station->currentSet.logFileName = (dir / "blocked" / "record.xml").string();
    Press();
    EXPECT_TRUE(sim.CommandLog().empty());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("without its row in the production journal"), std::string::npos);

    // A full disk while the journal is open: the reservation cannot be written.
    station->currentSet.logFileName = (dir / "record.xml").string();
    Press();
    ASSERT_EQ(WrittenIds(), Texts{"001"});
    view.ClearRecord();
    sim.ClearLog();
    {
        FileSizeLimit limit(0);
        ASSERT_TRUE(limit.Ok());
        Press();
    }
    EXPECT_TRUE(WrittenIds().empty());
    ASSERT_FALSE(Messages().empty());
    EXPECT_NE(Messages()[0].find("production journal"), std::string::npos) << Messages()[0];
    // Room again: the run goes on with the next free ID.
    view.ClearRecord();
    Press();
    EXPECT_EQ(WrittenIds(), Texts{"002"});
}

TEST_F(JournalCycleTest, DamagedJournalIsKeptAndANewOneStartedWithANotice) {
    const std::string garbage(8192, 'x');
    dir.Write("Tagwright-journal.sqlite", garbage);
    Press();
    EXPECT_EQ(WrittenIds(), Texts{"001"});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("is damaged"), std::string::npos) << Messages()[0];
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (name.find(".damaged-") != std::string::npos && name.find("-wal") == std::string::npos) {
            ++kept;
            EXPECT_EQ(dir.Read(name), garbage);
        }
    }
    EXPECT_EQ(kept, 1);
}

TEST_F(JournalCycleTest, LoggingOffStillJournalsAndLastCarrierIdContinuesFromIt) {
    station->currentSet.logEnabled = false;
    for (int i = 0; i < 2; ++i) Press();
    EXPECT_FALSE(fs::exists(dir / "record.xml"));
    EXPECT_EQ(UseOf("002"), CarrierIdUse::Programmed);

    station->carrierId.current = station->carrierId.nextText = "1";
    LastCarrierId(*station);
    EXPECT_EQ(station->carrierId.nextText, "3");
    station->settings.currentSetName = "Other";
    LastCarrierId(*station);
    EXPECT_EQ(station->carrierId.nextText, "3");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("no carrier ID of the set \"Other\""), std::string::npos);
}

TEST_F(JournalCycleTest, UnwritableSetFileStopsTheRunUntilTheCounterIsSaved) {
    // The set file's place is taken by a directory: the key cannot be written.
    fs::create_directory(dir / "Demo.ini");
    Press();
    EXPECT_EQ(WrittenIds(), Texts{"001"});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("cannot be saved in the set \"Demo\""), std::string::npos);
    view.ClearRecord();
    sim.ClearLog();
    Press();
    EXPECT_TRUE(sim.CommandLog().empty());
    EXPECT_EQ(Messages().size(), 1u);

    fs::remove(dir / "Demo.ini");
    view.ClearRecord();
    Press();
    EXPECT_EQ(WrittenIds(), Texts{"002"});
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "3");
}

}  // namespace
}  // namespace tagwright::test
