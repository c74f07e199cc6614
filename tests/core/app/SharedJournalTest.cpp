// A station on the journal shared with other stations on a PostgreSQL
// server: the server is real, started by the test program, and the station
// programs through the virtual Reader.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LockedSet.h"
#include "core/app/ProgrammingCycle.h"
#include "core/app/StationSettings.h"
#include "core/production/JournalFields.h"
#include "core/production/JournalPostgres.h"
#include "core/config/SetStore.h"
#include "reader-sim/VirtualReader.h"
#include "support/FakeClock.h"
#include "support/PostgresServer.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

using Texts = std::vector<std::string>;

class SharedJournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection = FreshPostgresSchema();
        ASSERT_FALSE(connection.empty()) << SharedPostgresServer().Error();
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        station = StartCounterStation(view, clock, dir.Path(), sim.SlavePath());
        ASSERT_TRUE(station);
        station->reader.link.ResponseTimeBase = 20;
        station->settings.journal.connection = connection;
        view.ClearRecord();
    }

    void Press() { PressOnFreshTag(*station, sim); }

    Texts WrittenIds() const { return test::WrittenIds(sim.CommandLog()); }

    // Another station's journal on the same server.
    std::unique_ptr<Journal> Other(const std::string& host) const {
        JournalOpenResult opened = OpenPostgresJournal(connection, host);
        EXPECT_TRUE(opened.journal) << opened.error;
        return std::move(opened.journal);
    }

    std::string connection;
    TempDir dir;
    CurrentDirectory cwd{dir.Path()};
    FakeClock clock;
    RecordingMainView view;
    sim::VirtualReader sim{[] { sim::Options o; o.torValue = 1; return o; }()};
    std::unique_ptr<Station> station;
};

// IDs another station took are the shared range's daily business: skipped
// without a word. An ID this station used itself is news, as on SQLite.
TEST_F(SharedJournalTest, IdsOfAnotherStationAreSkippedQuietly) {
    auto otherStation = Other("station-b");
    auto thisHost = Other(JournalHostName());
    ASSERT_TRUE(otherStation && thisHost);
    const JournalContext context{"Demo", "", "", ""};
    for (const char* id : {"002", "003"}) {
        ASSERT_EQ(otherStation->Reserve(context, id).status, JournalStatus::Ok);
    }
    ASSERT_EQ(thisHost->Reserve(context, "005").status, JournalStatus::Ok);

    for (int i = 0; i < 3; ++i) Press();
    EXPECT_EQ(WrittenIds(), (Texts{"001", "004", "006"}));
    const Texts messages = view.messages.Texts();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Carrier ID 005 was already used"), std::string::npos)
        << messages[0];
    EXPECT_EQ(messages[0].find("002"), std::string::npos) << messages[0];
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "7");
    EXPECT_EQ(otherStation->IsUsed("006").use, CarrierIdUse::Programmed);
}

// The journal follows the settings: switched from the station's own SQLite
// journal to the shared one, the next cycle reserves on the server.
TEST_F(SharedJournalTest, ChangedChoiceReopensTheJournal) {
    station->settings.journal = {};
    Press();
    station->settings.journal.connection = connection;
    Press();
    EXPECT_EQ(WrittenIds(), (Texts{"001", "002"}));
    auto shared = Other("station-b");
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->IsUsed("001").use, CarrierIdUse::Free);
    EXPECT_EQ(shared->IsUsed("002").use, CarrierIdUse::Programmed);
    EXPECT_NE(station->journal.journal->Location().find("PostgreSQL"), std::string::npos);
}

TEST_F(SharedJournalTest, LostServerStopsTheRunAndTheNextCycleReconnects) {
    Press();
    PostgresServer& server = SharedPostgresServer();
    ASSERT_TRUE(server.Stop());
    sim.ClearLog();
    Press();
    EXPECT_TRUE(WrittenIds().empty()) << "programmed without its journal row";
    ASSERT_TRUE(server.Start()) << server.Error();
    const Texts messages = view.messages.Texts();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(server.SocketDirectory().string()), std::string::npos)
        << messages[0];
    EXPECT_NE(messages[0].find("no transponder is programmed without its row"), std::string::npos);
    Press();
    EXPECT_EQ(WrittenIds(), Texts{"002"});
}

// The connection is the line engineer's: saving the settings at shutdown
// keeps it byte for byte.
TEST(SharedJournalSettings, ConnectionKeySurvivesEverySave) {
    TempDir dir;
    const std::string line = "Connection=service=line-journal connect_timeout=5";
    dir.Write("Tagwright.ini", "[Auto]\r\nSelectConfig=1\r\n[Journal]\r\n" + line + "\r\n");
    StationSettings settings;
    TransponderImage image;
    LoadStationSettingsFile(dir.Path(), settings, image);
    EXPECT_EQ(settings.journal.connection, "service=line-journal connect_timeout=5");
    settings.journal.connection = "host=elsewhere";  // never written back
    for (int i = 0; i < 2; ++i) {
        std::string error;
        ASSERT_TRUE(SaveStationSettingsFile(dir.Path(), settings, image, &error)) << error;
    }
    EXPECT_NE(dir.Read("Tagwright.ini").find("[Journal]\r\n" + line + "\r\n"), std::string::npos)
        << dir.Read("Tagwright.ini");
}

}  // namespace
}  // namespace tagwright::test
