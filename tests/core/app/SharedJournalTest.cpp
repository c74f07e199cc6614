// A station on the journal shared with other stations on a PostgreSQL
// server: the server is real, started by the test program, and the station
// programs through the virtual Reader.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppRig.h"
#include "core/app/ProgrammingCycle.h"
#include "core/production/JournalFields.h"
#include "core/production/JournalPostgres.h"
#include "core/config/SetStore.h"
#include "support/PostgresServer.h"

namespace tagwright::test {
namespace {


class SharedJournalTest : public AppRig {
protected:
    void SetUp() override {
        connection = FreshPostgresSchema();
        ASSERT_FALSE(connection.empty()) << SharedPostgresServer().Error();
        AppRig::SetUp();
        Automatic("Demo", "1");
        if (HasFatalFailure()) return;
        station.settings.journal.connection = connection;
    }

    // Another station's journal on the same server.
    std::unique_ptr<Journal> Other(const std::string& host) const {
        JournalOpenResult opened = OpenPostgresJournal(connection, host);
        EXPECT_TRUE(opened.journal) << opened.error;
        return std::move(opened.journal);
    }

    std::string connection;
};

// The journal follows the settings: switched from the station's own SQLite
// journal to the shared one, the next cycle draws from the set's counter
// there, which starts after the highest ID the set used. Stations of an
// earlier version reserve their own next IDs: an ID another station took so
// is skipped without a word, one this station used itself is news.
TEST_F(SharedJournalTest, SwitchedToTheSharedJournalTheCounterGoesOnAfterTheHighestUsedId) {
    auto otherStation = Other("station-b");
    auto thisHost = Other(JournalHostName());
    ASSERT_TRUE(otherStation && thisHost);
    const JournalContext context{"Demo", "", "", ""};
    for (const char* id : {"002", "003"}) {
        ASSERT_EQ(otherStation->Reserve(context, id).status, JournalStatus::Ok);
    }
    ASSERT_EQ(thisHost->Reserve(context, "005").status, JournalStatus::Ok);

    station.settings.journal = {};
    PressFresh();
    station.settings.journal.connection = connection;
    PressFresh();
    ASSERT_EQ(otherStation->Reserve(context, "007").status, JournalStatus::Ok);
    ASSERT_EQ(thisHost->Reserve(context, "008").status, JournalStatus::Ok);
    PressFresh();
    EXPECT_EQ(Ids(), (Texts{"001", "006", "009"}));
    EXPECT_THAT(Messages(), ElementsAre(AllOf(HasSubstr("Carrier ID 008 was already used"),
                                              Not(HasSubstr("007")))));
    EXPECT_EQ(LoadSet(dir.Path(), "Demo", true).carrierId, "10");
    EXPECT_EQ(otherStation->IsUsed("001").use, CarrierIdUse::Free);
    EXPECT_EQ(otherStation->IsUsed("004").use, CarrierIdUse::Free);
    EXPECT_EQ(otherStation->IsUsed("009").use, CarrierIdUse::Programmed);
    EXPECT_NE(station.journal.journal->Location().find("PostgreSQL"), std::string::npos);
}

TEST_F(SharedJournalTest, LostServerStopsTheRunAndTheNextCycleReconnects) {
    PressFresh();
    PostgresServer& server = SharedPostgresServer();
    ASSERT_TRUE(server.Stop());
    sim.ClearLog();
    PressFresh();
    EXPECT_TRUE(Ids().empty()) << "programmed without its journal row";
    ASSERT_TRUE(server.Start()) << server.Error();
    EXPECT_EQ(Messages().size(), 1u);  // its words: the station program's test
    PressFresh();
    EXPECT_EQ(Ids(), Texts{"002"});
}

}  // namespace
}  // namespace tagwright::test
