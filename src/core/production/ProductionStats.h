#pragma once
// The production figures of a time range, computed from the journal by SQL
// (aggregates over indexed range scans, never every row in memory), the same
// for the SQLite and the PostgreSQL journal, so that the Production window
// and `journal report` count alike.
//
// How the rows count (every row of the journal is one attempt at one tag:
// a cycle, or a manual carrier ID write):
//   cycles               rows whose time_utc is in [since, until)
//   programmed           those with outcome "programmed"
//   first-pass yield     programmed with retries = 0, over cycles: the share
//                        of cycles that programmed their tag without a
//                        Reader command sent again
//   final yield          tags programmed over tags attempted, where a tag is
//                        its UID (counted once however often it was tried)
//                        and a row without a UID (the set reads none, or the
//                        UID read failed) is a tag of its own: the share of
//                        the tags laid on the antenna that left programmed
//   burned               rows that took a carrier ID and did not program it:
//                        outcome "burned" (failed after the reservation) and
//                        "reserved" (the station stopped mid-cycle)
//   failures             every row that is not "programmed", by failed step
//                        and by (step, Reader reply), most frequent first. A
//                        read-back that differs ("verify failed") or a lock
//                        that is not proven ("lock not proven") ends the
//                        cycle burned, so it never counts as good.
// A row's time_utc is the end of its cycle (the reservation while it runs).
// Yields are nothing when the range holds no cycle.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/production/Journal.h"

namespace tagwright {

// UTC times as the journal stores them: "YYYY-MM-DD HH:MM:SS".
struct StatsQuery {
    std::string sinceUtc;  // inclusive; "" = from the first row
    std::string untilUtc;  // exclusive; "" = to the last row
    // "Now", from the injected clock: the time since the last programmed tag
    // and the current rate of the work order are measured to it.
    std::string nowUtc;
    // Filters; "" = any.
    std::string workOrder;
    std::string setName;
    std::string host;
    std::string operatorBadge;
    // The work order whose progress is wanted ("" = workOrder, and none when
    // both are ""), and the set's "Quantity" (0 = not known). Progress counts
    // every station and every set of the journal, at any time,
    // whatever the filters and the range.
    std::string progressWorkOrder;
    std::int64_t quantity = 0;
};

struct CountOf {
    std::string key;
    std::int64_t count = 0;
};

// One failure cause: a failed step and the Reader's reply to it. A row left
// "reserved" has step "" (not finished).
struct FailureCause {
    std::string step;
    std::string reply;
    std::int64_t count = 0;
};

// Tags programmed in the quarter hour that starts at startUtc.
struct RateBucket {
    std::string startUtc;  // "YYYY-MM-DD HH:MM:00", minutes 00, 15, 30 or 45
    std::int64_t programmed = 0;
};

inline constexpr int kRateBucketMinutes = 15;
inline constexpr int kFailureCausesLimit = 50;

struct WorkOrderProgress {
    std::string workOrder;
    std::int64_t programmed = 0;  // all stations, all time
    std::int64_t quantity = 0;    // 0 = not known
    // Tags per hour of the work order in the hour before now.
    double ratePerHour = 0;
    // At that rate; nothing when the quantity is not known, or no rate.
    // 0 when the quantity is reached.
    std::optional<std::int64_t> secondsToFinish;
};

struct ProductionFigures {
    bool ok = false;
    std::string message;  // when not ok: for the operator

    std::int64_t cycles = 0;
    std::int64_t programmed = 0;
    std::int64_t programmedFirstPass = 0;
    std::int64_t tagsAttempted = 0;
    std::int64_t tagsProgrammed = 0;
    std::optional<double> firstPassYield;  // 0..1
    std::optional<double> finalYield;      // 0..1

    std::vector<CountOf> burnedByOutcome;     // "burned", "reserved"; most first
    std::vector<CountOf> failuresByStep;      // Pareto: most first, then by name
    std::vector<FailureCause> failuresByCause;  // Pareto of (step, reply), at most
                                                // kFailureCausesLimit
    std::int64_t otherFailureCauses = 0;  // rows of the causes beyond the limit

    // Quarter hours with at least one programmed tag, oldest first
    // (DenseRate fills the empty ones for a chart).
    std::vector<RateBucket> rate;

    std::optional<WorkOrderProgress> progress;

    // The last programmed tag that passes the filters, before until (any
    // time before, not only in the range); "" = none.
    std::string lastProgrammedUtc;
    std::optional<std::int64_t> secondsSinceLastProgrammed;
};

// Computes every figure of the query from the journal.
ProductionFigures ComputeProductionFigures(Journal& journal, const StatsQuery& query);

// The work order's progress alone, counted as above (query.progressWorkOrder
// or workOrder, and quantity; the range does not matter); nothing when the
// journal cannot say or no work order is asked for.
std::optional<WorkOrderProgress> ComputeWorkOrderProgress(Journal& journal,
                                                          const StatsQuery& query);

// The figures' words, the same in the window and in the report:
// "90.1 %" ("-" when there is no share), and "45 s", "12 min 5 s",
// "3 h 05 min", "2 d 4 h".
std::string PercentText(const std::optional<double>& share);
std::string DurationText(std::int64_t seconds);

// One journal row behind a failure cause, for the click-through.
struct FailureRow {
    JournalCycleId cycle = 0;
    std::string timeUtc;
    std::string timeLocal;
    std::string host;
    std::string carrierId;  // "" when the cycle took none
    std::string uid;        // "" when not read
    std::string step;
    std::string reply;
};

inline constexpr int kFailureRowsLimit = 200;

struct FailureRows {
    bool ok = false;
    std::string message;
    std::vector<FailureRow> rows;  // newest first, at most the limit
    bool more = false;             // more rows than the limit
};

// The rows of the query's range and filters whose (step, reply) is the
// cause's (cause.count is not looked at).
FailureRows FailureCauseRows(Journal& journal, const StatsQuery& query, const FailureCause& cause,
                             int limit = kFailureRowsLimit);

// The buckets with the empty quarter hours between from and to (UTC) filled
// with 0; from is rounded down to its quarter hour. At most maxBuckets; when
// the range is longer, the last maxBuckets quarter hours.
std::vector<RateBucket> DenseRate(const std::vector<RateBucket>& sparse, const std::string& fromUtc,
                                  const std::string& toUtc, int maxBuckets = 4 * 24 * 7);

// What a journal gives the statistics: read-only SELECTs with parameters
// written ?1, ?2, ... and texts in the station's 8-bit form. Each journal
// implements it in a file of its own, beside its connection.
class JournalStatsSource {
public:
    virtual ~JournalStatsSource() = default;
    // The text that compares time stamps byte by byte in this database's
    // index order (PostgreSQL: ` COLLATE "C"`; SQLite: "").
    virtual std::string TextOrder() const = 0;
    // Runs sql ('?' numbered parameters; an absent one is NULL) and gives
    // its rows as texts ("" for NULL). False, with *error for the operator,
    // when the database fails.
    virtual bool Select(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                        std::vector<std::vector<std::string>>* rows, std::string* error) = 0;
};

}  // namespace tagwright
