#pragma once
// The journal as the line events' outbox: every finished row of this
// station is an event, sent from the row itself and marked published only
// when the broker has acknowledged it, so that a lost broker, a restart or
// a crash loses none. A row gets its event_id (a random UUID) the first
// time it is sent, and keeps it: a row sent again carries the same id, and
// consumers drop the second.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/production/Journal.h"

namespace tagwright {

struct OutboxEvent {
    JournalCycleId cycle = 0;
    std::string eventId;
    std::string workOrder;  // as stored, 8-bit
    // The row's columns as stored, in UTF-8; nothing for NULL.
    std::vector<std::pair<std::string, std::optional<std::string>>> fields;
};

struct OutboxBatch {
    bool ok = false;
    std::vector<OutboxEvent> events;  // oldest first
    std::string message;
};

class JournalOutbox {
public:
    virtual ~JournalOutbox() = default;
    // This station's finished rows not yet published, after cycle `after`.
    virtual OutboxBatch Unpublished(JournalCycleId after, int limit) = 0;
    // The broker took them: one commit for all.
    virtual JournalResult MarkPublished(const std::vector<JournalCycleId>& cycles) = 0;
    // How many events wait; nothing when the journal cannot be read.
    virtual std::optional<std::int64_t> Pending() = 0;
};

// What both journals share: the columns, the statements (mark '?' for
// SQLite, '$' for PostgreSQL), and the event id.
inline constexpr char kOutboxColumnsSql[] = "event_id TEXT";
inline constexpr char kPublishedColumnSql[] = "published_utc TEXT";
// Rows already in a journal that gains the columns are not events: a
// station switched over does not flood its line with years of history.
inline constexpr char kBeforeEvents[] = "before events";
std::string OutboxIndexSql();
std::string UnpublishedSql(char mark);  // 1 host, 2 after, 3 limit
std::string AssignEventIdSql(char mark);  // 1 event_id, 2 id; returns event_id
std::string MarkPublishedSql(char mark);  // 1 time_utc, 2 id
std::string PendingSql(char mark);        // 1 host
// The column names of UnpublishedSql after its id and event_id.
std::vector<std::string> OutboxFieldNames();
std::string NewEventId();

}  // namespace tagwright
