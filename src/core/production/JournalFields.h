#pragma once
// What every journal stores alike: time stamps, host name, the carrier ID as
// a number, the list of locked pages, and the statements that write a cycle's
// row, so that both databases keep the same columns in the same order.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/production/Journal.h"

namespace tagwright {

struct JournalStamp {
    std::string utc;    // "YYYY-MM-DD HH:MM:SS"
    std::string local;
};

JournalStamp JournalNow();
std::string JournalHostName();

// Decimal carrier IDs are also kept as numbers, so that "0100" sorts above
// "0099" and "42" above "9" when the highest is asked for.
std::optional<std::int64_t> CarrierNumber(std::string_view id);

// A counter value as its carrier ID: decimal, "0" in front up to length.
std::string CounterCarrierId(std::uint64_t value, int length);

// Locked pages as "1 2 17".
std::string LockList(const std::array<bool, kJournalPages>& locked);

// A journal that keeps a row per cycle: Confirm and Fail both end the
// reserved row, each implementation once.
class RowJournal : public Journal {
public:
    // Programmed: the failed step and reply of a repeated command are not kept.
    JournalResult Confirm(JournalCycleId cycle, const CycleDetails& details) final;
    JournalResult Fail(JournalCycleId cycle, const CycleDetails& details) final;

protected:
    // Ends the reserved row with outcome, stamped now.
    virtual JournalResult Finish(JournalCycleId cycle, const CycleDetails& details,
                                 const char* outcome) = 0;
};

// How a non-failed row's outcome counts for its carrier ID, and its word.
CarrierIdUse CarrierIdUseOf(std::string_view outcome);
std::string CarrierIdUseText(CarrierIdUse use);

// The details of CycleDetails as columns, in the order both journals bind them.
inline constexpr int kJournalDetailCount = 3 + kJournalPages + 4;
std::string JournalDetailColumns();
// Every column of a row, in JournalRow order.
std::string JournalRowColumns();

// The statements, with numbered parameters written as the database wants
// them: mark '?' gives "?1" (SQLite), '$' gives "$1" (PostgreSQL).
// The column that tells manual writes from cycles, for journals made before
// it: rows without it were all written by the cycle.
inline constexpr char kOriginColumnSql[] = "origin TEXT NOT NULL DEFAULT 'cycle'";

// Reserve: 1-10 the context; returns the new row's id, nothing when taken.
std::string JournalReserveSql(char mark);
// Finish: 1 time_utc, 2 time_local, 3 outcome, 4 id, the details from
// firstDetail on; changes the row only while it is reserved.
std::string JournalFinishSql(char mark, int firstDetail);
// Failure: 1-10 the context, the details from 11 on.
inline constexpr int kJournalContextCount = 10;
std::string JournalFailureSql(char mark);

}  // namespace tagwright
