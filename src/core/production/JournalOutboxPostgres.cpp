#include "core/production/JournalOutboxPostgres.h"

#include <cstdlib>

#include "core/base/Utf8.h"
#include "core/production/JournalFields.h"

namespace tagwright {

namespace {

class PostgresOutbox final : public JournalOutbox {
public:
    PostgresOutbox(pg::Connection& db, std::string host)
        : db_(db), host_(Latin1ToUtf8(host)), names_(OutboxFieldNames()) {}

    OutboxBatch Unpublished(JournalCycleId after, int limit) override;
    JournalResult MarkPublished(const std::vector<JournalCycleId>& cycles) override;
    std::optional<std::int64_t> Pending() override;

private:
    std::string Failure() const {
        return "The production journal cannot be read: " + db_.ErrorText() + ".";
    }

    pg::Connection& db_;
    std::string host_;  // UTF-8
    std::vector<std::string> names_;
};

OutboxBatch PostgresOutbox::Unpublished(JournalCycleId after, int limit) {
    OutboxBatch batch;
    const pg::Result rows = db_.Exec(UnpublishedSql('$'), {host_, std::to_string(after),
                                                           std::to_string(limit)});
    if (!rows.Ok()) {
        batch.message = Failure();
        return batch;
    }
    for (int r = 0; r < rows.Rows(); ++r) {
        OutboxEvent event;
        event.cycle = std::atoll(rows.Text(r, 0).c_str());
        event.eventId = rows.Text(r, 1);
        event.workOrder = Utf8ToLatin1(rows.Text(r, 2));
        for (std::size_t i = 0; i < names_.size(); ++i) {
            const int column = static_cast<int>(i) + 3;
            event.fields.emplace_back(names_[i], rows.IsNull(r, column)
                                                     ? std::nullopt
                                                     : std::optional(rows.Text(r, column)));
        }
        if (event.eventId.empty()) {
            const pg::Result given = db_.Exec(AssignEventIdSql('$'),
                                              {NewEventId(), std::to_string(event.cycle)});
            if (!given.Ok() || given.Rows() != 1) {
                batch.message = Failure();
                return batch;
            }
            event.eventId = given.Text(0, 0);
        }
        batch.events.push_back(std::move(event));
    }
    batch.ok = true;
    return batch;
}

JournalResult PostgresOutbox::MarkPublished(const std::vector<JournalCycleId>& cycles) {
    std::string list = "{";
    for (JournalCycleId cycle : cycles) {
        if (list.size() > 1) list += ',';
        list += std::to_string(cycle);
    }
    list += '}';
    const pg::Result marked =
        db_.Exec("UPDATE cycles SET published_utc = $1 WHERE id = ANY($2::bigint[])",
                 {JournalNow().utc, list});
    if (!marked.Ok()) return {false, Failure()};
    return {true, {}};
}

std::optional<std::int64_t> PostgresOutbox::Pending() {
    const pg::Result count = db_.Exec(PendingSql('$'), {host_});
    if (!count.Ok() || count.Rows() != 1) return std::nullopt;
    return std::atoll(count.Text(0, 0).c_str());
}

}  // namespace

std::string AddOutboxColumns(pg::Connection& db) {
    const pg::Result has = db.Exec(
        "SELECT count(*) FROM pg_attribute WHERE attrelid = to_regclass('cycles') AND "
        "attname = 'published_utc' AND NOT attisdropped");
    if (!has.Ok() || has.Rows() != 1) return db.ErrorText();
    if (has.Text(0, 0) == "0") {
        // The rows already there are not events; rows written from now on
        // get no value (the default is dropped at once).
        const std::string sql = "ALTER TABLE cycles ADD COLUMN " + std::string(kOutboxColumnsSql) +
                                ", ADD COLUMN " + std::string(kPublishedColumnSql) +
                                " DEFAULT '" + kBeforeEvents +
                                "'; ALTER TABLE cycles ALTER COLUMN published_utc DROP DEFAULT";
        if (!db.Exec(sql).Ok()) return db.ErrorText();
    }
    return db.Exec(OutboxIndexSql()).Ok() ? "" : db.ErrorText();
}

std::unique_ptr<JournalOutbox> MakePostgresOutbox(pg::Connection& db, std::string host) {
    return std::make_unique<PostgresOutbox>(db, std::move(host));
}

}  // namespace tagwright
