#include "core/production/JournalOutboxSqlite.h"

#include <sqlite3.h>

#include "core/base/Utf8.h"
#include "core/production/JournalFields.h"

namespace tagwright {

namespace {

bool HasColumn(sqlite::Connection& db, const char* name, int* rc) {
    sqlite::Statement st(db.Handle(),
                         "SELECT count(*) FROM pragma_table_info('cycles') WHERE name = ?1");
    if (!st.Prepared()) {
        *rc = db.ErrorCode();
        return false;
    }
    st.Bind(1, std::string_view(name));
    *rc = st.Step() == SQLITE_ROW ? SQLITE_OK : db.ErrorCode();
    return *rc == SQLITE_OK && st.Int(0) > 0;
}

class SqliteOutbox final : public JournalOutbox {
public:
    SqliteOutbox(sqlite::Connection& db, std::string host)
        : db_(db), host_(std::move(host)), names_(OutboxFieldNames()) {}

    OutboxBatch Unpublished(JournalCycleId after, int limit) override;
    JournalResult MarkPublished(const std::vector<JournalCycleId>& cycles) override;
    std::optional<std::int64_t> Pending() override;

private:
    std::string Failure() const { return "The production journal cannot be read: " + db_.ErrorText() + "."; }
    // The event id of a row, given it now when it has none.
    std::optional<std::string> EventId(JournalCycleId cycle, const std::string& stored);

    sqlite::Connection& db_;
    std::string host_;
    std::vector<std::string> names_;
};

std::optional<std::string> SqliteOutbox::EventId(JournalCycleId cycle, const std::string& stored) {
    if (!stored.empty()) return stored;
    sqlite::Statement st(db_.Handle(), AssignEventIdSql('?'));
    st.Bind(1, NewEventId());
    st.Bind(2, cycle);
    if (st.Step() != SQLITE_ROW) return std::nullopt;
    std::string id = st.Text(0);
    return st.Step() == SQLITE_DONE ? std::optional(id) : std::nullopt;
}

OutboxBatch SqliteOutbox::Unpublished(JournalCycleId after, int limit) {
    OutboxBatch batch;
    {
        sqlite::Statement st(db_.Handle(), UnpublishedSql('?'));
        st.Bind(1, host_);
        st.Bind(2, after);
        st.Bind(3, static_cast<std::int64_t>(limit));
        int rc = SQLITE_ROW;
        while ((rc = st.Step()) == SQLITE_ROW) {
            OutboxEvent event;
            event.cycle = st.Int(0);
            event.eventId = st.Text(1);
            event.workOrder = st.Text(2);
            for (std::size_t i = 0; i < names_.size(); ++i) {
                const int column = static_cast<int>(i) + 3;
                event.fields.emplace_back(names_[i], st.IsNull(column)
                                                         ? std::nullopt
                                                         : std::optional(Latin1ToUtf8(st.Text(column))));
            }
            batch.events.push_back(std::move(event));
        }
        if (rc != SQLITE_DONE) {
            batch.message = Failure();
            return batch;
        }
    }
    // The new event ids in one commit: one sync for the batch, not one a row.
    const int rc = sqlite::InTransaction(db_, [&] {
        for (OutboxEvent& event : batch.events) {
            const auto id = EventId(event.cycle, event.eventId);
            if (!id) return SQLITE_ERROR;
            event.eventId = *id;
        }
        return SQLITE_OK;
    });
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        batch.events.clear();
        batch.message = Failure();
        return batch;
    }
    batch.ok = true;
    return batch;
}

JournalResult SqliteOutbox::MarkPublished(const std::vector<JournalCycleId>& cycles) {
    const std::string now = JournalNow().utc;
    const int rc = sqlite::InTransaction(db_, [&] {
        sqlite::Statement st(db_.Handle(), MarkPublishedSql('?'));
        for (JournalCycleId cycle : cycles) {
            st.Bind(1, now);
            st.Bind(2, cycle);
            const int r = st.Step();
            st.Reset();
            if (r != SQLITE_DONE) return r;
        }
        return SQLITE_OK;
    });
    if (rc != SQLITE_OK && rc != SQLITE_DONE) return {false, Failure()};
    return {true, {}};
}

std::optional<std::int64_t> SqliteOutbox::Pending() {
    sqlite::Statement st(db_.Handle(), PendingSql('?'));
    st.Bind(1, host_);
    if (st.Step() != SQLITE_ROW) return std::nullopt;
    return st.Int(0);
}

}  // namespace

int AddOutboxColumns(sqlite::Connection& db) {
    int rc = SQLITE_OK;
    if (!HasColumn(db, "published_utc", &rc) && rc == SQLITE_OK) {
        rc = db.Exec("ALTER TABLE cycles ADD COLUMN " + std::string(kOutboxColumnsSql));
        if (rc == SQLITE_OK) {
            rc = db.Exec("ALTER TABLE cycles ADD COLUMN " + std::string(kPublishedColumnSql));
        }
        if (rc == SQLITE_OK) {
            rc = db.Exec("UPDATE cycles SET published_utc = '" + std::string(kBeforeEvents) +
                         "' WHERE outcome <> 'reserved'");
        }
    }
    if (rc == SQLITE_OK) rc = db.Exec(OutboxIndexSql());
    return rc;
}

std::unique_ptr<JournalOutbox> MakeSqliteOutbox(sqlite::Connection& db, std::string host) {
    return std::make_unique<SqliteOutbox>(db, std::move(host));
}

}  // namespace tagwright
