#pragma once
// The counters of the journal shared on PostgreSQL: one per set and carrier
// ID length, so that stations drawing at once get the next IDs one after
// another in one round trip each, instead of all asking for the same next ID
// and all but one being refused.
//
// A counter is a sequence, "carrier_counter_<md5 of set and length>", made
// on the first draw of its set and length under the journal's schema lock
// and started after the highest ID the set has used: a journal of the
// earlier layout needs nothing else. A sequence rather than a counter row:
// a row stays locked until its transaction is on disk, so the stations
// would wait for each other's commits in turn.
//
// The draw and the reservation are one statement: the counter moves on to
// the greater of its next value and the station's own, and the row is
// inserted with ON CONFLICT DO NOTHING, so the UNIQUE index still decides.
// A station of an earlier version, which reserves its own next ID, can take
// an ID the counter then hands out: that draw reports the ID used and the
// next draw moves past it.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/production/Journal.h"
#include "core/production/PgConnection.h"

namespace tagwright {

// Serialises schema changes among stations: the table's creation and the
// counters'.
inline constexpr std::string_view kJournalSchemaLock = "SELECT pg_advisory_xact_lock(1415006769)";

class PgCounters {
public:
    explicit PgCounters(pg::Connection& db) : db_(db) {}

    // Prepares the draw; false (the connection's ErrorText) when refused.
    bool Prepare();

    // What a draw gave.
    struct Drawn {
        bool ok = false;              // false: error says why
        std::string error;
        bool maximumReached = false;  // nothing drawn past the limit
        std::string carrierId;        // the ID drawn (UTF-8 digits)
        JournalCycleId cycle = 0;     // its new row; 0: the ID was taken already
    };

    // context: the reserved row's time_utc, time_local, host, set_name,
    // work_order, part_number, operator_badge and origin, as parameters.
    Drawn Draw(std::vector<pg::Param> context, const CounterDraw& draw);

private:
    // The sequence of the set and length, made when missing; "" on failure.
    std::string Counter(const std::string& setName, int length, std::string* error);

    pg::Connection& db_;
    std::map<std::pair<std::string, int>, std::string> counters_;  // made or found
};

}  // namespace tagwright
