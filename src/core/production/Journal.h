#pragma once
// The production journal: one row for every programming cycle that reached
// the Reader, and the guard that no carrier ID is ever written twice.
//
// A cycle uses it like this:
//
//   Reserve(context, carrierId)   before the first page is written; the one
//                                 atomic step that takes the ID or reports
//                                 it taken (programmed, burned or reserved)
//   ReserveFromCounter(...)       the same for the decimal counter's next ID
//   Confirm(cycle, details)       after the pages are locked: programmed
//   Fail(cycle, details)          a Reader failure after the reservation: the
//                                 ID stays burned, since the carrier may
//                                 already hold it
//   RecordFailure(...)            a cycle that failed before it reserved
//
// A reservation that is never confirmed or failed (the station was killed or
// lost power) keeps its ID burned for good. Every call ends with its write
// on disk, so a reservation once reported is never lost.
//
// Implementations: SQLite for one station (JournalSqlite.h), PostgreSQL for
// several stations sharing one journal (JournalPostgres.h); JournalOpen.h
// opens the one the station settings choose. A journal is used from one
// thread.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagwright {

class JournalOutbox;

inline constexpr int kJournalPages = 17;

class JournalStatsSource;  // ProductionStats.h

// Where a row's carrier ID write came from.
inline constexpr char kCycleOrigin[] = "cycle";    // the programming cycle
inline constexpr char kManualOrigin[] = "manual";  // the manual "write carrier ID"

// Who runs the cycle and with what: taken from the current parameter set.
struct JournalContext {
    std::string setName;
    std::string workOrder;
    std::string partNumber;
    std::string operatorBadge;
    std::string origin = kCycleOrigin;
};

// What the cycle did with the transponder.
struct CycleDetails {
    std::string uid;                                   // "" when not read
    std::array<std::string, kJournalPages> pages;      // HEX text as sent, "" = not sent
    std::array<bool, kJournalPages> locked{};          // page p+1 was locked
    std::string failedStep;                            // Fail and RecordFailure: "write", ...
    std::string readerReply;                           // the Reader's reply to that step
    std::string recordFile;                            // Confirm: "" when no record written
    std::int64_t recordRow = 0;                        // its row in the record file
    int retries = 0;                                   // commands the Reader link sent again
};

// A cycle's row in the journal.
using JournalCycleId = std::int64_t;

enum class JournalStatus {
    Ok,
    AlreadyUsed,  // Reserve only: the ID is programmed, burned or reserved
    MaximumReached,  // ReserveFromCounter only: the counter is past the limit
    Error,        // the journal could not be read or written: stop the run
};

// How a carrier ID stands in the journal.
enum class CarrierIdUse {
    Free,
    Programmed,
    Burned,  // reserved and never confirmed, or failed after its reservation
};

struct ReserveResult {
    JournalStatus status = JournalStatus::Error;
    JournalCycleId cycle = 0;           // Ok: hand it to Confirm or Fail
    CarrierIdUse use = CarrierIdUse::Free;  // AlreadyUsed: how it was used
    std::string usedAt;                 // AlreadyUsed: local time of that use
    bool otherStation = false;          // AlreadyUsed: another station of a shared
                                        // journal took it
    std::string message;                // AlreadyUsed and Error: for the operator
    std::string carrierId;              // ReserveFromCounter, Ok and AlreadyUsed:
                                        // the ID reserved, or found used
};

// What a cycle on the decimal counter asks of the journal.
struct CounterDraw {
    std::uint64_t next = 0;   // the station's own next value
    std::uint64_t limit = 0;  // the highest value it may program ("max", length)
    int length = 0;           // the ID is the value with "0" in front to this length
};

struct JournalResult {
    bool ok = false;
    std::string message;  // when not ok: for the operator
};

struct CarrierIdLookup {
    bool ok = false;
    CarrierIdUse use = CarrierIdUse::Free;
    std::string message;
};

// A programmed transponder found by its UID.
struct ProgrammedUid {
    std::string carrierId;
    std::string localTime;  // "YYYY-MM-DD HH:MM:SS"
};

struct UidLookup {
    bool ok = false;
    std::optional<ProgrammedUid> found;
    std::string message;
};

struct HighestCarrierId {
    bool ok = false;
    std::optional<std::string> carrierId;  // nothing when the set has none
    std::string message;
};

// One row of the journal as stored, for export and checks.
struct JournalRow {
    JournalCycleId cycle = 0;
    std::string timeUtc;    // "YYYY-MM-DD HH:MM:SS": the reservation, then the end
    std::string timeLocal;
    std::string host;
    std::string setName;
    std::string workOrder;
    std::string partNumber;
    std::string operatorBadge;
    std::string carrierId;  // "" when the cycle took none
    std::string outcome;    // "reserved", "programmed", "burned" or "failed"
    std::string failedStep;
    std::string readerReply;
    std::string uid;
    std::array<std::string, kJournalPages> pages;
    std::string locks;      // locked pages, "1 2 3"
    std::string recordFile;
    std::int64_t recordRow = 0;
    int retries = 0;
    std::string origin;     // kCycleOrigin or kManualOrigin
};

struct JournalRows {
    bool ok = false;
    std::vector<JournalRow> rows;  // in cycle order
    std::string message;           // when not ok: for the operator
};

// The audit trail: one row per change an operator or engineer made to the
// station (a set, the counter, the port, a tag by hand, a raw command, the
// role). The row is written before the change is made.
// The kinds, and what their `change` holds:
// "Name": [Section] key: "old" -> "new"; ...
inline constexpr char kAuditSetSaved[] = "set saved";
inline constexpr char kAuditSetDeleted[] = "set deleted";      // "Name"
inline constexpr char kAuditCounterMoved[] = "counter moved";  // from 5 to 9
inline constexpr char kAuditPortSettings[] = "port settings";  // baud rate: 9600 -> 19200; ...
inline constexpr char kAuditManualWrite[] = "manual write";    // page 3: <16 digits>; ...
inline constexpr char kAuditManualLock[] = "manual lock";      // pages 1 2
inline constexpr char kAuditWriteCarrierId[] = "write carrier ID";   // the ID, offset, length
inline constexpr char kAuditTerminalCommand[] = "terminal command";  // the command as sent
inline constexpr char kAuditUnlock[] = "unlock";               // the role unlocked
inline constexpr char kAuditUnlockFailed[] = "failed unlock";  // the role asked for
inline constexpr char kAuditPinSet[] = "PIN set";              // never the PIN itself

struct AuditEntry {
    // Stamped by the journal when the row is recorded (read back by Audit).
    std::int64_t id = 0;
    std::string timeUtc;    // "YYYY-MM-DD HH:MM:SS"
    std::string timeLocal;
    std::string host;
    // Filled by the one who asks for the change.
    std::string osUser;
    std::string operatorBadge;  // the current set's
    std::string role;           // "none" on a station without roles
    std::string kind;           // one of kAudit...
    std::string change;         // what changed, as the operator reads it
};

struct AuditRows {
    bool ok = false;
    std::vector<AuditEntry> rows;  // in the order they were recorded
    std::string message;           // when not ok: for the operator
};

class Journal {
public:
    virtual ~Journal() = default;

    // Takes carrierId for this cycle, atomically: of two stations or
    // processes reserving one ID, exactly one gets Ok. An empty carrierId
    // (fix data) reserves nothing and only opens the cycle's row. The ID is
    // the text written to the carrier, padding included.
    virtual ReserveResult Reserve(const JournalContext& context, std::string_view carrierId) = 0;
    // Takes the counter's next ID for this cycle, as Reserve does. A journal
    // of one station takes the station's own next value; a shared journal
    // keeps a counter per set and length and hands out the greater of it and
    // draw.next, so that stations drawing at once never ask for the same ID.
    // AlreadyUsed: an ID taken outside the counter (by a station of an
    // earlier version); the next call draws the one after.
    virtual ReserveResult ReserveFromCounter(const JournalContext& context,
                                             const CounterDraw& draw);
    // The reserved cycle programmed the transponder.
    virtual JournalResult Confirm(JournalCycleId cycle, const CycleDetails& details) = 0;
    // The reserved cycle failed at details.failedStep; its ID stays burned.
    virtual JournalResult Fail(JournalCycleId cycle, const CycleDetails& details) = 0;
    // A cycle that reached the Reader and failed before it reserved (its
    // carrierId, possibly empty, stays free).
    virtual JournalResult RecordFailure(const JournalContext& context, std::string_view carrierId,
                                        const CycleDetails& details) = 0;

    // Programmed or burned: never to be written again.
    virtual CarrierIdLookup IsUsed(std::string_view carrierId) = 0;
    // The programmed transponder with that UID, if any.
    virtual UidLookup FindProgrammedUid(std::string_view uid) = 0;
    // The highest carrier ID that the set has used (programmed or burned),
    // compared as numbers when the IDs are decimal digits.
    virtual HighestCarrierId HighestCarrierIdOfSet(std::string_view setName) = 0;

    // Every row whose time_utc is at or after sinceUtc ("" = all rows).
    virtual JournalRows Rows(std::string_view sinceUtc) = 0;

    // Records a change before it is made: time and host are the journal's,
    // the rest is the entry's. Not ok: the change must not be made.
    virtual JournalResult RecordAudit(const AuditEntry& entry) = 0;
    // Every audit row whose time_utc is at or after sinceUtc ("" = all).
    virtual AuditRows Audit(std::string_view sinceUtc) = 0;

    // Where the journal lives, for messages: a file path or a server.
    virtual std::string Location() const = 0;

    // The line events waiting in the journal (JournalOutbox.h); nothing
    // for a journal that keeps none.
    virtual JournalOutbox* Outbox() { return nullptr; }
    // What the production figures are read from (ProductionStats.h).
    virtual JournalStatsSource* StatsSource() { return nullptr; }
};

// What opening a journal gives.
struct JournalOpenResult {
    std::unique_ptr<Journal> journal;  // nothing when it could not be opened
    std::string error;                 // why not: for the operator
    std::string notice;                // opened, but the operator must hear this
                                       // (a damaged journal was set aside)
};

}  // namespace tagwright
