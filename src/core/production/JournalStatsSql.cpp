#include "core/production/JournalStatsSql.h"

#include <sqlite3.h>

#include "core/base/Utf8.h"
#include "core/production/PgConnection.h"
#include "core/production/SqliteDb.h"

namespace tagwright {

namespace {

constexpr const char* kIndexNames[] = {"cycles_time", "cycles_programmed_time",
                                       "cycles_failure_time", "cycles_work_order"};

}  // namespace

std::string StatsIndexSql(std::string_view textOrder) {
    const std::string time = "time_utc" + std::string(textOrder);
    // A range's totals from the time index alone (it holds what they count),
    // and so a work order's range and progress; the tags programmed (rate,
    // last tag) and the failures (Pareto, click-through) on their own, so
    // that those scans skip the other rows.
    const std::string counted = ", outcome, retries, uid);\n";
    return "CREATE INDEX IF NOT EXISTS " + std::string(kIndexNames[0]) + " ON cycles (" + time +
           counted + "CREATE INDEX IF NOT EXISTS " + kIndexNames[1] + " ON cycles (" + time +
           ") WHERE outcome = 'programmed';\n"
           "CREATE INDEX IF NOT EXISTS " + kIndexNames[2] + " ON cycles (" + time +
           ") WHERE outcome <> 'programmed';\n"
           "CREATE INDEX IF NOT EXISTS " + kIndexNames[3] + " ON cycles (work_order, " + time +
           counted;
}

namespace {

// How many of the indexes the server has.
std::string StatsIndexCountSql() {
    std::string sql = "SELECT count(*) FROM (VALUES ";
    for (const char* name : kIndexNames) {
        sql += std::string(name == kIndexNames[0] ? "" : ", ") + "('" + name + "')";
    }
    return sql + ") AS wanted(name) WHERE to_regclass(name) IS NOT NULL";
}


class SqliteStatsSource final : public JournalStatsSource {
public:
    SqliteStatsSource(sqlite3* db, std::string location)
        : db_(db), location_(std::move(location)) {}

    std::string TextOrder() const override { return ""; }

    bool Select(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                std::vector<std::vector<std::string>>* rows, std::string* error) override {
        sqlite::Statement st(db_, sql);
        int rc = st.Prepared() ? SQLITE_ROW : sqlite3_errcode(db_);
        for (std::size_t i = 0; st.Prepared() && i < params.size(); ++i) {
            const int index = static_cast<int>(i + 1);
            if (params[i]) {
                st.Bind(index, *params[i]);
            } else {
                st.BindNull(index);
            }
        }
        const int columns = st.Prepared() ? st.Columns() : 0;
        while (st.Prepared() && (rc = st.Step()) == SQLITE_ROW) {
            std::vector<std::string>& row = rows->emplace_back();
            for (int c = 0; c < columns; ++c) row.push_back(st.Text(c));
        }
        if (rc == SQLITE_DONE) return true;
        rows->clear();
        *error = "The production journal \"" + location_ + "\" cannot be read: " +
                 sqlite3_errmsg(db_) + ".";
        return false;
    }

private:
    sqlite3* db_;
    std::string location_;
};

class PostgresStatsSource final : public JournalStatsSource {
public:
    PostgresStatsSource(pg::Connection& db, std::string location)
        : db_(db), location_(std::move(location)) {}

    std::string TextOrder() const override { return " COLLATE \"C\""; }

    bool Select(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                std::vector<std::vector<std::string>>* rows, std::string* error) override {
        std::string text = sql;
        for (char& c : text) {
            if (c == '?') c = '$';  // our statements hold no '?' but their parameters
        }
        std::vector<pg::Param> values;
        for (const auto& p : params) values.push_back(p ? pg::Param(Latin1ToUtf8(*p)) : pg::Param());
        const pg::Result result = db_.Exec(text, values);
        if (!result.Ok()) {
            *error = "The production journal, " + location_ + ", cannot be read: " +
                     db_.ErrorText() + ".";
            return false;
        }
        for (int r = 0; r < result.Rows(); ++r) {
            std::vector<std::string>& row = rows->emplace_back();
            for (int c = 0; c < result.Columns(); ++c) row.push_back(Utf8ToLatin1(result.Text(r, c)));
        }
        return true;
    }

private:
    pg::Connection& db_;
    std::string location_;
};

}  // namespace

std::unique_ptr<JournalStatsSource> MakeSqliteStatsSource(sqlite3* db, std::string location) {
    return std::make_unique<SqliteStatsSource>(db, std::move(location));
}

std::unique_ptr<JournalStatsSource> MakePostgresStatsSource(pg::Connection& db,
                                                            std::string location) {
    return std::make_unique<PostgresStatsSource>(db, std::move(location));
}

std::string CreatePostgresStatsIndexes(pg::Connection& db) {
    const pg::Result has = db.Exec(StatsIndexCountSql());
    if (!has.Ok() || has.Rows() != 1) return db.ErrorText();
    if (std::atoi(has.Text(0, 0).c_str()) == static_cast<int>(std::size(kIndexNames))) return "";
    return db.Exec(StatsIndexSql(" COLLATE \"C\"")).Ok() ? "" : db.ErrorText();
}

}  // namespace tagwright
