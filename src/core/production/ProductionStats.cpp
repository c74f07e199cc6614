#include "core/production/ProductionStats.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace tagwright {

namespace {

using Params = std::vector<std::optional<std::string>>;
using Rows = std::vector<std::vector<std::string>>;

// Written exactly as the partial indexes' conditions, so that both
// databases see that the index holds every row the query wants.
constexpr char kProgrammed[] = "outcome = 'programmed'";
constexpr char kNotProgrammed[] = "outcome <> 'programmed'";

std::int64_t Number(const std::string& text) { return std::atoll(text.c_str()); }

// Seconds since the epoch of a "YYYY-MM-DD HH:MM:SS" UTC text, or -1.
std::int64_t EpochOfUtc(const std::string& text) {
    std::tm tm{};
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6) {
        return -1;
    }
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<std::int64_t>(::timegm(&tm));
}

std::string UtcOfEpoch(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// The conditions of a statement and their parameters, numbered in order.
class Conditions {
public:
    explicit Conditions(std::string order) : order_(std::move(order)) {}

    void Add(const std::string& condition) { terms_.push_back(condition); }
    // A parameter used outside the conditions: its "?n".
    std::string Param(const std::string& value) {
        params_.push_back(value);
        return "?" + std::to_string(params_.size());
    }
    // column op ?n, with the value as the next parameter.
    void Compare(const std::string& column, const char* op, const std::string& value,
                 bool time = false) {
        terms_.push_back(column + (time ? order_ : "") + " " + op + " " + Param(value));
    }
    // The query's range and filters.
    void Range(const StatsQuery& q) {
        if (!q.sinceUtc.empty()) Compare("time_utc", ">=", q.sinceUtc, true);
        if (!q.untilUtc.empty()) Compare("time_utc", "<", q.untilUtc, true);
        Filters(q);
    }
    void Filters(const StatsQuery& q) {
        if (!q.workOrder.empty()) Compare("work_order", "=", q.workOrder);
        if (!q.setName.empty()) Compare("set_name", "=", q.setName);
        if (!q.host.empty()) Compare("host", "=", q.host);
        if (!q.operatorBadge.empty()) Compare("operator_badge", "=", q.operatorBadge);
    }
    std::string Where() const {
        std::string sql;
        for (const std::string& t : terms_) sql += (sql.empty() ? " WHERE " : " AND ") + t;
        return sql;
    }
    const Params& Values() const { return params_; }

private:
    std::string order_;
    std::vector<std::string> terms_;
    Params params_;
};

// One computation against one journal: the first failure stops it.
class Reading {
public:
    explicit Reading(JournalStatsSource& source) : source_(source), order_(source.TextOrder()) {}

    Conditions Start() const { return Conditions(order_); }
    const std::string& Order() const { return order_; }
    // head, the conditions, tail.
    bool Select(const std::string& head, const Conditions& c, Rows* rows,
                const std::string& tail = "") {
        rows->clear();
        return error_.empty() && source_.Select(head + c.Where() + tail, c.Values(), rows, &error_);
    }
    const std::string& Error() const { return error_; }

private:
    JournalStatsSource& source_;
    std::string order_;
    std::string error_;
};

void ReadTotals(Reading& r, const StatsQuery& q, ProductionFigures& f) {
    Conditions c = r.Start();
    c.Range(q);
    Rows rows;
    const std::string programmed = std::string("CASE WHEN ") + kProgrammed;
    if (!r.Select("SELECT count(*), "
                  "coalesce(sum(" + programmed + " THEN 1 ELSE 0 END), 0), "
                  "coalesce(sum(" + programmed + " AND retries = 0 THEN 1 ELSE 0 END), 0), "
                  "count(DISTINCT nullif(uid, '')) + "
                  "coalesce(sum(CASE WHEN nullif(uid, '') IS NULL THEN 1 ELSE 0 END), 0), "
                  "count(DISTINCT " + programmed + " THEN nullif(uid, '') END) + "
                  "coalesce(sum(" + programmed + " AND nullif(uid, '') IS NULL "
                  "THEN 1 ELSE 0 END), 0), "
                  "coalesce(sum(CASE WHEN outcome = 'burned' THEN 1 ELSE 0 END), 0), "
                  "coalesce(sum(CASE WHEN outcome = 'reserved' THEN 1 ELSE 0 END), 0) "
                  "FROM cycles", c, &rows) ||
        rows.size() != 1) {
        return;
    }
    const std::vector<std::string>& t = rows[0];
    f.cycles = Number(t[0]);
    f.programmed = Number(t[1]);
    f.programmedFirstPass = Number(t[2]);
    f.tagsAttempted = Number(t[3]);
    f.tagsProgrammed = Number(t[4]);
    if (f.cycles > 0) f.firstPassYield = double(f.programmedFirstPass) / double(f.cycles);
    if (f.tagsAttempted > 0) f.finalYield = double(f.tagsProgrammed) / double(f.tagsAttempted);
    for (const auto& [outcome, text] : {std::pair{"burned", t[5]}, std::pair{"reserved", t[6]}}) {
        if (Number(text) > 0) f.burnedByOutcome.push_back({outcome, Number(text)});
    }
    std::stable_sort(f.burnedByOutcome.begin(), f.burnedByOutcome.end(),
                     [](const CountOf& a, const CountOf& b) { return a.count > b.count; });
}

void ReadFailures(Reading& r, const StatsQuery& q, ProductionFigures& f) {
    Conditions c = r.Start();
    c.Range(q);
    c.Add(kNotProgrammed);
    const std::string step = "coalesce(failed_step, '')";
    const std::string reply = "coalesce(reader_reply, '')";
    Rows rows;
    if (!r.Select("SELECT " + step + ", count(*) FROM cycles", c, &rows,
                  " GROUP BY " + step + " ORDER BY 2 DESC, " + step + r.Order())) {
        return;
    }
    for (const auto& row : rows) f.failuresByStep.push_back({row[0], Number(row[1])});
    if (!r.Select("SELECT " + step + ", " + reply + ", count(*) FROM cycles", c, &rows,
                  " GROUP BY " + step + ", " + reply + " ORDER BY 3 DESC, " + step + r.Order() +
                      ", " + reply + r.Order())) {
        return;
    }
    for (const auto& row : rows) {
        if (f.failuresByCause.size() < static_cast<std::size_t>(kFailureCausesLimit)) {
            f.failuresByCause.push_back({row[0], row[1], Number(row[2])});
        } else {
            f.otherFailureCauses += Number(row[2]);
        }
    }
}

void ReadRate(Reading& r, const StatsQuery& q, ProductionFigures& f) {
    Conditions c = r.Start();
    c.Range(q);
    c.Add(kProgrammed);
    Rows rows;
    if (!r.Select("SELECT substr(time_utc, 1, 14), "
                  "CAST(substr(time_utc, 15, 2) AS INTEGER) / 15, count(*) FROM cycles",
                  c, &rows, " GROUP BY 1, 2 ORDER BY 1, 2")) {
        return;
    }
    for (const auto& row : rows) {
        char minute[8];
        std::snprintf(minute, sizeof minute, "%02d:00",
                      static_cast<int>(Number(row[1])) * kRateBucketMinutes);
        f.rate.push_back({row[0] + minute, Number(row[2])});
    }
}

void ReadLastProgrammed(Reading& r, const StatsQuery& q, ProductionFigures& f) {
    Conditions c = r.Start();
    c.Add(kProgrammed);
    if (!q.untilUtc.empty()) c.Compare("time_utc", "<", q.untilUtc, true);
    c.Filters(q);
    Rows rows;
    if (!r.Select("SELECT time_utc FROM cycles", c, &rows,
                  " ORDER BY time_utc" + r.Order() + " DESC LIMIT 1") ||
        rows.empty()) {
        return;
    }
    f.lastProgrammedUtc = rows[0][0];
    const std::int64_t last = EpochOfUtc(f.lastProgrammedUtc);
    const std::int64_t now = EpochOfUtc(q.nowUtc);
    if (last >= 0 && now >= 0) f.secondsSinceLastProgrammed = std::max<std::int64_t>(0, now - last);
}

void ReadProgress(Reading& r, const StatsQuery& q, ProductionFigures& f) {
    const std::string& order = q.progressWorkOrder.empty() ? q.workOrder : q.progressWorkOrder;
    if (order.empty()) return;
    WorkOrderProgress p;
    p.workOrder = order;
    p.quantity = std::max<std::int64_t>(0, q.quantity);
    const std::int64_t now = EpochOfUtc(q.nowUtc);
    Conditions c = r.Start();
    // The rate is the count of the hour before now; without a now, none.
    const std::string hourAgo = c.Param(now >= 0 ? UtcOfEpoch(now - 3600) : "9999");
    c.Compare("work_order", "=", order);
    c.Add(kProgrammed);
    Rows rows;
    if (!r.Select("SELECT count(*), coalesce(sum(CASE WHEN time_utc" + r.Order() + " >= " +
                      hourAgo + " THEN 1 ELSE 0 END), 0) FROM cycles",
                  c, &rows) ||
        rows.size() != 1) {
        return;
    }
    p.programmed = Number(rows[0][0]);
    p.ratePerHour = double(Number(rows[0][1]));
    if (p.quantity > 0 && p.programmed >= p.quantity) {
        p.secondsToFinish = 0;
    } else if (p.quantity > 0 && p.ratePerHour > 0) {
        p.secondsToFinish =
            static_cast<std::int64_t>(double(p.quantity - p.programmed) * 3600.0 / p.ratePerHour);
    }
    f.progress = p;
}

// The journal's statistics, or nothing with *message for the operator.
JournalStatsSource* SourceOf(Journal& journal, std::string* message) {
    JournalStatsSource* source = journal.StatsSource();
    if (source == nullptr) {
        *message = "The production journal at " + journal.Location() +
                   " gives no production figures.";
    }
    return source;
}

}  // namespace

std::string PercentText(const std::optional<double>& share) {
    if (!share) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", *share * 100.0);
    return text;
}

std::string DurationText(std::int64_t seconds) {
    constexpr std::int64_t kMinute = 60, kHour = 3600, kDay = 86400;
    seconds = std::max<std::int64_t>(seconds, 0);
    char text[48];
    if (seconds < kMinute) {
        std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(seconds));
    } else if (seconds < kHour) {
        std::snprintf(text, sizeof text, "%lld min %lld s", static_cast<long long>(seconds / kMinute),
                      static_cast<long long>(seconds % kMinute));
    } else if (seconds < kDay) {
        std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(seconds / kHour),
                      static_cast<long long>(seconds % kHour / kMinute));
    } else {
        std::snprintf(text, sizeof text, "%lld d %lld h", static_cast<long long>(seconds / kDay),
                      static_cast<long long>(seconds % kDay / kHour));
    }
    return text;
}

ProductionFigures ComputeProductionFigures(Journal& journal, const StatsQuery& query) {
    ProductionFigures f;
    JournalStatsSource* source = SourceOf(journal, &f.message);
    if (source == nullptr) return f;
    Reading r(*source);
    for (auto* read : {ReadTotals, ReadFailures, ReadRate, ReadLastProgrammed, ReadProgress}) {
        read(r, query, f);
    }
    if (!r.Error().empty()) {
        ProductionFigures failed;
        failed.message = r.Error();
        return failed;
    }
    f.ok = true;
    return f;
}

std::optional<WorkOrderProgress> ComputeWorkOrderProgress(Journal& journal,
                                                          const StatsQuery& query) {
    std::string message;
    JournalStatsSource* source = SourceOf(journal, &message);
    if (source == nullptr) return std::nullopt;
    Reading r(*source);
    ProductionFigures f;
    ReadProgress(r, query, f);
    if (!r.Error().empty()) return std::nullopt;
    return f.progress;
}

FailureRows FailureCauseRows(Journal& journal, const StatsQuery& query, const FailureCause& cause,
                             int limit) {
    FailureRows result;
    JournalStatsSource* source = SourceOf(journal, &result.message);
    if (source == nullptr) return result;
    Reading r(*source);
    Conditions c = r.Start();
    c.Range(query);
    c.Add(kNotProgrammed);
    c.Compare("coalesce(failed_step, '')", "=", cause.step);
    c.Compare("coalesce(reader_reply, '')", "=", cause.reply);
    limit = std::max(1, limit);
    Rows rows;
    if (!r.Select("SELECT id, time_utc, time_local, host, carrier_id, uid, failed_step, "
                  "reader_reply FROM cycles",
                  c, &rows, " ORDER BY id DESC LIMIT " + std::to_string(limit + 1))) {
        result.message = r.Error();
        return result;
    }
    result.ok = true;
    result.more = rows.size() > static_cast<std::size_t>(limit);
    if (result.more) rows.pop_back();
    for (const auto& row : rows) {
        result.rows.push_back(
            {Number(row[0]), row[1], row[2], row[3], row[4], row[5], row[6], row[7]});
    }
    return result;
}

std::vector<RateBucket> DenseRate(const std::vector<RateBucket>& sparse, const std::string& fromUtc,
                                  const std::string& toUtc, int maxBuckets) {
    constexpr std::int64_t kStep = kRateBucketMinutes * 60;
    std::int64_t from = EpochOfUtc(fromUtc);
    const std::int64_t to = EpochOfUtc(toUtc);
    if (from < 0 || to < 0 || maxBuckets <= 0) return sparse;
    from -= from % kStep;
    from = std::max(from, to - std::int64_t(maxBuckets) * kStep);
    from -= from % kStep;
    std::vector<RateBucket> dense;
    auto next = sparse.begin();
    for (std::int64_t t = from; t < to; t += kStep) {
        const std::string start = UtcOfEpoch(t);
        while (next != sparse.end() && next->startUtc < start) ++next;
        const bool found = next != sparse.end() && next->startUtc == start;
        dense.push_back({start, found ? next->programmed : 0});
    }
    return dense;
}

}  // namespace tagwright
