#include "core/production/JournalFields.h"

#include <chrono>
#include <ctime>

#include <unistd.h>

namespace tagwright {

JournalStamp JournalNow() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{}, local{};
    ::gmtime_r(&t, &utc);
    ::localtime_r(&t, &local);
    char a[32], b[32];
    std::strftime(a, sizeof a, "%Y-%m-%d %H:%M:%S", &utc);
    std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S", &local);
    return {a, b};
}

std::string JournalHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
    return name;
}

std::optional<std::int64_t> CarrierNumber(std::string_view id) {
    if (id.empty() || id.size() > 18) return std::nullopt;
    std::int64_t n = 0;
    for (char c : id) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::string CounterCarrierId(std::uint64_t value, int length) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < length) {
        digits.insert(0, static_cast<std::size_t>(length) - digits.size(), '0');
    }
    return digits;
}

std::string LockList(const std::array<bool, kJournalPages>& locked) {
    std::string list;
    for (int p = 0; p < kJournalPages; ++p) {
        if (!locked[static_cast<std::size_t>(p)]) continue;
        if (!list.empty()) list += ' ';
        list += std::to_string(p + 1);
    }
    return list;
}

// One station: its own next is the counter.
ReserveResult Journal::ReserveFromCounter(const JournalContext& context, const CounterDraw& draw) {
    if (draw.next > draw.limit) {
        ReserveResult exhausted;
        exhausted.status = JournalStatus::MaximumReached;
        return exhausted;
    }
    const std::string id = CounterCarrierId(draw.next, draw.length);
    ReserveResult reserved = Reserve(context, id);
    if (reserved.status != JournalStatus::Error) reserved.carrierId = id;
    return reserved;
}

JournalResult RowJournal::Confirm(JournalCycleId cycle, const CycleDetails& details) {
    CycleDetails programmed = details;
    programmed.failedStep.clear();
    programmed.readerReply.clear();
    return Finish(cycle, programmed, "programmed");
}

JournalResult RowJournal::Fail(JournalCycleId cycle, const CycleDetails& details) {
    return Finish(cycle, details, "burned");
}

CarrierIdUse CarrierIdUseOf(std::string_view outcome) {
    return outcome == "programmed" ? CarrierIdUse::Programmed : CarrierIdUse::Burned;
}

std::string CarrierIdUseText(CarrierIdUse use) {
    return use == CarrierIdUse::Programmed ? "programmed" : "burned";
}

namespace {

constexpr std::string_view kContextColumns =
    "time_utc, time_local, host, set_name, work_order, part_number, operator_badge, "
    "carrier_id, carrier_number, origin, outcome";

std::string Parameter(char mark, int index) { return mark + std::to_string(index); }

// "?from, ?from+1, ..." for count parameters.
std::string Parameters(char mark, int from, int count) {
    std::string list;
    for (int i = from; i < from + count; ++i) {
        if (!list.empty()) list += ", ";
        list += Parameter(mark, i);
    }
    return list;
}

}  // namespace

std::string JournalDetailColumns() {
    std::string columns = "failed_step, reader_reply, uid";
    for (int p = 1; p <= kJournalPages; ++p) columns += ", page_" + std::to_string(p);
    return columns + ", locks, record_file, record_row, retries";
}

std::string JournalRowColumns() {
    return "id, time_utc, time_local, host, set_name, work_order, part_number, "
           "operator_badge, carrier_id, outcome, " + JournalDetailColumns() + ", origin";
}

std::string JournalReserveSql(char mark) {
    return "INSERT INTO cycles (" + std::string(kContextColumns) + ") VALUES (" +
           Parameters(mark, 1, kJournalContextCount) +
           ", 'reserved') ON CONFLICT DO NOTHING RETURNING id";
}

std::string JournalFinishSql(char mark, int firstDetail) {
    std::string sql = "UPDATE cycles SET time_utc = " + Parameter(mark, 1) +
                      ", time_local = " + Parameter(mark, 2) + ", outcome = " + Parameter(mark, 3);
    const std::string columns = JournalDetailColumns();
    int index = firstDetail;
    for (std::size_t start = 0; start < columns.size();) {
        std::size_t end = columns.find(", ", start);
        if (end == std::string::npos) end = columns.size();
        sql += ", " + columns.substr(start, end - start) + " = " + Parameter(mark, index++);
        start = end + 2;
    }
    return sql + " WHERE id = " + Parameter(mark, 4) + " AND outcome = 'reserved'";
}

std::string JournalFailureSql(char mark) {
    return "INSERT INTO cycles (" + std::string(kContextColumns) + ", " + JournalDetailColumns() +
           ") VALUES (" + Parameters(mark, 1, kJournalContextCount) + ", 'failed', " +
           Parameters(mark, kJournalContextCount + 1, kJournalDetailCount) + ")";
}

}  // namespace tagwright
