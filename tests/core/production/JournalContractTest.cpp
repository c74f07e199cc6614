// The rules every production journal keeps, checked alike for the
// station's own SQLite journal and for the one shared on PostgreSQL.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "JournalSamples.h"
#include "core/production/JournalFields.h"
#include "core/production/JournalPostgres.h"
#include "core/production/JournalSqlite.h"
#include "support/PostgresServer.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

// Opens journals in one fresh, empty place.
using Opener = std::function<JournalOpenResult()>;

struct Backend {
    const char* name;
    std::function<Opener()> fresh;
};

Opener FreshSqlite() {
    auto dir = std::make_shared<TempDir>();
    return [dir] { return OpenSqliteJournal(dir->Path()); };
}

Opener FreshPostgres() {
    const std::string connection = FreshPostgresSchema();
    return [connection] {
        if (!connection.empty()) return OpenPostgresJournal(connection);
        JournalOpenResult none;
        none.error = SharedPostgresServer().Error();
        return none;
    };
}

class JournalContract : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override { open_ = GetParam().fresh(); }

    std::unique_ptr<Journal> Open() const {
        JournalOpenResult opened = open_();
        EXPECT_TRUE(opened.journal) << opened.error;
        EXPECT_EQ(opened.notice, "");
        return std::move(opened.journal);
    }

    Opener open_;
};

TEST_P(JournalContract, EveryIdOnceWhateverBecameOfIt) {
    auto journal = Open();
    ASSERT_TRUE(journal);
    const ReserveResult programmed = journal->Reserve(kLine1, "0004");
    const ReserveResult burned = journal->Reserve(kLine1, "0005");
    ASSERT_EQ(programmed.status, JournalStatus::Ok) << programmed.message;
    ASSERT_EQ(burned.status, JournalStatus::Ok);
    ASSERT_EQ(journal->Reserve(kLine1, "0006").status, JournalStatus::Ok);
    EXPECT_TRUE(journal->Confirm(programmed.cycle, Programmed("E0040100AB")).ok);
    EXPECT_TRUE(journal->Fail(burned.cycle, Failed("write", "WD 3 ERR")).ok);
    EXPECT_TRUE(journal->RecordFailure(kLine1, "0007", Failed("read UID", "NOTAG")).ok);
    EXPECT_FALSE(journal->Confirm(programmed.cycle, Programmed("x")).ok) << "confirmed once only";
    EXPECT_FALSE(journal->Confirm(burned.cycle, Programmed("x")).ok) << "a burned ID stays so";

    journal.reset();  // the station stops, or is killed: 0006 was never confirmed
    journal = Open();
    ASSERT_TRUE(journal);
    const struct { const char* id; CarrierIdUse use; } cases[] = {
        {"0004", CarrierIdUse::Programmed}, {"0005", CarrierIdUse::Burned},
        {"0006", CarrierIdUse::Burned},     {"0007", CarrierIdUse::Free},
        {"4", CarrierIdUse::Free}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const CarrierIdLookup lookup = journal->IsUsed(c.id);
        EXPECT_TRUE(lookup.ok && lookup.use == c.use) << lookup.message;
        const ReserveResult again = journal->Reserve(kLine1, c.id);
        EXPECT_EQ(again.status, c.use == CarrierIdUse::Free ? JournalStatus::Ok
                                                             : JournalStatus::AlreadyUsed);
        if (c.use == CarrierIdUse::Free) continue;
        EXPECT_EQ(again.use, c.use);
        EXPECT_FALSE(again.otherStation) << "this station used it";
        EXPECT_NE(again.message.find(c.id), std::string::npos) << again.message;
    }
    // Fix data reserves no ID: every such cycle gets its row.
    EXPECT_EQ(journal->Reserve(kLine1, "").status, JournalStatus::Ok);
    EXPECT_EQ(journal->Reserve(kLine1, "").status, JournalStatus::Ok);
    EXPECT_TRUE(journal->RecordFailure(kLine1, "", Failed("read UID", "NOTAG")).ok);
}

TEST_P(JournalContract, RowsComeBackAsTheyWereWritten) {
    auto journal = Open();
    ASSERT_TRUE(journal);
    const ReserveResult r = journal->Reserve(kLine1, "0004");
    ASSERT_TRUE(journal->Confirm(r.cycle, Programmed("E0040100AB")).ok);
    ASSERT_TRUE(journal->RecordFailure(kLine1, "", Failed("read UID", "NO\xB0TAG")).ok);

    const JournalRows all = journal->Rows("");
    ASSERT_TRUE(all.ok) << all.message;
    ASSERT_EQ(all.rows.size(), 2u);
    const JournalRow& p = all.rows[0];
    EXPECT_EQ(p.setName + "|" + p.workOrder + "|" + p.partNumber + "|" + p.operatorBadge + "|" +
                  p.carrierId + "|" + p.outcome + "|" + p.uid + "|" + p.failedStep,
              "Line 1|WO-17|PN-4711|OP-\xE4|0004|programmed|E0040100AB|");
    EXPECT_EQ(p.pages[0] + "|" + p.pages[1] + "|" + p.pages[2] + "|" + p.locks,
              "30 30 30 30 30 30 30 34|32 00 00 00 00 00 00 00||1 2 17");
    EXPECT_EQ(p.recordFile + "|" + std::to_string(p.recordRow) + "|" + std::to_string(p.retries),
              "/data/rec \xE4.xml|113|2");
    EXPECT_EQ(p.host, JournalHostName());
    EXPECT_EQ(p.timeUtc.size() + p.timeLocal.size(), 38u);
    const JournalRow& f = all.rows[1];
    EXPECT_GT(f.cycle, p.cycle);
    EXPECT_EQ(f.outcome + "|" + f.failedStep + "|" + f.readerReply + "|" + f.carrierId,
              "failed|read UID|NO\xB0TAG|");
    for (const auto& [since, rows] : {std::pair{p.timeUtc, 2u},
                                      std::pair{std::string("9999-01-01 00:00:00"), 0u}}) {
        const JournalRows some = journal->Rows(since);
        EXPECT_TRUE(some.ok && some.rows.size() == rows) << since << some.message;
    }
}

TEST_P(JournalContract, FindsUidsAndTheHighestIdOfASet) {
    auto journal = Open();
    ASSERT_TRUE(journal);
    auto programme = [&](const JournalContext& context, const char* id, const char* uid) {
        const ReserveResult r = journal->Reserve(context, id);
        ASSERT_EQ(r.status, JournalStatus::Ok) << id;
        ASSERT_TRUE(journal->Confirm(r.cycle, Programmed(uid)).ok);
    };
    const JournalContext other{"Line 2", "", "", ""}, letters{"Letters", "", "", ""};
    programme(kLine1, "0009", "UID-A");
    programme(kLine1, "0100", "UID-B");
    programme(kLine1, "0010", "UID-C");
    programme(other, "5000", "UID-D");
    programme(other, "ABC", "UID-E");
    const ReserveResult burned = journal->Reserve(kLine1, "0101");
    ASSERT_TRUE(journal->Fail(burned.cycle, Failed("lock", "ERR")).ok);
    ASSERT_TRUE(journal->RecordFailure(kLine1, "9999", Failed("write", "ERR")).ok);
    programme(letters, "AB-2", "UID-F");
    programme(letters, "AB-10", "UID-G");

    const struct { const char* set; const char* highest; } highest[] = {
        {"Line 1", "0101"}, {"Line 2", "5000"}, {"Letters", "AB-2"}, {"Line 3", "<none>"}};
    for (const auto& c : highest) {
        const HighestCarrierId h = journal->HighestCarrierIdOfSet(c.set);
        ASSERT_TRUE(h.ok) << h.message;
        EXPECT_EQ(h.carrierId.value_or("<none>"), c.highest) << c.set;
    }
    const UidLookup found = journal->FindProgrammedUid("UID-B");
    ASSERT_TRUE(found.ok && found.found);
    EXPECT_EQ(found.found->carrierId, "0100");
    EXPECT_EQ(found.found->localTime.size(), 19u);
    EXPECT_FALSE(journal->FindProgrammedUid("UID-Z").found);
}

// Stations open the new journal at once (it is created once) and race for
// the same IDs, each on its own connection.
TEST_P(JournalContract, OfStationsReservingOneIdOnlyOneWins) {
    constexpr int kStations = 4, kIds = 80;
    std::vector<std::vector<std::string>> wins(kStations);
    std::vector<int> errors(kStations, 0);
    std::vector<std::thread> stations;
    for (std::size_t s = 0; s < kStations; ++s) {
        stations.emplace_back([&, s] {
            JournalOpenResult opened = open_();
            errors[s] += opened.journal ? 0 : 1;
            for (int i = 1; i <= kIds && opened.journal; ++i) {
                const std::string id = std::to_string(1000 + i);
                const ReserveResult r = opened.journal->Reserve(kLine1, id);
                if (r.status == JournalStatus::Ok) wins[s].push_back(id);
                if (r.status == JournalStatus::Error) ++errors[s];
            }
        });
    }
    for (std::thread& t : stations) t.join();
    std::multiset<std::string> all;
    for (std::size_t s = 0; s < kStations; ++s) {
        EXPECT_EQ(errors[s], 0) << "station " << s;
        all.insert(wins[s].begin(), wins[s].end());
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kIds));
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(),
              static_cast<std::size_t>(kIds)) << "an ID won twice";
}

INSTANTIATE_TEST_SUITE_P(Journals, JournalContract,
                         ::testing::Values(Backend{"SQLite", FreshSqlite},
                                           Backend{"PostgreSQL", FreshPostgres}),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tagwright::test
