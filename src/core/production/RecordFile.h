#pragma once
// The record file: one spreadsheet row per programmed transponder, preceded
// by a block of rows describing the parameter set whenever the set changed.
// The file is 8-bit text in the XML Spreadsheet 2003 format with CR LF line
// ends; it grows by rewriting its last lines only, so an append costs the
// same in a file of 100 rows as in one of 65,000 (except for the rare
// append whose row count gains a digit, which copies the file). Appends
// from several processes take turns under an exclusive lock on the file.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Clock.h"
#include "core/base/DataPaths.h"
#include "core/production/RecordNames.h"
#include "core/production/RecordSheet.h"

namespace tagwright {

// A worksheet holds at most this many rows; a file is closed for good at it,
// or earlier when a parameter block (at most 21 rows with its transponder)
// would not fit any more.
inline constexpr std::int64_t kRecordMaxRows = 65536;
inline constexpr std::int64_t kRecordMaxRowsBeforeBlock = 65513;

// The file used when the set names none, in the station's set directory.
inline constexpr std::string_view kFallbackRecordFileName = kStationRecordFileName;

// Where the record goes; AppendRecord may change both members (default
// path, next file, block written).
struct RecordTarget {
    std::string logFileName;
    std::filesystem::path setDirectory;
    bool headerBlockPending = true;
};

// Appends the parameter block (when pending) and the transponder row. False
// when the record file cannot be opened or written, or when the file at the
// path is not a record file that can be appended to. The file is then put
// back as it was, without the row or the block; only when putting it back
// fails as well does the next append find the rows and keep them.
bool AppendRecord(RecordTarget& target, const RecordInput& input);

// The row count of the head (the digits of ss:ExpandedRowCount); 0 when the
// file or the count is missing.
std::int64_t ReadRowCount(const std::filesystem::path& path);
// Sets the row count to old + added: in place when the digits keep their
// number, otherwise by writing a copy under a fresh unguessable name and
// renaming it over the file (now is no longer needed for that name). True
// also for a file without a count (nothing to change).
bool UpdateRowCount(const std::filesystem::path& path, std::int64_t old, std::int64_t added,
                    const LocalTime& now);

// A transponder row as a record file holds it.
struct RecordedTransponder {
    std::int64_t row = 0;  // the sheet's row number, counted from 1
    std::string uid;
    std::array<std::string, kPageCount> pages;  // HEX digits as written, "" = none
    // The carrier ID in pages 1 and 2, at the offset and length of the
    // parameter block above the row; "" when no block gave them.
    std::string carrierId;
};

struct RecordedRows {
    bool ok = false;
    std::vector<RecordedTransponder> rows;
    std::string error;  // when not ok
};

// Every transponder row of the file, in order.
RecordedRows ReadRecordRows(const std::filesystem::path& path);

}  // namespace tagwright
