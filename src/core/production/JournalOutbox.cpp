#include "core/production/JournalOutbox.h"

#include <cstdio>
#include <random>

#include "core/production/JournalFields.h"

namespace tagwright {

namespace {

std::string P(char mark, int index) { return mark + std::to_string(index); }

// Finished rows of one station; a reserved row is still being written.
std::string Unsent(char mark) {
    return " WHERE published_utc IS NULL AND outcome <> 'reserved' AND host = " + P(mark, 1);
}

}  // namespace

std::string OutboxIndexSql() {
    return "CREATE INDEX IF NOT EXISTS unpublished_events ON cycles (host, id) "
           "WHERE published_utc IS NULL";
}

std::string UnpublishedSql(char mark) {
    return "SELECT id, event_id, work_order, " + JournalRowColumns() + " FROM cycles" +
           Unsent(mark) + " AND id > " + P(mark, 2) + " ORDER BY id LIMIT " + P(mark, 3);
}

std::string AssignEventIdSql(char mark) {
    return "UPDATE cycles SET event_id = coalesce(event_id, " + P(mark, 1) + ") WHERE id = " +
           P(mark, 2) + " RETURNING event_id";
}

std::string MarkPublishedSql(char mark) {
    return "UPDATE cycles SET published_utc = " + P(mark, 1) + " WHERE id = " + P(mark, 2);
}

std::string PendingSql(char mark) { return "SELECT count(*) FROM cycles" + Unsent(mark); }

std::vector<std::string> OutboxFieldNames() {
    std::vector<std::string> names;
    const std::string columns = JournalRowColumns();
    for (std::size_t start = 0; start < columns.size();) {
        std::size_t end = columns.find(", ", start);
        if (end == std::string::npos) end = columns.size();
        names.push_back(columns.substr(start, end - start));
        start = end + 2;
    }
    return names;
}

std::string NewEventId() {
    // Random (version 4): unique across the stations of a shared journal
    // without any of them asking the others.
    thread_local std::mt19937_64 bits{std::random_device{}() ^
                                      (static_cast<std::uint64_t>(std::random_device{}()) << 32)};
    std::uint64_t hi = bits(), lo = bits();
    hi = (hi & ~0xF000ULL) | 0x4000ULL;
    lo = (lo & ~(0xC000ULL << 48)) | (0x8000ULL << 48);
    char text[40];
    std::snprintf(text, sizeof text, "%08llx-%04llx-%04llx-%04llx-%012llx",
                  static_cast<unsigned long long>(hi >> 32),
                  static_cast<unsigned long long>((hi >> 16) & 0xFFFF),
                  static_cast<unsigned long long>(hi & 0xFFFF),
                  static_cast<unsigned long long>(lo >> 48),
                  static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFULL));
    return text;
}

}  // namespace tagwright
