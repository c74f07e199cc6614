#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/production/JournalSqlite.h"
#include "JournalSamples.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<Journal> Open(const fs::path& dir) {
    JournalOpenResult opened = OpenSqliteJournal(dir);
    EXPECT_TRUE(opened.journal) << opened.error;
    EXPECT_EQ(opened.notice, "");
    return std::move(opened.journal);
}

// One column of one row, read with SQLite directly as the shell would.
std::string Column(const fs::path& dir, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(JournalPath(dir).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    std::string value = "<error>";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        const int rc = sqlite3_step(st);
        const unsigned char* text = rc == SQLITE_ROW ? sqlite3_column_text(st, 0) : nullptr;
        value = rc == SQLITE_ROW ? (text ? reinterpret_cast<const char*>(text) : "<null>")
                                 : "<none>";
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return value;
}

// What a reader of the file with the sqlite3 shell sees: UTF-8 texts and
// NULL where a cycle had nothing (the rows' values are checked in
// JournalContractTest.cpp).
TEST(Journal, RowsAsTheShellShowsThem) {
    TempDir dir;
    auto journal = Open(dir.Path());
    const ReserveResult programmed = journal->Reserve(kLine1, "0004");
    ASSERT_TRUE(journal->Confirm(programmed.cycle, Programmed("E0040100AB")).ok);
    ASSERT_TRUE(journal->RecordFailure(kLine1, "", Failed("read UID", "NOTAG")).ok);
    journal.reset();
    EXPECT_EQ(Column(dir.Path(), "SELECT operator_badge || '|' || record_file || '|' || "
                                 "coalesce(failed_step, 'none') || '|' || coalesce(page_3, 'none')"
                                 " FROM cycles WHERE id = 1"),
              "OP-\xC3\xA4|/data/rec \xC3\xA4.xml|none|none");
    EXPECT_EQ(Column(dir.Path(), "SELECT coalesce(carrier_id, 'none') FROM cycles WHERE id = 2"),
              "none");
    EXPECT_EQ(Column(dir.Path(), "PRAGMA journal_mode"), "wal");
}

// Stations starting together on a new record folder: each opens the one
// journal that one of them creates; none takes it for a damaged file and
// sets it aside (the others' reservations would then go unchecked).
TEST(Journal, OpenedNewByStationsAtOnceIsOneJournal) {
    constexpr int kStations = 4;
    for (int round = 0; round < 10; ++round) {
        TempDir dir;
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        std::vector<pid_t> children;
        for (int n = 0; n < kStations; ++n) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                char start = 0;
                ::close(go[1]);
                if (::read(go[0], &start, 1) != 1) ::_exit(2);
                const JournalOpenResult opened = OpenSqliteJournal(dir.Path());
                ::_exit(opened.journal && opened.notice.empty() ? 0 : 1);
            }
            children.push_back(pid);
        }
        ::close(go[0]);
        const std::string starts(kStations, 's');
        ASSERT_EQ(::write(go[1], starts.data(), starts.size()), kStations);
        ::close(go[1]);
        for (pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            EXPECT_EQ(entry.path().filename().string().find(".damaged-"), std::string::npos);
        }
    }
}

TEST(Journal, ThatCannotBeOpenedOrWrittenSaysWhy) {
    TempDir dir;
    dir.Write("file", "x");
    const JournalOpenResult nowhere = OpenSqliteJournal(dir / "file");  // a file, not a directory
    EXPECT_FALSE(nowhere.journal);
    EXPECT_NE(nowhere.error.find(JournalPath(dir / "file").string()), std::string::npos)
        << nowhere.error;

    auto journal = Open(dir.Path());
    std::vector<std::string> reserved;
    ReserveResult last;
    {
        FileSizeLimit full(256 * 1024);  // the WAL runs into a full disk
        for (int i = 0; i < 5000; ++i) {
            last = journal->Reserve(kLine1, std::to_string(i));
            if (last.status != JournalStatus::Ok) break;
            reserved.push_back(std::to_string(i));
        }
    }
    ASSERT_EQ(last.status, JournalStatus::Error);
    EXPECT_NE(last.message.find(JournalPath(dir.Path()).string()), std::string::npos)
        << last.message;
    journal.reset();
    journal = Open(dir.Path());
    for (const std::string& id : reserved) {
        ASSERT_EQ(journal->IsUsed(id).use, CarrierIdUse::Burned) << id << " was reported reserved";
    }
    EXPECT_EQ(journal->Reserve(kLine1, "x").status, JournalStatus::Ok);
}

// A database of another program at the journal's name.
void WriteForeignDatabase(const fs::path& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE cycles (id INTEGER); INSERT INTO cycles VALUES (1);", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
}

TEST(Journal, ThatIsDamagedIsKeptAndANewOneStarted) {
    const struct {
        const char* name;
        std::string bytes;  // "" = a foreign database
    } cases[] = {
        {"not a database", std::string(8192, 'x')},
        {"header torn", std::string("SQLite format 3\0", 16) + std::string(4080, '\xFF')},
        {"another program's database", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path path = JournalPath(dir.Path());
        if (c.bytes.empty()) {
            WriteForeignDatabase(path);
        } else {
            dir.Write(std::string(kJournalFileName), c.bytes);
        }
        const std::string before = ReadBytes(path);

        JournalOpenResult opened = OpenSqliteJournal(dir.Path());
        ASSERT_TRUE(opened.journal) << opened.error;
        EXPECT_NE(opened.notice.find("damaged"), std::string::npos) << opened.notice;
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            if (entry.path().filename().string().find(".damaged-") != std::string::npos) {
                kept.push_back(entry.path());
            }
        }
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_NE(opened.notice.find(kept[0].string()), std::string::npos) << opened.notice;
        EXPECT_EQ(ReadBytes(kept[0]), before) << "the damaged file is kept as it was";
        EXPECT_EQ(opened.journal->Reserve(kLine1, "0001").status, JournalStatus::Ok);
        opened.journal.reset();
        Open(dir.Path());  // the new one opens without a notice
    }
}

}  // namespace
}  // namespace tagwright::test
